#include "platform/odbc/parameters.h"

#include <sqlucode.h>

#include <algorithm>

#include "platform/ado/errors.h"
#include "platform/com/error.h"
#include "platform/odbc/diagnostics.h"
#include "platform/odbc/text.h"
#include "platform/odbc/values.h"

namespace mls::odbc {

namespace {

using ado::DataType;

// A value of a fixed-size C type.
void declare(BoundValue& b, SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN columnSize,
             SQLSMALLINT digits = 0) {
  b.cType = cType;
  b.sqlType = sqlType;
  b.columnSize = columnSize;
  b.decimalDigits = digits;
}

void bindText(BoundValue& b, const ado::ParameterValue& p, const std::string& text) {
  bool unicode =
      p.type == DataType::WChar || p.type == DataType::VarWChar || p.type == DataType::LongVarWChar;
  bool fixed = p.type == DataType::Char || p.type == DataType::WChar;
  bool isLong = p.type == DataType::LongVarChar || p.type == DataType::LongVarWChar;
  b.wideText = utf16FromUtf8(text);
  b.cType = SQL_C_WCHAR;
  b.indicator = static_cast<SQLLEN>(b.wideText.size() * sizeof(char16_t));
  size_t length = std::max({static_cast<size_t>(std::max(p.size, 0)), b.wideText.size(), size_t{1}});
  size_t limit = unicode ? 4000 : 8000;
  if (isLong || length > limit) {
    b.sqlType = unicode ? SQL_WLONGVARCHAR : SQL_LONGVARCHAR;
    b.columnSize = 0;
  } else {
    b.sqlType = unicode ? (fixed ? SQL_WCHAR : SQL_WVARCHAR) : (fixed ? SQL_CHAR : SQL_VARCHAR);
    b.columnSize = length;
  }
}

void bindDecimal(BoundValue& b, const com::Decimal& d, SQLSMALLINT sqlType) {
  b.text = d.toString();
  b.cType = SQL_C_CHAR;
  b.sqlType = sqlType;
  b.indicator = static_cast<SQLLEN>(b.text.size());
  size_t point = b.text.find('.');
  size_t digits = std::count_if(b.text.begin(), b.text.end(), [](char c) { return c >= '0' && c <= '9'; });
  size_t scale = point == std::string::npos ? 0 : b.text.size() - point - 1;
  b.columnSize = std::max<size_t>(digits, 1);
  b.decimalDigits = static_cast<SQLSMALLINT>(scale);
}

void bindValue(BoundValue& b, const ado::ParameterValue& p) {
  const com::Variant& v = p.value;
  switch (p.type) {
    case DataType::SmallInt:
      declare(b, SQL_C_SSHORT, SQL_SMALLINT, 5);
      b.smallInt = v.toInteger();
      return;
    case DataType::Integer:
      declare(b, SQL_C_SLONG, SQL_INTEGER, 10);
      b.longInt = v.toLong();
      return;
    case DataType::UnsignedTinyInt:
      declare(b, SQL_C_UTINYINT, SQL_TINYINT, 3);
      b.byte = v.toByte();
      return;
    case DataType::Boolean:
      declare(b, SQL_C_BIT, SQL_BIT, 1);
      b.byte = v.toBool() ? 1 : 0;
      return;
    case DataType::BigInt:
      declare(b, SQL_C_SBIGINT, SQL_BIGINT, 19);
      b.integer = v.toDecimal().roundHalfEven(0).toInt64Truncated();
      return;
    case DataType::Currency:
      bindDecimal(b, v.toDecimal(), SQL_DECIMAL);
      return;
    case DataType::Decimal:
    case DataType::Numeric:
      bindDecimal(b, v.toDecimal(), SQL_NUMERIC);
      return;
    case DataType::Single:
    case DataType::Double:
      declare(b, SQL_C_DOUBLE, static_cast<SQLSMALLINT>(p.type == DataType::Single ? SQL_REAL : SQL_DOUBLE),
              15);
      b.real = v.toDouble();
      return;
    case DataType::Date:
    case DataType::DBTimeStamp:
      declare(b, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3);
      b.timestamp = timestampFromSerial(v.toDate());
      return;
    case DataType::DBDate: {
      declare(b, SQL_C_TYPE_DATE, SQL_TYPE_DATE, 10);
      SQL_TIMESTAMP_STRUCT t = timestampFromSerial(v.toDate());
      b.date = {t.year, t.month, t.day};
      return;
    }
    case DataType::Char:
    case DataType::VarChar:
    case DataType::LongVarChar:
    case DataType::WChar:
    case DataType::VarWChar:
    case DataType::LongVarWChar:
      bindText(b, p, v.toString());
      return;
  }
  bindText(b, p, v.toString());
}

}  // namespace

SQLPOINTER BoundValue::buffer() {
  switch (cType) {
    case SQL_C_SSHORT:
      return &smallInt;
    case SQL_C_SLONG:
      return &longInt;
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
      return &byte;
    case SQL_C_SBIGINT:
      return &integer;
    case SQL_C_DOUBLE:
      return &real;
    case SQL_C_TYPE_TIMESTAMP:
      return &timestamp;
    case SQL_C_TYPE_DATE:
      return &date;
    case SQL_C_WCHAR:
      return wideText.data();
    default:
      return text.data();
  }
}

SQLLEN BoundValue::bufferLength() const {
  if (cType == SQL_C_WCHAR) return static_cast<SQLLEN>(wideText.size() * sizeof(char16_t));
  if (cType == SQL_C_CHAR) return static_cast<SQLLEN>(text.size());
  return 0;
}

BoundValue toBoundValue(const ado::ParameterValue& param, size_t position, const std::string& provider) {
  BoundValue b;
  if (param.value.isNull() || param.value.isEmpty()) {
    ado::ParameterValue typed = param;
    typed.value = ado::isTextType(param.type) ? com::Variant("") : com::Variant(0);
    bindValue(b, typed);
    b.indicator = SQL_NULL_DATA;
    return b;
  }
  try {
    bindValue(b, param);
  } catch (const com::ComError& e) {
    com::raise(e.number(), provider,
               "Parameter " + std::to_string(position) + (param.name.empty() ? "" : " (" + param.name + ")") +
                   ": " + e.description());
  }
  return b;
}

BoundParameters::BoundParameters(SQLHSTMT stmt, const std::vector<ado::ParameterValue>& params,
                                 const std::string& provider) {
  values_.reserve(params.size());
  for (size_t i = 0; i < params.size(); ++i)
    values_.push_back(toBoundValue(params[i], i + 1, provider));
  for (size_t i = 0; i < values_.size(); ++i) {
    BoundValue& b = values_[i];
    SQLRETURN rc =
        SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, b.cType, b.sqlType,
                         b.columnSize, b.decimalDigits, b.buffer(), b.bufferLength(), &b.indicator);
    if (!SQL_SUCCEEDED(rc)) {
      raiseDiagnostics(ado::err::kCommandFailed, provider, SQL_HANDLE_STMT, stmt,
                       "Parameter " + std::to_string(i + 1) + " could not be bound.");
    }
  }
}

}  // namespace mls::odbc
