// A value keeps what it holds through copies, moves, assignments and swaps, on
// either side of the limits of what it holds inline: text of 10 bytes and a
// decimal mantissa of 64 bits.
#include "platform/tsql/types/value.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace mls::tsql {
namespace {

TEST(ValueTest, EveryKindSurvivesCopyMoveAssignmentAndSwap) {
  const __int128 past64 = static_cast<__int128>(INT64_MAX) + 1;
  std::vector<Value> values = {
      Value(),
      Value::integer(INT64_MIN),
      Value::integer(42),
      Value::floating(-0.125),
      Value::decimal(Decimal128(INT64_MAX, 4)),
      Value::decimal(Decimal128(past64, 4)),
      Value::decimal(Decimal128(-past64 * 1000, 2)),
      Value::dateTime(DateTime(123456789)),
  };
  for (size_t length : {0, 1, 9, 10, 11, 14, 15, 100})
    values.push_back(Value::string(std::string(length, static_cast<char>('a' + length % 26))));
  std::vector<std::string> expected;
  for (const Value& v : values)
    expected.push_back(v.debugString());

  for (size_t i = 0; i < values.size(); ++i) {
    for (size_t j = 0; j < values.size(); ++j) {
      Value copy = values[i];
      Value target = values[j];
      target = copy;
      EXPECT_TRUE(target.identical(values[i])) << expected[i] << " over " << expected[j];
      Value moved = values[j];
      moved = std::move(copy);
      EXPECT_EQ(moved.debugString(), expected[i]) << "moved over " << expected[j];
      EXPECT_TRUE(copy.isNull());
      Value other = values[j];
      swap(moved, other);
      EXPECT_EQ(moved.debugString(), expected[j]);
      EXPECT_EQ(other.debugString(), expected[i]);
    }
  }
  // The originals are untouched by what their copies went through.
  for (size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(values[i].debugString(), expected[i]);
  EXPECT_EQ(values[5].asDecimal().mantissa(), past64);
  EXPECT_EQ(values[12].asString(), std::string(11, 'l'));
}

}  // namespace
}  // namespace mls::tsql
