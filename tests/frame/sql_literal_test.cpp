// Numbers in the default text form of a double, as statements carry them.
#include <gtest/gtest.h>

#include <cmath>

#include "frame/sql_literal.h"
#include "platform/com/error.h"

namespace mls::frame {
namespace {

// Zero without a sign; the exponent form only below 1E-4 and from 1E15.
TEST(SqlNumber, DefaultTextOfADouble) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {std::round(-0.4), "0"},  // a rounded-away negative amount
      {0.0001, "0.0001"},
      {0.00001, "1E-05"},
      {-0.000015, "-1.5E-05"},
      {1e15, "1E+15"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.9, "1E+15"}};  // 15 digits round up into the exponent form
  for (auto [value, text] : cases)
    EXPECT_EQ(sqlNumber(value), text) << text;
}

TEST(SqlNumber, ANumberThatIsNotFiniteIsRefusedNotWrittenAsZero) {
  for (double v : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    try {
      sqlNumber(v);
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
