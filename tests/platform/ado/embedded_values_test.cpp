#include <gtest/gtest.h>

#include "platform/ado/embedded/markers.h"
#include "platform/ado/embedded/registration.h"
#include "platform/ado/embedded/values.h"
#include "platform/ado/fake_provider.h"

namespace mls::ado::embedded {
namespace {

using com::Variant;
using com::VarKind;
using mls::testing::raisedBy;
using tsql::SqlType;
using tsql::TypeId;
using tsql::Value;

TEST(MarkersTest, OnlyMarkersOutsideLiteralsIdentifiersAndCommentsAreRewritten) {
  MarkedText m = rewriteMarkers(
      "SELECT ?, '?''?', N'?', \"a?\"\"b\", [c?]]d], ? -- ? here\n"
      "/* ? /* nested ? */ still ? */ + ?");
  EXPECT_EQ(m.markers, 3u);
  EXPECT_EQ(m.text,
            "SELECT @P1, '?''?', N'?', \"a?\"\"b\", [c?]]d], @P2 -- ? here\n"
            "/* ? /* nested ? */ still ? */ + @P3");
  EXPECT_EQ(rewriteMarkers("SELECT 'unterminated ?").markers, 0u);
  EXPECT_EQ(rewriteMarkers("?-?").text, "@P1-@P2");
}

TEST(MarkersTest, BatchesSplitOnlyAtSemicolonsOutsideLiteralsIdentifiersAndComments) {
  using Pieces = std::vector<std::string_view>;
  EXPECT_EQ(splitStatements("INSERT T VALUES ('a;b'); -- c;d\nSELECT [x;y] /* ; */ FROM T;  ;\n"),
            (Pieces{"INSERT T VALUES ('a;b')", " -- c;d\nSELECT [x;y] /* ; */ FROM T"}));
  EXPECT_EQ(splitStatements("SELECT 1"), Pieces{"SELECT 1"});
  EXPECT_EQ(splitStatements(" ;\n; "), Pieces{});
  EXPECT_EQ(splitStatements("SELECT 'open;"), Pieces{"SELECT 'open;"});
}

TEST(EmbeddedValuesTest, DecimalsAreExactAndRoundOnlyBeyondTheVariantsDigits) {
  auto d128 = [](const char* text) { return Value::decimal(*tsql::Decimal128::parse(text)); };
  Variant v = toVariant(d128("12345678901234.1234567891"), SqlType::decimal(28, 10));
  EXPECT_EQ(v.kind(), VarKind::Decimal);
  EXPECT_EQ(v.toString(), "12345678901234.1234567891");
  EXPECT_EQ(v.toDecimal().scale(), 10);

  // 34 significant digits: the fraction keeps what 96 bits hold, rounded half away from zero.
  v = toVariant(d128("-12345678901234.12345678901234567895"), SqlType::decimal(38, 20));
  EXPECT_EQ(v.toString(), "-12345678901234.123456789012346");
  v = toVariant(d128("0.00000000000000000000000000015"), SqlType::decimal(38, 30));
  EXPECT_EQ(v.toString(), "0.0000000000000000000000000002");

  com::ComError e =
      raisedBy([&] { toVariant(d128("123456789012345678901234567890"), SqlType::decimal(38, 0)); });
  EXPECT_EQ(e.number(), com::err::kOverflow);
  EXPECT_EQ(e.source(), kEmbeddedProviderName);
}

TEST(EmbeddedValuesTest, DateSerialsRoundTripToTheTick) {
  for (tsql::DateTime t :
       {tsql::DateTime::fromParts(2024, 1, 31, 23, 59, 59, 997), tsql::DateTime::fromParts(1899, 12, 30),
        tsql::DateTime::fromParts(1900, 1, 1, 12), tsql::DateTime::fromParts(1753, 1, 1, 6, 30),
        tsql::DateTime::fromParts(9999, 12, 31)}) {
    EXPECT_EQ(fromDateSerial(toDateSerial(t)).ticks(), t.ticks());
  }
  EXPECT_EQ(toDateSerial(tsql::DateTime::fromParts(1899, 12, 29, 6)), -1.25);
  EXPECT_EQ(toDateSerial(tsql::DateTime::fromParts(1900, 1, 1, 18)), 2.75);
}

TEST(EmbeddedValuesTest, ColumnsDescribeTheirTypes) {
  struct Case {
    SqlType type;
    DataType ado;
    int32_t size;
    int precision, scale;
  };
  for (const Case& c : std::vector<Case>{
           {SqlType::decimal(28, 10), DataType::Numeric, 19, 28, 10},
           {SqlType(TypeId::Int), DataType::Integer, 4, 10, 255},
           {SqlType(TypeId::TinyInt), DataType::UnsignedTinyInt, 1, 3, 255},
           {SqlType(TypeId::Money), DataType::Currency, 8, 19, 4},
           {SqlType::varchar(30), DataType::VarChar, 30, 255, 255},
           {SqlType::nvarchar(SqlType::kMax), DataType::LongVarWChar, 2147483647, 255, 255},
           {SqlType::string(TypeId::NChar, 4), DataType::WChar, 4, 255, 255},
           {SqlType(TypeId::DateTime), DataType::DBTimeStamp, 16, 23, 3},
           {SqlType(TypeId::Null), DataType::Integer, 4, 10, 255},
       }) {
    ColumnMeta m = columnMeta(tsql::ColumnInfo{"F", c.type, true});
    EXPECT_EQ(m.name, "F");
    EXPECT_EQ(m.type, c.ado) << c.type.typeName();
    EXPECT_EQ(m.definedSize, c.size) << c.type.typeName();
    EXPECT_EQ(m.precision, c.precision) << c.type.typeName();
    EXPECT_EQ(m.numericScale, c.scale) << c.type.typeName();
  }
}

// A column's values have the kind its data type promises (Field Value edits and
// filters rely on it).
TEST(EmbeddedValuesTest, IntegerColumnsMatchTheirValues) {
  for (TypeId id :
       {TypeId::Bit, TypeId::TinyInt, TypeId::SmallInt, TypeId::Int, TypeId::BigInt, TypeId::Money}) {
    SqlType t(id);
    Value v = id == TypeId::Money ? Value::decimal(tsql::Decimal128(10000, 4)) : Value::integer(1);
    EXPECT_EQ(toVariant(v, t).kind(), variantKindOf(columnMeta(tsql::ColumnInfo{"F", t, true}).type))
        << t.typeName();
  }
}

ParameterValue param(DataType type, Variant value, int32_t size = 0) {
  ParameterValue p;
  p.name = "p";
  p.type = type;
  p.size = size;
  p.value = std::move(value);
  return p;
}

TEST(EmbeddedValuesTest, ParametersBindAsTypedValues) {
  tsql::BoundParameter b = toBoundParameter(param(DataType::VarWChar, Variant("O'Brien"), 3), "@P1");
  EXPECT_EQ(b.name, "@P1");
  EXPECT_EQ(b.type, SqlType::nvarchar(7));  // grows to hold the value
  EXPECT_EQ(b.value.asString(), "O'Brien");

  b = toBoundParameter(param(DataType::VarChar, Variant(std::string(9000, 'x'))), "@P1");
  EXPECT_EQ(b.type, SqlType::varchar(SqlType::kMax));

  b = toBoundParameter(param(DataType::Numeric, Variant(*com::Decimal::parse("-0.05"))), "@P3");
  EXPECT_EQ(b.type, SqlType::decimal(2, 2));
  EXPECT_EQ(b.value.asDecimal().toString(), "-0.05");

  ParameterValue fixed = param(DataType::Numeric, Variant(*com::Decimal::parse("1.23456")));
  fixed.precision = 10;
  fixed.numericScale = 3;
  b = toBoundParameter(fixed, "@P3");
  EXPECT_EQ(b.type, SqlType::decimal(10, 3));
  EXPECT_EQ(b.value.asDecimal().toString(), "1.235");
  fixed.precision = 3;
  EXPECT_EQ(raisedBy([&] { toBoundParameter(fixed, "@P3"); }).number(), com::err::kOverflow);

  b = toBoundParameter(param(DataType::SmallInt, Variant::null()), "@P5");
  EXPECT_TRUE(b.value.isNull());
  EXPECT_EQ(b.type, SqlType(TypeId::SmallInt));

  com::ComError e = raisedBy([&] { toBoundParameter(param(DataType::Integer, Variant("abc")), "@P6"); });
  EXPECT_EQ(e.number(), com::err::kTypeMismatch);
  EXPECT_EQ(e.source(), kEmbeddedProviderName);
  EXPECT_NE(e.description().find("@P6 (p)"), std::string::npos);
}

}  // namespace
}  // namespace mls::ado::embedded
