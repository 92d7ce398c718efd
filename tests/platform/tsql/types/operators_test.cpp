#include <gtest/gtest.h>

#include "platform/tsql/types/operators.h"
#include "test_util.h"

namespace mls::tsql {
namespace {

using namespace mls::tsql::testing;

Typed op(ArithOp o, const Typed& a, const Typed& b) {
  SqlType r = arithmeticResultType(o, a.type, b.type);
  return {arithmetic(o, a.value, a.type, b.value, b.type, r), r};
}
Typed add(const Typed& a, const Typed& b) {
  return op(ArithOp::Add, a, b);
}
Typed mul(const Typed& a, const Typed& b) {
  return op(ArithOp::Multiply, a, b);
}
Typed div(const Typed& a, const Typed& b) {
  return op(ArithOp::Divide, a, b);
}
Typed mod(const Typed& a, const Typed& b) {
  return op(ArithOp::Modulo, a, b);
}

std::string typeOf(ArithOp o, SqlType a, SqlType b) {
  return decimalResultType(o, a, b).typeName();
}

TEST(DecimalResultType, FollowsThePrecisionAndScaleTable) {
  const SqlType d52 = SqlType::decimal(5, 2), d83 = SqlType::decimal(8, 3);
  EXPECT_EQ(typeOf(ArithOp::Add, d52, d83), "decimal(9,3)");
  EXPECT_EQ(typeOf(ArithOp::Subtract, d52, d83), "decimal(9,3)");
  EXPECT_EQ(typeOf(ArithOp::Multiply, d52, d83), "decimal(14,5)");
  EXPECT_EQ(typeOf(ArithOp::Divide, d52, d83), "decimal(17,11)");  // 5-2+3+max(6, 2+8+1)
  EXPECT_EQ(typeOf(ArithOp::Modulo, d52, d83), "decimal(6,3)");
  EXPECT_EQ(combineTypes(d52, d83).typeName(), "decimal(8,3)");
  // Integers take the precision of their range.
  EXPECT_EQ(typeOf(ArithOp::Add, SqlType(TypeId::Int), d52), "decimal(13,2)");
  EXPECT_EQ(typeOf(ArithOp::Multiply, SqlType(TypeId::BigInt), SqlType(TypeId::TinyInt)), "decimal(23,0)");
}

TEST(DecimalResultType, CapsAt38AndReducesTheScale) {
  const SqlType d3810 = SqlType::decimal(38, 10), d3020 = SqlType::decimal(30, 20);
  EXPECT_EQ(typeOf(ArithOp::Divide, d3810, d3810), "decimal(38,6)");
  EXPECT_EQ(typeOf(ArithOp::Multiply, d3020, d3020), "decimal(38,17)");
  EXPECT_EQ(typeOf(ArithOp::Multiply, SqlType::decimal(30, 10), SqlType::decimal(30, 10)), "decimal(38,6)");
  // Integral part over 32 digits with a scale under 6 keeps the scale.
  EXPECT_EQ(typeOf(ArithOp::Multiply, SqlType::decimal(38, 2), SqlType::decimal(10, 2)), "decimal(38,4)");
  // + and -: the integral digits stay, the scale gives way.
  EXPECT_EQ(typeOf(ArithOp::Add, d3810, d3810), "decimal(38,10)");
  EXPECT_EQ(typeOf(ArithOp::Add, SqlType::decimal(38, 0), SqlType::decimal(38, 38)), "decimal(38,0)");
  EXPECT_EQ(combineTypes(SqlType::decimal(38, 0), SqlType::decimal(38, 38)).typeName(), "decimal(38,0)");
  EXPECT_EQ(sumType(SqlType::decimal(10, 3)).typeName(), "decimal(38,3)");
  EXPECT_EQ(avgType(SqlType::decimal(10, 3)).typeName(), "decimal(38,6)");
  EXPECT_EQ(avgType(SqlType::decimal(10, 8)).typeName(), "decimal(38,8)");
}

TEST(DecimalArithmetic, GivesTheDocumentedValues) {
  Typed r = mul(dec("0.0000009000", 30, 10), dec("1.0000000000", 30, 10));
  EXPECT_EQ(r.type.typeName(), "decimal(38,6)");
  EXPECT_EQ(show(r.value), "0.000001");
  r = div(dec("1.67574", 38, 10), dec("10000", 38, 10));
  EXPECT_EQ(r.type.typeName(), "decimal(38,6)");
  EXPECT_EQ(show(r.value), "0.000167");
  r = add(num("12.345"), num("1"));
  EXPECT_EQ(r.type.typeName(), "decimal(14,3)");  // 1 is int: decimal(10,0)
  EXPECT_EQ(show(r.value), "13.345");
  EXPECT_EQ(show(div(num("1"), num("3.0")).value), "0.333333");
  EXPECT_EQ(show(mod(num("-7.5"), num("2")).value), "-1.5");
}

TEST(Arithmetic, IntegerDivisionAndModuloSigns) {
  EXPECT_EQ(show(div(integer(38), integer(5)).value), "7");
  EXPECT_EQ(show(div(integer(-7), integer(2)).value), "-3");
  EXPECT_EQ(show(div(integer(7), integer(-2)).value), "-3");
  EXPECT_EQ(show(mod(integer(-7), integer(3)).value), "-1");
  EXPECT_EQ(show(mod(integer(7), integer(-3)).value), "1");
  EXPECT_EQ(div(integer(1), integer(2)).type.typeName(), "int");
}

TEST(Arithmetic, RaisesDivideByZeroAndOverflow) {
  EXPECT_EQ(errorOf([] { div(integer(1), integer(0)); }), 8134);
  EXPECT_EQ(errorOf([] { mod(integer(1), integer(0)); }), 8134);
  EXPECT_EQ(errorOf([] { div(num("1.5"), num("0.0")); }), 8134);
  EXPECT_EQ(errorOf([] { div(as(num("1"), SqlType(TypeId::Float)), integer(0)); }), 8134);
  EXPECT_EQ(errorOf([] { add(integer(2147483647), integer(1)); }), 8115);
  EXPECT_EQ(errorOf([] { mul(integer(65536), integer(65536)); }), 8115);
  Typed ten = as(integer(10), SqlType(TypeId::BigInt));
  EXPECT_EQ(show(mul(integer(65536), as(integer(65536), SqlType(TypeId::BigInt))).value), "4294967296");
  EXPECT_EQ(
      errorOf([&] { add(as(num("255"), SqlType(TypeId::TinyInt)), as(num("1"), SqlType(TypeId::TinyInt))); }),
      8115);
  EXPECT_EQ(errorOf([&] { mul(dec("99999999999999999999999999999999999999", 38, 0), ten); }), 8115);
  EXPECT_EQ(errorOf([] { negate(Value::integer(INT32_MIN), SqlType(TypeId::Int)); }), 8115);
}

TEST(Arithmetic, ConvertsTextByPrecedence) {
  Typed r = add(text("12"), integer(1));
  EXPECT_EQ(r.type.typeName(), "int");
  EXPECT_EQ(show(r.value), "13");
  EXPECT_EQ(show(add(text(" 12 "), integer(1)).value), "13");
  try {
    add(text("abc"), integer(1));
    FAIL() << "no error";
  } catch (const SqlError& e) {
    EXPECT_EQ(e.number(), 245);
    EXPECT_EQ(e.message(), "Conversion failed when converting the varchar value 'abc' to data type int.");
  }
  EXPECT_EQ(show(add(text("1.5"), as(num("1"), SqlType(TypeId::Float))).value), "2.5");
  EXPECT_EQ(errorOf([] { add(text("x"), num("1.5")); }), 8114);
  // Two strings do not subtract.
  EXPECT_EQ(errorOf([] { op(ArithOp::Subtract, text("5"), text("2")); }), 402);
  EXPECT_EQ(errorOf([] { mod(as(num("5"), SqlType(TypeId::Float)), integer(2)); }), 402);
}

TEST(Arithmetic, ConcatenatesStringsAndPropagatesNull) {
  Typed r = add(text("ab"), text("cde"));
  EXPECT_EQ(r.type.typeName(), "varchar(5)");
  EXPECT_EQ(show(r.value), "abcde");
  EXPECT_EQ(add(text("ab"), ntext("成本")).type.typeName(), "nvarchar(4)");
  EXPECT_TRUE(add(text("ab"), {Value(), SqlType::varchar(3)}).value.isNull());
  EXPECT_TRUE(add(null(), integer(1)).value.isNull());
  EXPECT_EQ(add(null(), integer(1)).type.typeName(), "int");
  EXPECT_EQ(arithmeticResultType(ArithOp::Add, SqlType::varchar(6000), SqlType::varchar(6000)).typeName(),
            "varchar(8000)");
  EXPECT_EQ(
      arithmeticResultType(ArithOp::Add, SqlType::varchar(SqlType::kMax), SqlType::varchar(2)).typeName(),
      "varchar(max)");
}

TEST(Arithmetic, MoneyFloatAndDates) {
  Typed m = as(num("10.25"), SqlType(TypeId::Money));
  Typed r = mul(m, integer(3));
  EXPECT_EQ(r.type.typeName(), "money");
  EXPECT_EQ(show(r.value), "30.7500");
  EXPECT_EQ(add(m, num("1.5")).type.typeName(), "decimal(20,4)");
  Typed f = add(as(num("0.5"), SqlType(TypeId::Real)), integer(1));
  EXPECT_EQ(f.type.typeName(), "real");
  Typed day = as(text("2024-02-28 18:00"), SqlType(TypeId::DateTime));
  Typed next = add(day, integer(1));
  EXPECT_EQ(next.type.typeName(), "datetime");
  EXPECT_EQ(show(next.value), "2024-02-29 18:00:00.000");
  EXPECT_EQ(show(add(day, num("0.25")).value), "2024-02-29 00:00:00.000");
  EXPECT_EQ(show(op(ArithOp::Subtract, day, integer(59)).value), "2023-12-31 18:00:00.000");
  EXPECT_EQ(errorOf([&] { mul(day, integer(2)); }), 8117);
  EXPECT_EQ(errorOf([&] { add(as(text("9999-12-31"), SqlType(TypeId::DateTime)), integer(1)); }), 517);
}

TEST(Comparison, ConvertsToTheHigherTypeAndIgnoresCaseAndTrailingSpaces) {
  auto cmp = [](const Typed& a, const Typed& b) { return compareSql(a.value, a.type, b.value, b.type); };
  EXPECT_EQ(cmp(text("abc"), text("ABC  ")), 0);
  EXPECT_LT(*cmp(text("abc"), text("abd")), 0);
  EXPECT_EQ(cmp(text("10"), integer(10)), 0);
  EXPECT_LT(*cmp(text("9"), integer(10)), 0);  // as int; as text "9" > "10"
  EXPECT_EQ(errorOf([&] { cmp(text("x"), integer(1)); }), 245);
  EXPECT_EQ(cmp(text("1.50"), num("1.5")), 0);
  EXPECT_EQ(cmp(integer(2), num("2.00")), 0);
  EXPECT_LT(*cmp(num("1.999"), integer(2)), 0);
  EXPECT_EQ(cmp(text("2024-01-05"), as(text("20240105"), SqlType(TypeId::DateTime))), 0);
  EXPECT_FALSE(cmp(null(), integer(1)).has_value());
  EXPECT_EQ(comparisonType(SqlType::varchar(3), SqlType::nvarchar(5)).typeName(), "nvarchar(5)");
  EXPECT_EQ(comparisonType(SqlType::varchar(3), SqlType(TypeId::Int)).typeName(), "int");
}

TEST(Comparison, ThreeValuedLogic) {
  const Bool3 t = true, f = false, u = std::nullopt;
  EXPECT_EQ(and3(t, u), u);
  EXPECT_EQ(and3(f, u), f);
  EXPECT_EQ(or3(t, u), t);
  EXPECT_EQ(or3(f, u), u);
  EXPECT_EQ(not3(u), u);
  EXPECT_EQ(not3(f), t);
}

TEST(CombineTypes, HigherPrecedenceWins) {
  EXPECT_EQ(combineTypes(SqlType(TypeId::Int), SqlType::varchar(10)).typeName(), "int");
  EXPECT_EQ(combineTypes(SqlType::varchar(3), SqlType::string(TypeId::NChar, 5)).typeName(), "nvarchar(5)");
  EXPECT_EQ(combineTypes(SqlType::string(TypeId::Char, 3), SqlType::string(TypeId::Char, 5)).typeName(),
            "char(5)");
  EXPECT_EQ(combineTypes(SqlType(TypeId::Null), SqlType(TypeId::Money)).typeName(), "money");
  EXPECT_EQ(combineTypes(SqlType(TypeId::Int), SqlType(TypeId::Float)).typeName(), "float");
  EXPECT_EQ(combineTypes(SqlType(TypeId::Int), SqlType::decimal(5, 2)).typeName(), "decimal(12,2)");
  EXPECT_EQ(errorOf([] { combineTypes(SqlType(TypeId::Date), SqlType(TypeId::Int)); }), 206);
}

TEST(ValueHash, ConsistentWithEquality) {
  EXPECT_EQ(hashValue(Value::string("Abc  ")), hashValue(Value::string("aBC")));
  EXPECT_EQ(hashValue(Value::decimal(*Decimal128::parse("1.500"))),
            hashValue(Value::decimal(*Decimal128::parse("1.5"))));
  EXPECT_EQ(hashValue(Value::decimal(*Decimal128::parse("7.00"))), hashValue(Value::integer(7)));
  EXPECT_EQ(compareValues(Value::integer(7), Value::decimal(*Decimal128::parse("7.00"))), 0);
}

}  // namespace
}  // namespace mls::tsql
