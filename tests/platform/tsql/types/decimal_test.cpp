#include <gtest/gtest.h>

#include "platform/tsql/types/decimal128.h"

namespace mls::tsql {
namespace {

Decimal128 d(std::string_view text) {
  return *Decimal128::parse(text);
}
std::string s(const std::optional<Decimal128>& v) {
  return v ? v->toString() : "overflow";
}

TEST(Decimal128, ParsesTextWithScaleAsWritten) {
  EXPECT_EQ(d("12.340").toString(), "12.340");
  EXPECT_EQ(d("12.340").scale(), 3);
  EXPECT_EQ(d(" -0.5 ").toString(), "-0.5");
  EXPECT_EQ(d(".5").toString(), "0.5");
  EXPECT_EQ(d("5.").toString(), "5");
  EXPECT_EQ(d("+007").toString(), "7");
  EXPECT_EQ(d("0.000").digits(), 1);
  for (const char* bad : {"", " ", "-", ".", "1.2.3", "1e5", "12a", "1 2", "--1"}) {
    EXPECT_FALSE(Decimal128::parse(bad)) << bad;
  }
  // 38 significant digits fit, 39 do not; leading zeros are not digits of the value.
  EXPECT_TRUE(Decimal128::parse("99999999999999999999999999999999999999"));
  EXPECT_FALSE(Decimal128::parse("999999999999999999999999999999999999999"));
  EXPECT_TRUE(Decimal128::parse("000000000000000000000000000000000000000001"));
}

TEST(Decimal128, DigitsAndIntegralDigits) {
  EXPECT_EQ(d("123.45").digits(), 5);
  EXPECT_EQ(d("123.45").integralDigits(), 3);
  EXPECT_EQ(d("0.045").integralDigits(), 0);
  EXPECT_TRUE(d("999.99").fits(5));
  EXPECT_FALSE(d("1000.00").fits(5));
}

TEST(Decimal128, RescaleRoundsHalfAwayFromZero) {
  EXPECT_EQ(s(d("10.6496").rescale(0)), "11");
  EXPECT_EQ(s(d("2.5").rescale(0)), "3");
  EXPECT_EQ(s(d("-2.5").rescale(0)), "-3");
  EXPECT_EQ(s(d("-2.49").rescale(0)), "-2");
  EXPECT_EQ(s(d("1.005").rescale(2)), "1.01");
  EXPECT_EQ(s(d("1.5").rescale(3)), "1.500");
  EXPECT_EQ(s(d("-10.6496").rescale(0, true)), "-10");
  EXPECT_EQ(s(d("12345678901234567890123456789012345678").rescale(1)), "overflow");
}

TEST(Decimal128, AddAndSubtractAcrossScales) {
  EXPECT_EQ(s(Decimal128::add(d("1.25"), d("0.005"), 3)), "1.255");
  EXPECT_EQ(s(Decimal128::subtract(d("1.25"), d("3"), 2)), "-1.75");
  EXPECT_EQ(s(Decimal128::add(d("-1.25"), d("1.25"), 2)), "0.00");
  // A result scale below the operands' rounds.
  EXPECT_EQ(s(Decimal128::add(d("0.25"), d("0.0049"), 2)), "0.25");
  EXPECT_EQ(s(Decimal128::add(d("0.25"), d("0.005"), 2)), "0.26");
  EXPECT_EQ(s(Decimal128::add(d("99999999999999999999999999999999999999"), d("1"), 0)), "overflow");
}

TEST(Decimal128, MultiplyRoundsToTheResultScale) {
  EXPECT_EQ(s(Decimal128::multiply(d("0.0000009000"), d("1.0000000000"), 6)), "0.000001");
  EXPECT_EQ(s(Decimal128::multiply(d("-0.0000005"), d("1"), 6)), "-0.000001");
  EXPECT_EQ(s(Decimal128::multiply(d("1.5"), d("-2.25"), 3)), "-3.375");
  // Products of 38-digit operands are computed wide before narrowing.
  EXPECT_EQ(s(Decimal128::multiply(d("0.1234567890123456789012345678901234567"),
                                   d("1000000000000000000000000000000000000"), 2)),
            "123456789012345678901234567890123456.70");
  EXPECT_EQ(s(Decimal128::multiply(d("10000000000000000000"), d("10000000000000000000"), 0)), "overflow");
}

TEST(Decimal128, DivideTruncatesAtTheResultScale) {
  EXPECT_EQ(s(Decimal128::divide(d("1.67574"), d("10000"), 6)), "0.000167");
  EXPECT_EQ(s(Decimal128::divide(d("2"), d("3"), 6)), "0.666666");
  EXPECT_EQ(s(Decimal128::divide(d("-2"), d("3"), 6)), "-0.666666");
  EXPECT_EQ(s(Decimal128::divide(d("1"), d("0.0000001"), 2)), "10000000.00");
  // Dividend scale above the result scale.
  EXPECT_EQ(s(Decimal128::divide(d("1.23456789012"), d("2"), 3)), "0.617");
  EXPECT_FALSE(Decimal128::divide(d("1"), d("0"), 6));
  EXPECT_EQ(s(Decimal128::divide(d("99999999999999999999999999999999999999"), d("0.1"), 0)), "overflow");
}

TEST(Decimal128, ModuloTakesTheDividendSign) {
  EXPECT_EQ(s(Decimal128::modulo(d("-7"), d("3"), 0)), "-1");
  EXPECT_EQ(s(Decimal128::modulo(d("7.5"), d("2"), 1)), "1.5");
  EXPECT_EQ(s(Decimal128::modulo(d("7"), d("-2.5"), 1)), "2.0");
}

TEST(Decimal128, ComparesByValueAcrossScales) {
  EXPECT_EQ(d("1.50"), d("1.5"));
  EXPECT_LT(d("-2"), d("-1.99"));
  EXPECT_GT(d("0.001"), d("0"));
  EXPECT_EQ(d("1.500").normalized().toString(), "1.5");
}

TEST(Decimal128, DoubleConversions) {
  EXPECT_DOUBLE_EQ(d("-12.5").toDouble(), -12.5);
  // From the shortest text of the double: 2.675 rounds up as written.
  EXPECT_EQ(s(Decimal128::fromDouble(2.675, 2)), "2.68");
  EXPECT_EQ(s(Decimal128::fromDouble(-0.5, 0)), "-1");
  EXPECT_EQ(s(Decimal128::fromDouble(1e-30, 4)), "0.0000");
  EXPECT_EQ(s(Decimal128::fromDouble(1.5e20, 0)), "150000000000000000000");
  EXPECT_EQ(s(Decimal128::fromDouble(1e40, 0)), "overflow");
  EXPECT_EQ(d("-123.9").toInt64(), -123);
}

}  // namespace
}  // namespace mls::tsql
