#include "platform/odbc/results.h"

#include <sqlext.h>
#include <sqlucode.h>

#include "platform/ado/errors.h"
#include "platform/odbc/diagnostics.h"
#include "platform/odbc/text.h"
#include "platform/odbc/values.h"

namespace mls::odbc {

namespace {

using ado::DataType;
using com::Variant;

class Reader {
 public:
  Reader(SQLHSTMT stmt, const std::string& provider) : stmt_(stmt), provider_(provider) {}

  void check(SQLRETURN rc, const char* what) const {
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
      raiseDiagnostics(ado::err::kCommandFailed, provider_, SQL_HANDLE_STMT, stmt_, what);
  }

  OdbcColumn describeColumn(SQLUSMALLINT index) const {
    OdbcColumn c;
    std::u16string name(256, u'\0');
    SQLSMALLINT nameLength = 0;
    auto describe = [&] {
      return SQLDescribeColW(stmt_, index, reinterpret_cast<SQLWCHAR*>(name.data()),
                             static_cast<SQLSMALLINT>(name.size()), &nameLength, &c.sqlType, &c.columnSize,
                             &c.decimalDigits, nullptr);
    };
    SQLRETURN rc = describe();
    if (SQL_SUCCEEDED(rc) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
      name.assign(static_cast<size_t>(nameLength) + 1, u'\0');
      rc = describe();
    }
    check(rc, "A result column could not be described.");
    name.resize(std::min(name.size(), static_cast<size_t>(std::max<SQLSMALLINT>(nameLength, 0))));
    c.name = utf8FromUtf16(name);
    char typeName[128] = {};
    SQLSMALLINT typeLength = 0;
    if (SQL_SUCCEEDED(SQLColAttribute(stmt_, index, SQL_DESC_TYPE_NAME, typeName, sizeof typeName,
                                      &typeLength, nullptr)))
      c.typeName = typeName;
    return c;
  }

  // A fixed-size value; false for SQL NULL.
  template <typename T>
  bool fixed(SQLUSMALLINT index, SQLSMALLINT cType, T& out) const {
    SQLLEN indicator = 0;
    check(SQLGetData(stmt_, index, cType, &out, sizeof out, &indicator), "A value could not be read.");
    return indicator != SQL_NULL_DATA;
  }

  // Text in as many chunks as it takes; nullopt for SQL NULL.
  std::optional<std::u16string> wideText(SQLUSMALLINT index) const {
    std::u16string text;
    char16_t chunk[2048];
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(stmt_, index, SQL_C_WCHAR, chunk, sizeof chunk, &indicator);
      if (rc == SQL_NO_DATA) break;
      check(rc, "A text value could not be read.");
      if (indicator == SQL_NULL_DATA) return std::nullopt;
      size_t units = sizeof chunk / sizeof chunk[0] - 1;  // a full chunk ends in its terminator
      if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) / sizeof(char16_t) < units)
        units = static_cast<size_t>(indicator) / sizeof(char16_t);
      text.append(chunk, units);
      if (rc == SQL_SUCCESS) break;
    }
    return text;
  }

  Variant value(SQLUSMALLINT index, DataType type) const {
    switch (ado::variantKindOf(type)) {
      case com::VarKind::Boolean:
      case com::VarKind::Byte:
      case com::VarKind::Integer:
      case com::VarKind::Long: {
        SQLBIGINT n = 0;
        if (!fixed(index, SQL_C_SBIGINT, n)) return Variant::null();
        if (type == DataType::Boolean) return Variant(n != 0);
        if (type == DataType::UnsignedTinyInt) return Variant(static_cast<uint8_t>(n));
        if (type == DataType::SmallInt) return Variant(static_cast<int16_t>(n));
        return Variant(static_cast<int32_t>(n));
      }
      case com::VarKind::Decimal: {
        if (type == DataType::BigInt) {
          SQLBIGINT n = 0;
          if (!fixed(index, SQL_C_SBIGINT, n)) return Variant::null();
          return Variant(com::Decimal::fromInt(n));
        }
        char text[80] = {};
        if (!fixed(index, SQL_C_CHAR, text)) return Variant::null();
        return Variant(parseDecimalText(text, provider_));
      }
      case com::VarKind::Double: {
        double d = 0;
        if (!fixed(index, SQL_C_DOUBLE, d)) return Variant::null();
        return Variant(d);
      }
      case com::VarKind::Date: {
        SQL_TIMESTAMP_STRUCT t{};
        if (!fixed(index, SQL_C_TYPE_TIMESTAMP, t)) return Variant::null();
        return Variant::date(serialFromTimestamp(t));
      }
      default: {
        std::optional<std::u16string> text = wideText(index);
        if (!text) return Variant::null();
        return Variant(utf8FromUtf16(*text));
      }
    }
  }

  ado::RowsetData rowset(SQLSMALLINT columnCount) const {
    ado::RowsetData data;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columnCount); ++i)
      data.columns.push_back(columnMetaFor(describeColumn(i), provider_));
    for (;;) {
      SQLRETURN rc = SQLFetch(stmt_);
      if (rc == SQL_NO_DATA) break;
      check(rc, "A row could not be fetched.");
      std::vector<Variant> row;
      row.reserve(data.columns.size());
      for (size_t i = 0; i < data.columns.size(); ++i)
        row.push_back(value(static_cast<SQLUSMALLINT>(i + 1), data.columns[i].type));
      data.rows.push_back(std::move(row));
    }
    return data;
  }

 private:
  SQLHSTMT stmt_;
  const std::string& provider_;
};

}  // namespace

std::vector<ado::BatchItem> readResults(SQLHSTMT stmt, SQLRETURN executed, const std::string& provider) {
  Reader reader(stmt, provider);
  std::vector<ado::BatchItem> items;
  // SQL_NO_DATA from the execution itself is a statement that touched no row;
  // from SQLMoreResults it is the end of the batch.
  bool first = true;
  for (SQLRETURN rc = executed;; rc = SQLMoreResults(stmt), first = false) {
    if (rc == SQL_NO_DATA && !first) break;
    reader.check(rc, "The statement failed.");
    SQLSMALLINT columns = 0;
    reader.check(SQLNumResultCols(stmt, &columns), "The results could not be described.");
    ado::BatchItem item;
    if (columns > 0) {
      item.isRowset = true;
      item.rowset = reader.rowset(columns);
      items.push_back(std::move(item));
      continue;
    }
    SQLLEN count = -1;
    reader.check(SQLRowCount(stmt, &count), "The count of affected rows could not be read.");
    if (count >= 0) {
      item.rowCount = count;
      items.push_back(std::move(item));
    }
  }
  return items;
}

}  // namespace mls::odbc
