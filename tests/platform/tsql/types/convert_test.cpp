#include <gtest/gtest.h>

#include "test_util.h"

namespace mls::tsql {
namespace {

using namespace mls::tsql::testing;

std::string cast(const Typed& v, const SqlType& to) {
  return show(castValue(v.value, v.type, to));
}
std::string convert(const Typed& v, const SqlType& to, int style) {
  return show(convertValue(v.value, v.type, to, style));
}
int castError(const Typed& v, const SqlType& to) {
  return errorOf([&] { castValue(v.value, v.type, to); });
}

const SqlType kInt(TypeId::Int);
const SqlType kDateTime(TypeId::DateTime);

TEST(Cast, NumbersToIntegersTruncate) {
  EXPECT_EQ(cast(num("10.6496"), kInt), "10");
  EXPECT_EQ(cast(num("-10.6496"), kInt), "-10");
  EXPECT_EQ(cast(as(num("10.99e0"), SqlType(TypeId::Float)), kInt), "10");
  EXPECT_EQ(cast(as(num("-10.99e0"), SqlType(TypeId::Float)), kInt), "-10");
  EXPECT_EQ(cast(num("2"), SqlType(TypeId::Bit)), "1");
  EXPECT_EQ(cast(text("false"), SqlType(TypeId::Bit)), "0");
  // Money rounds.
  EXPECT_EQ(cast(as(num("2.5"), SqlType(TypeId::Money)), kInt), "3");
}

TEST(Cast, IntegerOverflow) {
  EXPECT_EQ(castError(num("2147483648"), kInt), 8115);
  EXPECT_EQ(castError(integer(300), SqlType(TypeId::TinyInt)), 220);
  EXPECT_EQ(castError(integer(-1), SqlType(TypeId::TinyInt)), 220);
  EXPECT_EQ(castError(as(num("1e10"), SqlType(TypeId::Float)), kInt), 232);
  EXPECT_EQ(castError(text("99999999999"), kInt), 248);
}

TEST(Cast, TextToNumbers) {
  EXPECT_EQ(cast(text("  42 "), kInt), "42");
  EXPECT_EQ(cast(text("-7"), kInt), "-7");
  EXPECT_EQ(cast(text(""), kInt), "0");
  EXPECT_EQ(castError(text("1.5"), kInt), 245);
  EXPECT_EQ(castError(text("abc"), kInt), 245);
  EXPECT_EQ(castError(text("-"), kInt), 245);
  EXPECT_EQ(cast(text(" 12.345 "), SqlType::decimal(10, 2)), "12.35");
  try {
    castValue(Value::string(""), SqlType::varchar(1), SqlType::decimal(10, 2));
    FAIL() << "no error";
  } catch (const SqlError& e) {
    EXPECT_EQ(e.number(), 8114);
    EXPECT_EQ(e.message(), "Error converting data type varchar to numeric.");
  }
  EXPECT_EQ(castError(text("1e5"), SqlType::decimal(10, 2)), 8114);
  EXPECT_EQ(castError(text("123456"), SqlType::decimal(5, 2)), 8115);
  EXPECT_EQ(cast(text("1e3"), SqlType(TypeId::Float)), "1000");
  EXPECT_EQ(castError(text("1x"), SqlType(TypeId::Float)), 8114);
  EXPECT_EQ(cast(text("$12.5"), SqlType(TypeId::Money)), "12.5000");
  EXPECT_EQ(castError(text("twelve"), SqlType(TypeId::Money)), 235);
}

TEST(Cast, DecimalsRoundToASmallerScaleAndCheckPrecision) {
  EXPECT_EQ(cast(num("10.6496"), SqlType::decimal(18, 0)), "11");
  EXPECT_EQ(cast(num("-2.345"), SqlType::decimal(5, 2)), "-2.35");
  EXPECT_EQ(cast(num("1.5"), SqlType::decimal(5, 3)), "1.500");
  try {
    castValue(num("123.45").value, num("123.45").type, SqlType::decimal(3, 1));
    FAIL() << "no error";
  } catch (const SqlError& e) {
    EXPECT_EQ(e.number(), 8115);
    EXPECT_EQ(e.message(), "Arithmetic overflow error converting numeric to data type numeric.");
  }
  EXPECT_EQ(castError(integer(1000), SqlType::decimal(3, 0)), 8115);
  // Rounding up may need one more digit than there is room for.
  EXPECT_EQ(castError(num("9.96"), SqlType::decimal(2, 1)), 8115);
  EXPECT_EQ(cast(as(num("0.1e0"), SqlType(TypeId::Float)), SqlType::decimal(10, 4)), "0.1000");
}

TEST(Cast, NumbersToText) {
  EXPECT_EQ(cast(integer(12345), SqlType::varchar(30)), "12345");
  // Integers too long for char give '*'; for nchar and for decimals it is an error.
  EXPECT_EQ(cast(integer(12345), SqlType::varchar(3)), "*");
  EXPECT_EQ(cast(integer(12345), SqlType::string(TypeId::Char, 3)), "*  ");  // char pads
  EXPECT_EQ(castError(integer(12345), SqlType::nvarchar(3)), 8115);
  EXPECT_EQ(castError(num("123.45"), SqlType::varchar(5)), 8115);
  EXPECT_EQ(cast(num("123.45"), SqlType::varchar(6)), "123.45");
  EXPECT_EQ(cast(num("-0.50"), SqlType::varchar(30)), "-0.50");
  EXPECT_EQ(cast(integer(7), SqlType::string(TypeId::Char, 3)), "7  ");
  EXPECT_EQ(cast(as(num("1234.5"), SqlType(TypeId::Money)), SqlType::varchar(30)), "1234.50");
  EXPECT_EQ(convert(as(num("1234567.891"), SqlType(TypeId::Money)), SqlType::varchar(30), 1), "1,234,567.89");
  EXPECT_EQ(convert(as(num("1234.5"), SqlType(TypeId::Money)), SqlType::varchar(30), 2), "1234.5000");
}

TEST(Cast, FloatText) {
  EXPECT_EQ(floatToText(123456.0), "123456");
  EXPECT_EQ(floatToText(1234567.0), "1.23457e+006");
  EXPECT_EQ(floatToText(0.0001), "0.0001");
  EXPECT_EQ(floatToText(0.00001), "1e-005");
  EXPECT_EQ(floatToText(-2.5), "-2.5");
  EXPECT_EQ(floatToText(1234.5678, 1), "1.2345678e+003");
}

TEST(Cast, TextToTextTruncatesSilentlyButAssignmentRaises8152) {
  Typed v = text("abcdef");
  EXPECT_EQ(cast(v, SqlType::varchar(3)), "abc");
  EXPECT_EQ(cast(ntext("成本会计"), SqlType::nvarchar(2)), "成本");
  try {
    assignToColumn(v.value, v.type, SqlType::varchar(3));
    FAIL() << "no error";
  } catch (const SqlError& e) {
    EXPECT_EQ(e.number(), 8152);
    EXPECT_EQ(e.message(), "String or binary data would be truncated.");
  }
  // Characters, not bytes, count; trailing spaces past the length are dropped.
  EXPECT_EQ(show(assignToColumn(Value::string("成本会计"), SqlType::nvarchar(4), SqlType::nvarchar(4))),
            "成本会计");
  EXPECT_EQ(show(assignToColumn(Value::string("ab    "), SqlType::varchar(6), SqlType::varchar(3))), "ab ");
  EXPECT_EQ(show(assignToColumn(Value::string("ab"), SqlType::varchar(2), SqlType::string(TypeId::Char, 4))),
            "ab  ");
  EXPECT_EQ(show(assignToColumn(Value::integer(5), kInt, SqlType::decimal(5, 2))), "5.00");
  EXPECT_TRUE(assignToColumn(Value(), SqlType(TypeId::Null), kInt).isNull());
  EXPECT_EQ(errorOf([] { assignToColumn(Value::string("x"), SqlType::varchar(1), SqlType(TypeId::Int)); }),
            245);
}

TEST(Cast, TextToDateTimeReadsYearMonthDay) {
  EXPECT_EQ(cast(text("2024-03-05"), kDateTime), "2024-03-05 00:00:00.000");
  EXPECT_EQ(cast(text("20240305"), kDateTime), "2024-03-05 00:00:00.000");
  EXPECT_EQ(cast(text("2024/3/5 14:07"), kDateTime), "2024-03-05 14:07:00.000");
  EXPECT_EQ(cast(text(" 2024-03-05 14:07:09.5 "), kDateTime), "2024-03-05 14:07:09.500");
  EXPECT_EQ(cast(text("2024-03-05T14:07:09"), kDateTime), "2024-03-05 14:07:09.000");
  EXPECT_EQ(cast(text("2024-03-05 2:07PM"), kDateTime), "2024-03-05 14:07:00.000");
  EXPECT_EQ(cast(text("10:30"), kDateTime), "1900-01-01 10:30:00.000");
  EXPECT_EQ(cast(text(""), kDateTime), "1900-01-01 00:00:00.000");
  for (const char* bad : {"05/03/2024", "2024-03", "March 5", "2024-03-05 25:00", "2024-03-05x", "12345"}) {
    EXPECT_EQ(castError(text(bad), kDateTime), 241) << bad;
  }
  EXPECT_EQ(castError(text("2023-02-29"), kDateTime), 242);
  EXPECT_EQ(castError(text("1700-01-01"), kDateTime), 242);
  EXPECT_EQ(cast(text("1700-01-01"), SqlType(TypeId::Date)), "1700-01-01 00:00:00.000");
  EXPECT_EQ(convert(text("05/03/2024"), kDateTime, 103), "2024-03-05 00:00:00.000");
  EXPECT_EQ(convert(text("05/03/2024"), kDateTime, 101), "2024-05-03 00:00:00.000");
}

TEST(Cast, DateTimeAccuracy) {
  // Milliseconds round to the 1/300 s the type keeps.
  EXPECT_EQ(cast(text("2024-01-01 23:59:59.999"), kDateTime), "2024-01-02 00:00:00.000");
  EXPECT_EQ(cast(text("2024-01-01 00:00:00.995"), kDateTime), "2024-01-01 00:00:00.997");
  EXPECT_EQ(cast(text("2024-01-01 00:00:00.994"), kDateTime), "2024-01-01 00:00:00.993");
  EXPECT_EQ(cast(text("2024-01-01 00:00:00.991"), kDateTime), "2024-01-01 00:00:00.990");
  EXPECT_EQ(cast(text("2024-01-01 00:00:00.002"), kDateTime), "2024-01-01 00:00:00.003");
  // SMALLDATETIME rounds to the minute, DATE drops the time.
  EXPECT_EQ(cast(text("2024-01-01 10:00:29.998"), SqlType(TypeId::SmallDateTime)), "2024-01-01 10:00:00.000");
  EXPECT_EQ(cast(text("2024-01-01 10:00:29.999"), SqlType(TypeId::SmallDateTime)), "2024-01-01 10:01:00.000");
  EXPECT_EQ(cast(text("2024-01-01 23:59"), SqlType(TypeId::Date)), "2024-01-01 00:00:00.000");
  EXPECT_EQ(cast(integer(1), kDateTime), "1900-01-02 00:00:00.000");
  EXPECT_EQ(cast(as(text("1900-01-03 18:00"), kDateTime), kInt), "3");  // noon and later round up
  EXPECT_EQ(castError(integer(1), SqlType(TypeId::Date)), 529);
  EXPECT_EQ(errorOf([] { implicitConvert(Value::dateTime(DateTime()), kDateTime, kInt); }), 257);
}

TEST(Convert, DateTimeStyles) {
  Typed t = as(text("2024-03-05 14:07:09.123"), kDateTime);
  const SqlType vc = SqlType::varchar(30);
  EXPECT_EQ(cast(t, vc), "Mar  5 2024  2:07PM");
  EXPECT_EQ(convert(t, vc, 100), "Mar  5 2024  2:07PM");
  EXPECT_EQ(convert(t, vc, 20), "2024-03-05 14:07:09");
  EXPECT_EQ(convert(t, vc, 120), "2024-03-05 14:07:09");
  EXPECT_EQ(convert(t, vc, 21), "2024-03-05 14:07:09.123");
  EXPECT_EQ(convert(t, vc, 121), "2024-03-05 14:07:09.123");
  EXPECT_EQ(convert(t, vc, 23), "2024-03-05");
  EXPECT_EQ(convert(t, vc, 101), "03/05/2024");
  EXPECT_EQ(convert(t, vc, 102), "2024.03.05");
  EXPECT_EQ(convert(t, vc, 103), "05/03/2024");
  EXPECT_EQ(convert(t, vc, 111), "2024/03/05");
  EXPECT_EQ(convert(t, vc, 112), "20240305");
  EXPECT_EQ(convert(t, vc, 108), "14:07:09");
  EXPECT_EQ(convert(t, vc, 14), "14:07:09:123");
  EXPECT_EQ(convert(t, vc, 114), "14:07:09:123");
  EXPECT_EQ(convert(t, SqlType::varchar(10), 120), "2024-03-05");
  EXPECT_EQ(convert(as(text("2024-12-25 00:05"), kDateTime), vc, 0), "Dec 25 2024 12:05AM");
  EXPECT_EQ(cast(as(text("2024-12-25"), SqlType(TypeId::Date)), vc), "2024-12-25");
  EXPECT_EQ(errorOf([&] { convertValue(t.value, t.type, vc, 99); }), 281);
}

TEST(Literals, NumericLiteralTypes) {
  EXPECT_EQ(num("12.345").type.typeName(), "decimal(5,3)");
  EXPECT_EQ(num("0.5").type.typeName(), "decimal(1,1)");
  EXPECT_EQ(num("0.000").type.typeName(), "decimal(3,3)");
  EXPECT_EQ(num("123.9995").type.typeName(), "decimal(7,4)");
  EXPECT_EQ(num("2147483647").type.typeName(), "int");
  EXPECT_EQ(num("2147483648").type.typeName(), "decimal(10,0)");
  EXPECT_EQ(num("1.5e3").type.typeName(), "float");
  EXPECT_EQ(errorOf([] { numericLiteral("1234567890123456789012345678901234567890"); }), 1007);
  EXPECT_EQ(stringLiteralType("成本", true).typeName(), "nvarchar(2)");
  EXPECT_EQ(stringLiteralType("", false).typeName(), "varchar(1)");
}

TEST(SqlTypeNames, ParseAndPrint) {
  EXPECT_EQ(SqlType::fromName("NUMERIC", {18, 2}).typeName(), "decimal(18,2)");
  EXPECT_EQ(SqlType::fromName("decimal").typeName(), "decimal(18,0)");
  EXPECT_EQ(SqlType::fromName("float", {24}).typeName(), "real");
  EXPECT_EQ(SqlType::fromName("float", {25}).typeName(), "float");
  EXPECT_EQ(SqlType::fromName("Float").typeName(), "float");
  EXPECT_EQ(SqlType::fromName("varchar").typeName(), "varchar(1)");
  EXPECT_EQ(SqlType::fromName("nvarchar", {SqlType::kMax}).typeName(), "nvarchar(max)");
  EXPECT_EQ(SqlType::fromName("ntext").typeName(), "nvarchar(max)");
  EXPECT_EQ(SqlType::fromName("integer").typeName(), "int");
  EXPECT_EQ(castTargetType("varchar", {}).typeName(), "varchar(30)");
  EXPECT_EQ(errorOf([] { SqlType::fromName("numeric", {39, 2}); }), 2750);
  EXPECT_EQ(errorOf([] { SqlType::fromName("numeric", {5, 6}); }), 183);
  EXPECT_EQ(errorOf([] { SqlType::fromName("varchar", {8001}); }), 131);
  EXPECT_EQ(errorOf([] { SqlType::fromName("char", {SqlType::kMax}); }), 131);
  EXPECT_EQ(errorOf([] { SqlType::fromName("int", {4}); }), 2716);
  EXPECT_EQ(errorOf([] { SqlType::fromName("blob"); }), 243);
  EXPECT_EQ(SqlType::decimal(10, 2).length, 9);
}

}  // namespace
}  // namespace mls::tsql
