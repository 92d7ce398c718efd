#include "platform/com/decimal.h"

#include <gtest/gtest.h>

#include "platform/com/error.h"
#include "support/com_errors.h"

namespace mls::com {
namespace {

Decimal dec(std::string_view text) {
  std::optional<Decimal> d = Decimal::parse(text);
  EXPECT_TRUE(d.has_value()) << text;
  return d.value_or(Decimal());
}

using mls::testing::errorOf;

const char* kMax = "79228162514264337593543950335";

TEST(Decimal, ParsesAndPrintsExactly) {
  EXPECT_EQ(dec("-123.4500").toString(), "-123.45");
  EXPECT_EQ(dec("0.0000000000000000000000000001").scale(), 28);
  EXPECT_EQ(dec("0.0000000000000000000000000001").toString(), "0.0000000000000000000000000001");
  EXPECT_EQ(dec(kMax).toString(), kMax);
  EXPECT_EQ(dec("1E-5").toString(), "0.00001");
  EXPECT_EQ(dec("  2.5e3 ").toString(), "2500");
  EXPECT_EQ(dec("-0").toString(), "0");
  EXPECT_FALSE(dec("-0.0").negative());
  // Digits past the 28th decimal round half to even.
  EXPECT_EQ(dec("0.00000000000000000000000000005").toString(), "0");
  EXPECT_EQ(dec("0.00000000000000000000000000015").toString(), "0.0000000000000000000000000002");
}

TEST(Decimal, RejectsTextThatIsNotANumber) {
  for (const char* bad : {"", " ", "abc", "1.2.3", "1e", "--1", "1 2", "0x10", "inf", "."}) {
    EXPECT_FALSE(Decimal::parse(bad).has_value()) << bad;
  }
  EXPECT_EQ(errorOf([] { Decimal::parse("79228162514264337593543950336"); }), 6);
  EXPECT_EQ(errorOf([] { Decimal::parse("1E29"); }), 6);
}

TEST(Decimal, AdditionIsExact) {
  EXPECT_EQ((dec("0.1") + dec("0.2")).toString(), "0.3");
  EXPECT_EQ(dec("0.1") + dec("0.2"), dec("0.3"));
  EXPECT_EQ((dec("1") - dec("0.0000000000000000000000000001")).toString(), "0.9999999999999999999999999999");
  EXPECT_EQ((dec("-5.25") + dec("2")).toString(), "-3.25");
  EXPECT_EQ((dec("2") - dec("5.25")).toString(), "-3.25");
  EXPECT_EQ((dec("1.5") - dec("1.5")).toString(), "0");
  EXPECT_EQ((dec(kMax) - dec(kMax)).toString(), "0");
}

TEST(Decimal, SumsThatNeedMoreThan96BitsDropFractionDigits) {
  // 29 significant digits do not fit: the last one rounds half to even.
  EXPECT_EQ((dec("7922816251426433759354395033") + dec("0.45")).toString(), "7922816251426433759354395033.4");
  EXPECT_EQ((dec("7922816251426433759354395033") + dec("0.25")).toString(), "7922816251426433759354395033.2");
  EXPECT_EQ((dec("7922816251426433759354395033") + dec("0.35")).toString(), "7922816251426433759354395033.4");
  EXPECT_EQ(errorOf([] { dec(kMax) + dec("1"); }), 6);
  EXPECT_EQ(errorOf([] { dec(kMax) + dec("0.5"); }), 6);  // rounds up to 2^96
  EXPECT_EQ((dec(kMax) + dec("0.4")).toString(), kMax);
  EXPECT_EQ(errorOf([] { -dec(kMax) - dec("1"); }), 6);
}

TEST(Decimal, Multiplication) {
  EXPECT_EQ((dec("1.5") * dec("-2.25")).toString(), "-3.375");
  EXPECT_EQ((dec("0.0000000000000001") * dec("0.0000000000000001")).toString(), "0");
  EXPECT_EQ((dec("0.00000000000001") * dec("0.00000000000005")).toString(), "0.0000000000000000000000000005");
  EXPECT_EQ((dec("0.00000000000001") * dec("0.000000000000015")).toString(),
            "0.0000000000000000000000000002");
  EXPECT_EQ((dec("0.00000000000001") * dec("0.000000000000025")).toString(),
            "0.0000000000000000000000000002");
  EXPECT_EQ(errorOf([] { dec("100000000000000000000") * dec("1000000000"); }), 6);
  EXPECT_EQ((dec("10000000000000000000") * dec("1000000000")).toString(), "10000000000000000000000000000");
  // Products of 15-digit fractions keep what fits in 96 bits; the dropped digit is a tie both times.
  EXPECT_EQ((dec("3.14159265358979") * dec("2.71828182845905")).toString(), "8.5397342226735732309665131");
  EXPECT_EQ((dec("1.23456789012345") * dec("9.87654321098765")).toString(), "12.193263113702107135954925392");
}

TEST(Decimal, DivisionKeepsAsManyDigitsAsFit) {
  EXPECT_EQ((dec("1") / dec("3")).toString(), "0.3333333333333333333333333333");
  EXPECT_EQ((dec("2") / dec("3")).toString(), "0.6666666666666666666666666667");
  EXPECT_EQ((dec("10") / dec("3")).toString(), "3.3333333333333333333333333333");
  EXPECT_EQ((dec("1") / dec("8")).toString(), "0.125");
  EXPECT_EQ((dec("-7.5") / dec("2.5")).toString(), "-3");
  EXPECT_EQ((dec("1") / dec("0.0001")).toString(), "10000");
  EXPECT_EQ((dec(kMax) / dec("1")).toString(), kMax);
  EXPECT_EQ(errorOf([] { dec(kMax) / dec("0.5"); }), 6);
  EXPECT_EQ(errorOf([] { dec("1") / dec("0"); }), 11);
  EXPECT_EQ(errorOf([] { dec("0") / dec("0.00"); }), 11);
}

TEST(Decimal, ComparesAcrossScalesAndSigns) {
  EXPECT_EQ(dec("1.50"), dec("1.5"));
  EXPECT_LT(dec("-2"), dec("-1.5"));
  EXPECT_LT(dec("-0.0000000000000000000000000001"), dec("0"));
  EXPECT_GT(dec(kMax), dec("7922816251426433759354395033.5"));
  EXPECT_EQ(dec("0"), -dec("0.000"));
}

TEST(Decimal, RoundsHalfToEven) {
  EXPECT_EQ(dec("2.5").roundHalfEven(0).toString(), "2");
  EXPECT_EQ(dec("3.5").roundHalfEven(0).toString(), "4");
  EXPECT_EQ(dec("-2.5").roundHalfEven(0).toString(), "-2");
  EXPECT_EQ(dec("2.51").roundHalfEven(0).toString(), "3");
  EXPECT_EQ(dec("0.125").roundHalfEven(2).toString(), "0.12");
  EXPECT_EQ(dec("0.135").roundHalfEven(2).toString(), "0.14");
  EXPECT_EQ(dec("1.2").roundHalfEven(5).toString(), "1.2");
  EXPECT_EQ(errorOf([] { dec("1").roundHalfEven(-1); }), 5);
}

TEST(Decimal, ConvertsFromAndToOtherNumbers) {
  EXPECT_EQ(Decimal::fromDouble(0.1).toString(), "0.1");
  EXPECT_EQ(Decimal::fromDouble(0.1 + 0.2).toString(), "0.3");  // 15 significant digits
  EXPECT_EQ(Decimal::fromDouble(-1234567.891).toString(), "-1234567.891");
  EXPECT_EQ(Decimal::fromDouble(1e-30).toString(), "0");
  EXPECT_EQ(errorOf([] { Decimal::fromDouble(1e30); }), 6);
  EXPECT_EQ(Decimal::fromInt(INT64_MIN).toString(), "-9223372036854775808");
  EXPECT_EQ(Decimal::fromInt(INT64_MIN).toInt64Truncated(), INT64_MIN);
  EXPECT_EQ(dec("-12.9").toInt64Truncated(), -12);
  EXPECT_EQ(errorOf([] { dec("9223372036854775808").toInt64Truncated(); }), 6);
  EXPECT_DOUBLE_EQ(dec("-0.75").toDouble(), -0.75);
  EXPECT_EQ(errorOf([] { Decimal::fromParts(1, 29, false); }), 6);
}

}  // namespace
}  // namespace mls::com
