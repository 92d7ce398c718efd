// Hashing of values, which hash joins, grouping and DISTINCT rely on: equal
// under SQL comparison means equal hashes.  The operators' rules themselves
// are checked through SQL (tests/platform/tsql/cases).
#include <gtest/gtest.h>

#include "platform/tsql/types/operators.h"

namespace mls::tsql {
namespace {

TEST(ValueHash, ConsistentWithEquality) {
  EXPECT_EQ(hashValue(Value::string("Abc  ")), hashValue(Value::string("aBC")));
  EXPECT_EQ(hashValue(Value::decimal(*Decimal128::parse("1.500"))),
            hashValue(Value::decimal(*Decimal128::parse("1.5"))));
  EXPECT_EQ(hashValue(Value::decimal(*Decimal128::parse("7.00"))), hashValue(Value::integer(7)));
  EXPECT_EQ(compareValues(Value::integer(7), Value::decimal(*Decimal128::parse("7.00"))), 0);
}

}  // namespace
}  // namespace mls::tsql
