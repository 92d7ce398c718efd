// The literals every statement of the calculation carries its values in.
#include <gtest/gtest.h>

#include "frame/sql_literal.h"

namespace mls::testing {
namespace {

TEST(SqlLiteral, NumbersInTheDefaultTextFormOfADouble) {
  EXPECT_EQ(frame::sqlNumber(int32_t{-2147483647 - 1}), "-2147483648");
  EXPECT_EQ(frame::sqlNumber(int64_t{9000000000}), "9000000000");
  EXPECT_EQ(frame::sqlNumber(12.5), "12.5");
  EXPECT_EQ(frame::sqlNumber(0.1 + 0.2), "0.3");
  EXPECT_EQ(frame::sqlNumber(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(frame::sqlNumber(-0.25), "-0.25");
  EXPECT_EQ(frame::sqlNumber(1e20), "1E+20");
  EXPECT_EQ(frame::sqlNumber(100.0), "100");
}

TEST(SqlLiteral, TextsQuoteTheirQuotes) {
  EXPECT_EQ(frame::sqlText(""), "''");
  EXPECT_EQ(frame::sqlText("O'Neil's"), "'O''Neil''s'");
  EXPECT_EQ(frame::sqlNText("车间'A"), "N'车间''A'");
}

}  // namespace
}  // namespace mls::testing
