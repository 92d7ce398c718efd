// What no SQL text reaches of the text layer: a compiled LIKE pattern used
// again, bytes that are not UTF-8, and the sharing of values' strings. The
// rules of comparison and matching are SQL records (cases/text_rules.test,
// like.test, strings.test).
#include <gtest/gtest.h>

#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/text.h"
#include "platform/tsql/types/value.h"

namespace mls::tsql {
namespace {

TEST(Like, ACompiledPatternMatchesAgainAndAgain) {
  LikePattern compiled("A%[0-9]");
  EXPECT_TRUE(compiled.matches("abc7"));
  EXPECT_FALSE(compiled.matches("abc"));
  EXPECT_TRUE(compiled.matches("a成本9"));
}

TEST(Text, AStrayContinuationByteIsOneCharacter) {
  EXPECT_EQ(utf8Length("a\x80z"), 3u);
  EXPECT_EQ(utf8Substr("成本中心", 1, 2), "本中");
}

TEST(ValueCopies, ShareStringsAndKeepKinds) {
  Value a = Value::string("成本中心");
  Value b = a;
  Value c = std::move(a);
  EXPECT_EQ(b.asString(), "成本中心");
  EXPECT_TRUE(c.identical(b));
  EXPECT_TRUE(a.isNull());  // NOLINT: moved-from values are NULL
  b = Value::integer(3);
  EXPECT_EQ(c.asString(), "成本中心");
  EXPECT_EQ(sizeof(Value), 24u);
  Value d = Value::decimal(Decimal128(-123456, 3));
  EXPECT_EQ(d.asDecimal().toString(), "-123.456");
}

}  // namespace
}  // namespace mls::tsql
