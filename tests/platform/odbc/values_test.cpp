#include "platform/odbc/values.h"

#include <gtest/gtest.h>

#include <sqlucode.h>

#include "platform/ado/errors.h"
#include "platform/com/variant.h"
#include "platform/odbc/diagnostics.h"
#include "platform/odbc/text.h"
#include "support/com_errors.h"

namespace mls::odbc {
namespace {

using ado::DataType;
using mls::testing::raisedBy;

constexpr const char* kProvider = "SQLNCLI";

std::string decimalText(std::string_view text) {
  com::Decimal d = parseDecimalText(text, kProvider);
  return (d.negative() ? "-" : "") + com::Decimal::fromParts(d.mantissa(), d.scale(), false).toString() +
         "/" + std::to_string(d.scale());
}

TEST(DecimalTextTest, ReadsTheDriversTextExactly) {
  EXPECT_EQ(decimalText("12345678901234.1234567891"), "12345678901234.1234567891/10");
  EXPECT_EQ(decimalText("1234.5600"), "1234.56/4");  // money keeps its four places
  EXPECT_EQ(decimalText("-0.50"), "-0.5/2");
  EXPECT_EQ(decimalText(".5"), "0.5/1");
  EXPECT_EQ(decimalText("-.25"), "-0.25/2");
  EXPECT_EQ(decimalText(" 42 "), "42/0");
  EXPECT_EQ(decimalText("-0.000"), "0/3");  // no negative zero
  EXPECT_EQ(decimalText("0079228162514264337593543950335"), "79228162514264337593543950335/0");  // 2^96 - 1
}

TEST(DecimalTextTest, TooManyDigitsKeepWhatFitsRoundedHalfAwayFromZero) {
  // DECIMAL(38, 20): the mantissa needs more than 96 bits, so the fraction is cut.
  EXPECT_EQ(decimalText("123456789012345678.12345678901234567890"), "123456789012345678.12345678901/11");
  // More than 28 places: cut to 28, rounded on the first dropped digit only.
  EXPECT_EQ(decimalText("0.12345678901234567890123456785"), "0.1234567890123456789012345679/28");
  EXPECT_EQ(decimalText("-0.12345678901234567890123456785"), "-0.1234567890123456789012345679/28");
  EXPECT_EQ(decimalText("0.12345678901234567890123456784999"), "0.1234567890123456789012345678/28");
  EXPECT_EQ(decimalText("79228162514264337593543950334.5"), "79228162514264337593543950335/0");
}

TEST(DecimalTextTest, OverflowAndGarbageRaise) {
  for (const char* text : {"79228162514264337593543950336", "79228162514264337593543950335.5",
                           "-123456789012345678901234567890"}) {
    com::ComError e = raisedBy([&] { parseDecimalText(text, kProvider); });
    EXPECT_EQ(e.number(), com::err::kOverflow) << text;
    EXPECT_EQ(e.source(), kProvider);
  }
  for (const char* text : {"", "-", ".", "1.2.3", "1e5", "12a", "--1"}) {
    com::ComError e = raisedBy([&] { parseDecimalText(text, kProvider); });
    EXPECT_EQ(e.number(), ado::err::kCommandFailed) << text;
    EXPECT_EQ(e.source(), kProvider);
  }
}

TEST(ColumnMetaTest, SqlTypesMapToTheLayersTypes) {
  struct Case {
    OdbcColumn column;
    DataType type;
    int32_t size;
    int precision;
    int scale;
  };
  constexpr int32_t kLong = 2147483647;
  for (const Case& c : std::vector<Case>{
           {{"FInt", SQL_INTEGER, 10, 0, "int"}, DataType::Integer, 4, 10, 255},
           {{"FSmall", SQL_SMALLINT, 5, 0, "smallint"}, DataType::SmallInt, 2, 5, 255},
           {{"FTiny", SQL_TINYINT, 3, 0, "tinyint"}, DataType::UnsignedTinyInt, 1, 3, 255},
           {{"FBit", SQL_BIT, 1, 0, "bit"}, DataType::Boolean, 2, 255, 255},
           {{"FBig", SQL_BIGINT, 19, 0, "bigint"}, DataType::BigInt, 8, 19, 255},
           {{"FQty", SQL_DECIMAL, 28, 10, "decimal"}, DataType::Numeric, 19, 28, 10},
           {{"FNum", SQL_NUMERIC, 18, 2, "numeric"}, DataType::Numeric, 19, 18, 2},
           {{"FAmt", SQL_DECIMAL, 19, 4, "money"}, DataType::Currency, 8, 19, 4},
           {{"FSm", SQL_DECIMAL, 10, 4, "smallmoney"}, DataType::Currency, 8, 10, 4},
           {{"FRate", SQL_FLOAT, 53, 0, "float"}, DataType::Double, 8, 15, 255},
           {{"FReal", SQL_REAL, 24, 0, "real"}, DataType::Single, 4, 7, 255},
           {{"FCode", SQL_CHAR, 10, 0, "char"}, DataType::Char, 10, 255, 255},
           {{"FName", SQL_VARCHAR, 80, 0, "varchar"}, DataType::VarChar, 80, 255, 255},
           {{"FNote", SQL_VARCHAR, 0, 0, "varchar"}, DataType::LongVarChar, kLong, 255, 255},
           {{"FText", SQL_LONGVARCHAR, 2147483647, 0, "text"}, DataType::LongVarChar, kLong, 255, 255},
           {{"FNName", SQL_WVARCHAR, 50, 0, "nvarchar"}, DataType::VarWChar, 50, 255, 255},
           {{"FNMax", SQL_WVARCHAR, 0, 0, "nvarchar"}, DataType::LongVarWChar, kLong, 255, 255},
           {{"FNChar", SQL_WCHAR, 3, 0, "nchar"}, DataType::WChar, 3, 255, 255},
           {{"FNText", SQL_WLONGVARCHAR, 1073741823, 0, "ntext"}, DataType::LongVarWChar, kLong, 255, 255},
           {{"FId", SQL_GUID, 36, 0, "uniqueidentifier"}, DataType::WChar, 38, 255, 255},
           {{"FWhen", SQL_TYPE_TIMESTAMP, 23, 3, "datetime"}, DataType::DBTimeStamp, 16, 23, 3},
           {{"FSmallWhen", SQL_TYPE_TIMESTAMP, 16, 0, "smalldatetime"}, DataType::DBTimeStamp, 16, 16, 0},
           {{"FDay", SQL_TYPE_DATE, 10, 0, "date"}, DataType::DBDate, 6, 10, 0},
           {{"FAt", -154, 16, 7, "time"}, DataType::VarWChar, 16, 255, 255},
           {{"FDoc", -152, 0, 0, "xml"}, DataType::LongVarWChar, kLong, 255, 255},
       }) {
    ado::ColumnMeta m = columnMetaFor(c.column, kProvider);
    EXPECT_EQ(m.name, c.column.name);
    EXPECT_EQ(m.type, c.type) << c.column.name;
    EXPECT_EQ(m.definedSize, c.size) << c.column.name;
    EXPECT_EQ(m.precision, c.precision) << c.column.name;
    EXPECT_EQ(m.numericScale, c.scale) << c.column.name;
  }
}

TEST(ColumnMetaTest, BinaryColumnsAreRefusedByName) {
  for (SQLSMALLINT type : {SQL_BINARY, SQL_VARBINARY, SQL_LONGVARBINARY}) {
    com::ComError e = raisedBy([&] { columnMetaFor({"FStamp", type, 8, 0, "timestamp"}, kProvider); });
    EXPECT_EQ(e.number(), ado::err::kCommandFailed);
    EXPECT_EQ(e.source(), kProvider);
    EXPECT_NE(e.description().find("'FStamp' has type timestamp"), std::string::npos) << e.description();
  }
}

SQL_TIMESTAMP_STRUCT stamp(int y, int mo, int d, int h, int mi, int s, int ms) {
  SQL_TIMESTAMP_STRUCT t{};
  t.year = static_cast<SQLSMALLINT>(y);
  t.month = static_cast<SQLUSMALLINT>(mo);
  t.day = static_cast<SQLUSMALLINT>(d);
  t.hour = static_cast<SQLUSMALLINT>(h);
  t.minute = static_cast<SQLUSMALLINT>(mi);
  t.second = static_cast<SQLUSMALLINT>(s);
  t.fraction = static_cast<SQLUINTEGER>(ms) * 1000000;
  return t;
}

void expectSame(const SQL_TIMESTAMP_STRUCT& a, const SQL_TIMESTAMP_STRUCT& b) {
  EXPECT_EQ(std::tuple(a.year, a.month, a.day, a.hour, a.minute, a.second, a.fraction),
            std::tuple(b.year, b.month, b.day, b.hour, b.minute, b.second, b.fraction));
}

TEST(TimestampTest, SerialsMatchTheAutomationCalendar) {
  EXPECT_EQ(serialFromTimestamp(stamp(1899, 12, 30, 0, 0, 0, 0)), 0.0);
  EXPECT_EQ(serialFromTimestamp(stamp(2024, 2, 29, 12, 0, 0, 0)), com::makeDate(2024, 2, 29, 12));
  EXPECT_EQ(serialFromTimestamp(stamp(1899, 12, 29, 6, 0, 0, 0)), -1.25);  // the time counts forward
  com::DateParts p = com::splitDate(serialFromTimestamp(stamp(1753, 1, 1, 23, 59, 59, 0)));
  EXPECT_EQ(std::tuple(p.year, p.month, p.day, p.hour, p.minute, p.second),
            std::tuple(1753, 1, 1, 23, 59, 59));
}

TEST(TimestampTest, RoundTripsToTheMillisecond) {
  for (const SQL_TIMESTAMP_STRUCT& t : {stamp(2024, 2, 29, 13, 45, 30, 123), stamp(1850, 6, 1, 6, 0, 0, 997),
                                        stamp(9999, 12, 31, 23, 59, 59, 997), stamp(1900, 1, 1, 0, 0, 0, 3)})
    expectSame(timestampFromSerial(serialFromTimestamp(t)), t);
  // A time that rounds up to midnight moves to the next day.
  expectSame(timestampFromSerial(com::makeDate(2023, 12, 31) + 0.99999999999), stamp(2024, 1, 1, 0, 0, 0, 0));
}

// Well-formed text, four-byte characters included, crosses both ways in the
// driver round trips (sqlite_driver_test.cpp).
TEST(TextTest, IllFormedInputBecomesReplacementCharacters) {
  EXPECT_EQ(utf16FromUtf8("a\xFF"
                          "b"),
            u"a\uFFFDb");
  EXPECT_EQ(utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
  EXPECT_EQ(utf16FromUtf8("x\xE2\x82"), u"x\uFFFD\uFFFD");          // cut short
  EXPECT_EQ(utf8FromUtf16(std::u16string(1, u'\xD800') + u"z"), "\xEF\xBF\xBDz");
  EXPECT_EQ(utf8FromUtf16(u"z" + std::u16string(1, u'\xDC00')), "z\xEF\xBF\xBD");
}

TEST(DiagnosticTest, DescriptionCarriesMessageStateAndNativeNumber) {
  EXPECT_EQ(stripVendorTags("[unixODBC][FreeTDS][SQL Server]Invalid object name 'TCost'."),
            "Invalid object name 'TCost'.");
  EXPECT_EQ(stripVendorTags("[FreeTDS][SQL Server] Login failed"), "Login failed");
  EXPECT_EQ(stripVendorTags("plain [not a tag]"), "plain [not a tag]");
  EXPECT_EQ(describe({{"42S02", 208, "Invalid object name 'TCost'."},
                      {"42000", 8180, "Statement(s) could not be prepared."}},
                     "fallback"),
            "Invalid object name 'TCost'. (SQLSTATE 42S02, native error 208)\n"
            "Statement(s) could not be prepared. (SQLSTATE 42000, native error 8180)");
  EXPECT_EQ(describe({{"08001", 0, "Unable to connect"}}, "fallback"), "Unable to connect (SQLSTATE 08001)");
  EXPECT_EQ(describe({}, "fallback"), "fallback");
}

}  // namespace
}  // namespace mls::odbc
