// Helpers of the executor a SQL logic test cannot reach one by one: the
// RAISERROR text formatter and the row set behind DISTINCT, UNION and IN.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/tsql/engine.h"
#include "platform/tsql/exec/ops/row_set.h"
#include "platform/tsql/exec/stmt/message_format.h"

namespace mls::tsql {
namespace {

TEST(MessageFormat, FillsPrintfPlaceholders) {
  std::vector<Value> args = {Value::integer(42), Value::string("abc"), Value(), Value::integer(255)};
  std::vector<SqlType> types = {SqlType(TypeId::Int), SqlType::varchar(3), SqlType(TypeId::Int),
                                SqlType(TypeId::Int)};
  EXPECT_EQ(formatRaiserror("n=%d s=%s null=%d hex=%x 100%%", args, types),
            "n=42 s=abc null=(null) hex=ff 100%");
  EXPECT_EQ(formatRaiserror("[%5d|%-5s|%.2s]", args, types), "[   42|abc  |(n]");
  // A placeholder without an argument prints nothing.
  EXPECT_EQ(formatRaiserror("%d %s %d %d %d!", args, types), "42 abc (null) 255 !");
  try {
    formatRaiserror("%d %d", args, types);
    ADD_FAILURE() << "text for %d accepted";
  } catch (const SqlError& e) {
    EXPECT_EQ(e.number(), 2786);
  }
  EXPECT_EQ(formatRaiserror("tail %", {}, {}), "tail %");
}

TEST(RowSet, MatchesRowsUnderSqlEquality) {
  RowSet set;
  EXPECT_TRUE(set.insert({Value::string("Abc"), Value()}));
  EXPECT_FALSE(set.insert({Value::string("aBC  "), Value()}));
  EXPECT_TRUE(set.insert({Value::string("abc"), Value::integer(0)}));
  EXPECT_TRUE(set.insert({Value::decimal(Decimal128(150, 2)), Value()}));
  EXPECT_FALSE(set.insert({Value::decimal(Decimal128(15, 1)), Value()}));
  EXPECT_EQ(set.size(), 3u);
}

}  // namespace
}  // namespace mls::tsql
