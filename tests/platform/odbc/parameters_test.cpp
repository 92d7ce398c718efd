#include "platform/odbc/parameters.h"

#include <gtest/gtest.h>

#include <sqlucode.h>

#include "support/com_errors.h"

namespace mls::odbc {
namespace {

using ado::DataType;
using com::Variant;
using mls::testing::raisedBy;

constexpr const char* kProvider = "MSOLEDBSQL";

BoundValue bound(DataType type, Variant value, int32_t size = 0) {
  ado::ParameterValue p;
  p.name = "pValue";
  p.type = type;
  p.size = size;
  p.value = std::move(value);
  return toBoundValue(p, 2, kProvider);
}

TEST(ParameterTest, TextTypesAndDeclaredLengths) {
  // The declared length grows to hold the value; long text goes as (max).
  EXPECT_EQ(bound(DataType::VarChar, Variant("Größe"), 2).columnSize, 5u);
  EXPECT_EQ(bound(DataType::VarChar, Variant("x")).sqlType, SQL_VARCHAR);
  EXPECT_EQ(bound(DataType::WChar, Variant("x")).sqlType, SQL_WCHAR);
  EXPECT_EQ(bound(DataType::VarWChar, Variant(std::string(4001, 'a'))).sqlType, SQL_WLONGVARCHAR);
  EXPECT_EQ(bound(DataType::VarChar, Variant(std::string(8000, 'a'))).sqlType, SQL_VARCHAR);
  EXPECT_EQ(bound(DataType::LongVarChar, Variant("short")).sqlType, SQL_LONGVARCHAR);
}

TEST(ParameterTest, DecimalsGoAsExactTextWithTheirOwnPrecision) {
  BoundValue b = bound(DataType::Numeric, Variant(*com::Decimal::parse("12345678901234.1234567891")));
  EXPECT_EQ(b.cType, SQL_C_CHAR);
  EXPECT_EQ(b.sqlType, SQL_NUMERIC);
  EXPECT_EQ(b.text, "12345678901234.1234567891");
  EXPECT_EQ(b.columnSize, 24u);
  EXPECT_EQ(b.decimalDigits, 10);
  EXPECT_EQ(b.indicator, 25);

  b = bound(DataType::Currency, Variant(*com::Decimal::parse("-0.0001")));
  EXPECT_EQ(b.sqlType, SQL_DECIMAL);
  EXPECT_EQ(b.text, "-0.0001");
  EXPECT_EQ(b.columnSize, 5u);  // the digits of "00001"
  EXPECT_EQ(b.decimalDigits, 4);

  b = bound(DataType::Decimal, Variant(int32_t{0}));
  EXPECT_EQ(b.text, "0");
  EXPECT_EQ(b.columnSize, 1u);
  EXPECT_EQ(b.decimalDigits, 0);
}

TEST(ParameterTest, NumbersDatesAndBooleansUseTheirCTypes) {
  BoundValue b = bound(DataType::Integer, Variant("42"));
  EXPECT_EQ(std::tuple(b.cType, b.sqlType, b.longInt, b.indicator),
            std::tuple(SQL_C_SLONG, SQL_INTEGER, 42, 0));
  EXPECT_EQ(b.buffer(), &b.longInt);
  b = bound(DataType::SmallInt, Variant(int16_t{-7}));
  EXPECT_EQ(std::tuple(b.cType, b.smallInt), std::tuple(SQL_C_SSHORT, int16_t{-7}));
  b = bound(DataType::Boolean, Variant(true));
  EXPECT_EQ(std::tuple(b.cType, b.sqlType, b.byte), std::tuple(SQL_C_BIT, SQL_BIT, uint8_t{1}));
  b = bound(DataType::Double, Variant(0.1));
  EXPECT_EQ(std::tuple(b.cType, b.sqlType, b.real), std::tuple(SQL_C_DOUBLE, SQL_DOUBLE, 0.1));

  b = bound(DataType::DBTimeStamp, Variant::date(com::makeDate(2024, 3, 31, 17, 5, 9)));
  EXPECT_EQ(std::tuple(b.cType, b.sqlType, b.columnSize, b.decimalDigits),
            std::tuple(SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, SQLULEN{23}, SQLSMALLINT{3}));
  EXPECT_EQ(std::tuple(b.timestamp.year, b.timestamp.month, b.timestamp.day, b.timestamp.hour,
                       b.timestamp.minute, b.timestamp.second),
            std::tuple(2024, 3, 31, 17, 5, 9));
  b = bound(DataType::DBDate, Variant("2024-01-15"));
  EXPECT_EQ(std::tuple(b.cType, b.date.year, b.date.month, b.date.day),
            std::tuple(SQL_C_TYPE_DATE, 2024, 1, 15));
}

TEST(ParameterTest, ValuesThatDoNotConvertNameTheParameter) {
  com::ComError e = raisedBy([] { bound(DataType::Integer, Variant("twelve")); });
  EXPECT_EQ(e.number(), com::err::kTypeMismatch);
  EXPECT_EQ(e.source(), kProvider);
  EXPECT_EQ(e.description().rfind("Parameter 2 (pValue): ", 0), 0u) << e.description();
  e = raisedBy([] { bound(DataType::SmallInt, Variant(int32_t{40000})); });
  EXPECT_EQ(e.number(), com::err::kOverflow);
}

}  // namespace
}  // namespace mls::odbc
