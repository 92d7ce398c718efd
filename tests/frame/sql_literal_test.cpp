// Numbers and texts as statements carry them.
#include <gtest/gtest.h>

#include <cmath>

#include "frame/sql_literal.h"
#include "platform/com/decimal.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"

namespace mls::frame {
namespace {

// A double is written as the decimal it stands for: the shortest text that
// reads back as it, never an exponent, zero without a sign.
TEST(SqlNumber, ADoubleIsTheDecimalItStandsFor) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {std::round(-0.4), "0"},  // a rounded-away negative amount
      {0.1, "0.1"},
      {0.1 + 0.2, "0.30000000000000004"},
      {0.00001, "0.00001"},
      {-0.000015, "-0.000015"},
      {1e15, "1000000000000000"},
      {12345678901234.56, "12345678901234.56"},  // 15 digits would give .6
      // .54 and .55 are one double, ...876.546875: the shortest text
      // nearest to it.
      {98765432109876.54, "98765432109876.55"},
      {999999999999999.9, "999999999999999.9"},
      {1e-30, "0"},  // past the 28th decimal place
      {1e28, "10000000000000000000000000000"}};
  for (auto [value, text] : cases)
    EXPECT_EQ(sqlNumber(decimalOf(value)), text) << text;
  // A Variant: a Double by the same rule, text and decimals exactly.
  EXPECT_EQ(sqlNumber(decimalOf(com::Variant(12345678901234.56))), "12345678901234.56");
  EXPECT_EQ(sqlNumber(decimalOf(com::Variant(std::string("0.12345678901234567")))), "0.12345678901234567");
}

TEST(SqlNumber, ANumberThatIsNotFiniteOrTooLargeIsRefusedNotWrittenAsZero) {
  for (double v : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e29}) {
    try {
      decimalOf(v);
      ADD_FAILURE() << v << " reached the SQL text";
    } catch (const com::ComError& e) {
      EXPECT_EQ(e.number(), com::err::kOverflow);
    }
  }
}

TEST(SqlText, QuotesInsideAreDoubled) {
  EXPECT_EQ(sqlText("O'Brien"), "'O''Brien'");
  EXPECT_EQ(sqlText("'); DROP TABLE t; --"), "'''); DROP TABLE t; --'");
  EXPECT_EQ(sqlText(""), "''");
}

}  // namespace
}  // namespace mls::frame
