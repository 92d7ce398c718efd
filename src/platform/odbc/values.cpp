#include "platform/odbc/values.h"

#include <sqlucode.h>

#include <cmath>

#include "platform/ado/errors.h"
#include "platform/com/error.h"
#include "platform/common/civil_date.h"

namespace mls::odbc {

namespace {

using ado::DataType;
using u128 = unsigned __int128;

// SQL Server's own type codes (not in the ODBC headers).
constexpr SQLSMALLINT kSsVariant = -150;
constexpr SQLSMALLINT kSsXml = -152;
constexpr SQLSMALLINT kSsTime2 = -154;
constexpr SQLSMALLINT kSsTimestampOffset = -155;

constexpr int32_t kLongSize = 2147483647;
constexpr int64_t kMillisPerDay = 86400000;
const int64_t kEpochDays = civil::daysFromCivil(1899, 12, 30);

ado::ColumnMeta meta(const OdbcColumn& c, DataType type, int32_t size, int precision, int scale) {
  ado::ColumnMeta m;
  m.name = c.name;
  m.type = type;
  m.definedSize = size;
  m.precision = static_cast<uint8_t>(precision);
  m.numericScale = static_cast<uint8_t>(scale);
  return m;
}

// Text columns: the legacy long types (text, ntext), and a size of 0 or one
// beyond any fixed length (the (max) types), are long.
ado::ColumnMeta textMeta(const OdbcColumn& c, DataType type, DataType longType) {
  bool legacyLong = c.sqlType == SQL_LONGVARCHAR || c.sqlType == SQL_WLONGVARCHAR;
  if (legacyLong || c.columnSize == 0 || c.columnSize > 8000) return meta(c, longType, kLongSize, 255, 255);
  return meta(c, type, static_cast<int32_t>(c.columnSize), 255, 255);
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

ado::ColumnMeta columnMetaFor(const OdbcColumn& c, const std::string& provider) {
  switch (c.sqlType) {
    case SQL_BIT:
      return meta(c, DataType::Boolean, 2, 255, 255);
    case SQL_TINYINT:
      return meta(c, DataType::UnsignedTinyInt, 1, 3, 255);
    case SQL_SMALLINT:
      return meta(c, DataType::SmallInt, 2, 5, 255);
    case SQL_INTEGER:
      return meta(c, DataType::Integer, 4, 10, 255);
    case SQL_BIGINT:
      return meta(c, DataType::BigInt, 8, 19, 255);
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      if (c.typeName == "money" || c.typeName == "smallmoney")
        return meta(c, DataType::Currency, 8, c.typeName == "money" ? 19 : 10, 4);
      return meta(c, DataType::Numeric, 19, static_cast<int>(c.columnSize), c.decimalDigits);
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return meta(c, DataType::Double, 8, 15, 255);
    case SQL_REAL:
      return meta(c, DataType::Single, 4, 7, 255);
    case SQL_CHAR:
      return textMeta(c, DataType::Char, DataType::LongVarChar);
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
      return textMeta(c, c.sqlType == SQL_VARCHAR ? DataType::VarChar : DataType::LongVarChar,
                      DataType::LongVarChar);
    case SQL_WCHAR:
      return textMeta(c, DataType::WChar, DataType::LongVarWChar);
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
      return textMeta(c, c.sqlType == SQL_WVARCHAR ? DataType::VarWChar : DataType::LongVarWChar,
                      DataType::LongVarWChar);
    case kSsXml:
      return meta(c, DataType::LongVarWChar, kLongSize, 255, 255);
    case SQL_GUID:
      return meta(c, DataType::WChar, 38, 255, 255);
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATETIME:
      return meta(c, DataType::DBTimeStamp, 16, static_cast<int>(c.columnSize), c.decimalDigits);
    case SQL_TYPE_DATE:
      return meta(c, DataType::DBDate, 6, 10, 0);
    case SQL_TYPE_TIME:
    case kSsTime2:
    case kSsTimestampOffset:
    case kSsVariant:
      return textMeta(c, DataType::VarWChar, DataType::LongVarWChar);
    default:
      break;
  }
  com::raise(ado::err::kCommandFailed, provider,
             "Column '" + c.name + "' has type " +
                 (c.typeName.empty() ? std::to_string(c.sqlType) : c.typeName) +
                 ", which this provider cannot read.");
}

com::Decimal parseDecimalText(std::string_view text, const std::string& provider) {
  std::string_view s = text;
  while (!s.empty() && s.front() == ' ')
    s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ')
    s.remove_suffix(1);
  bool negative = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  size_t point = s.find('.');
  std::string_view whole = s.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? std::string_view() : s.substr(point + 1);
  bool valid = !whole.empty() || !fraction.empty();
  for (char c : whole)
    valid = valid && isDigit(c);
  for (char c : fraction)
    valid = valid && isDigit(c);
  if (!valid) {
    com::raise(ado::err::kCommandFailed, provider,
               "The server sent '" + std::string(text) + "' for a decimal value, which is not a number.");
  }
  while (whole.size() > 1 && whole.front() == '0')
    whole.remove_prefix(1);

  constexpr u128 kLimit = u128{1} << 96;
  if (whole.size() <= 29) {
    for (int scale = static_cast<int>(std::min<size_t>(fraction.size(), com::Decimal::kMaxScale)); scale >= 0;
         --scale) {
      u128 m = 0;
      for (char c : whole)
        m = m * 10 + static_cast<unsigned>(c - '0');
      for (int i = 0; i < scale; ++i)
        m = m * 10 + static_cast<unsigned>(fraction[static_cast<size_t>(i)] - '0');
      if (static_cast<size_t>(scale) < fraction.size() && fraction[static_cast<size_t>(scale)] >= '5') ++m;
      if (m < kLimit) return com::Decimal::fromParts(m, scale, negative && m != 0);
    }
  }
  com::raise(com::err::kOverflow, provider,
             "Overflow: the value " + std::string(text) + " does not fit a Variant Decimal");
}

double serialFromTimestamp(const SQL_TIMESTAMP_STRUCT& t) {
  int64_t days = civil::daysFromCivil(t.year, t.month, t.day) - kEpochDays;
  int64_t millis =
      ((t.hour * 60 + t.minute) * 60 + t.second) * int64_t{1000} + (t.fraction + 500000) / 1000000;
  double time = static_cast<double>(millis) / static_cast<double>(kMillisPerDay);
  return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

SQL_TIMESTAMP_STRUCT timestampFromSerial(double serial) {
  double whole = std::trunc(serial);
  auto days = static_cast<int64_t>(whole);
  int64_t millis = std::llround(std::fabs(serial - whole) * static_cast<double>(kMillisPerDay));
  if (millis >= kMillisPerDay) {  // rounds up to the next midnight
    millis -= kMillisPerDay;
    days += 1;
  }
  int year = 0, month = 0, day = 0;
  civil::civilFromDays(days + kEpochDays, year, month, day);
  SQL_TIMESTAMP_STRUCT t{};
  t.year = static_cast<SQLSMALLINT>(year);
  t.month = static_cast<SQLUSMALLINT>(month);
  t.day = static_cast<SQLUSMALLINT>(day);
  t.hour = static_cast<SQLUSMALLINT>(millis / 3600000);
  t.minute = static_cast<SQLUSMALLINT>(millis / 60000 % 60);
  t.second = static_cast<SQLUSMALLINT>(millis / 1000 % 60);
  t.fraction = static_cast<SQLUINTEGER>(millis % 1000 * 1000000);
  return t;
}

}  // namespace mls::odbc
