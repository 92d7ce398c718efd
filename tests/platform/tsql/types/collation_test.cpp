// What no SQL text reaches of the text layer: a compiled LIKE pattern used
// again, bytes that are not UTF-8, and the sharing of values' strings. The
// rules of comparison and matching are SQL records (cases/text_rules.test,
// like.test, strings.test).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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
  // Text of 0, 14 (inline) and 15, 40 bytes (shared); decimals inline and wide.
  const std::string texts[] = {"", "成本中心ab", "成本中心abc", std::string(40, 'x')};
  for (const std::string& text : texts) {
    Value a = Value::string(text);
    Value b = a;
    Value c = std::move(a);
    EXPECT_EQ(b.asString(), text);
    EXPECT_TRUE(c.identical(b));
    EXPECT_TRUE(a.isNull());  // NOLINT: moved-from values are NULL
    b = Value::integer(3);
    EXPECT_EQ(c.asString(), text);
    EXPECT_EQ(b.asInt(), 3);
  }
  const Decimal128 decimals[] = {Decimal128(-123456, 3), Decimal128(INT64_MIN, 0),
                                 Decimal128(static_cast<__int128>(INT64_MAX) + 1, 4),
                                 Decimal128(-(static_cast<__int128>(1) << 100), 38)};
  for (const Decimal128& d : decimals) {
    Value a = Value::decimal(d);
    Value b = a;
    EXPECT_EQ(b.asDecimal().mantissa(), d.mantissa());
    EXPECT_EQ(b.asDecimal().scale(), d.scale());
    a = Value::string("x");
    EXPECT_TRUE(b.identical(Value::decimal(d)));
  }
  EXPECT_EQ(Value::decimal(Decimal128(-123456, 3)).asDecimal().toString(), "-123.456");
  EXPECT_FALSE(Value::decimal(Decimal128(1, 2)).identical(Value::decimal(Decimal128(1, 3))));
}

}  // namespace
}  // namespace mls::tsql
