#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/text.h"
#include "platform/tsql/types/value.h"

namespace mls::tsql {
namespace {

TEST(Collation, EqualityIgnoresCaseAndTrailingSpaces) {
  EXPECT_EQ(compareText("CBCostObj", "cbcostobj"), 0);
  EXPECT_EQ(compareText("abc", "abc   "), 0);
  EXPECT_EQ(compareText("", "   "), 0);
  EXPECT_NE(compareText(" abc", "abc"), 0);  // leading spaces count
  EXPECT_LT(compareText("abc", "abd"), 0);
  EXPECT_LT(compareText("ab", "abc"), 0);
  EXPECT_GT(compareText("b", "ABC"), 0);
  // The shorter side compares as if padded with spaces: a tab sorts below a space.
  EXPECT_GT(compareText("a", "a\t"), 0);
  EXPECT_EQ(compareText("ÄÖÜ", "äöü"), 0);
  EXPECT_NE(compareText("e", "é"), 0);  // accent-sensitive
  EXPECT_EQ(compareText("成本 ", "成本"), 0);
  EXPECT_EQ(hashText("ÄBC  "), hashText("äbc"));
}

TEST(Like, WildcardsWithoutRegardToCase) {
  EXPECT_TRUE(likeMatch("Cost Center", "cost%"));
  EXPECT_TRUE(likeMatch("Cost Center", "%CENTER"));
  EXPECT_TRUE(likeMatch("Cost Center", "%t c%"));
  EXPECT_TRUE(likeMatch("abc", "a_c"));
  EXPECT_FALSE(likeMatch("abbc", "a_c"));
  EXPECT_TRUE(likeMatch("", "%"));
  EXPECT_FALSE(likeMatch("", "_"));
  EXPECT_TRUE(likeMatch("aXbXc", "%x%x%"));
  EXPECT_FALSE(likeMatch("abc", "%x%"));
  EXPECT_TRUE(likeMatch("成本中心", "成_中%"));
  EXPECT_FALSE(likeMatch("成本中心", "成_心"));
  LikePattern compiled("A%[0-9]");
  EXPECT_TRUE(compiled.matches("abc7"));
  EXPECT_FALSE(compiled.matches("abc"));
  EXPECT_TRUE(compiled.matches("a成本9"));
}

TEST(Like, TrailingSpacesAreSignificant) {
  EXPECT_FALSE(likeMatch("abc ", "abc"));
  EXPECT_TRUE(likeMatch("abc ", "abc%"));
  EXPECT_FALSE(likeMatch("abc", "abc "));
  EXPECT_TRUE(likeMatch("abc ", "abc_"));
}

TEST(Like, CharacterSetsAndEscape) {
  EXPECT_TRUE(likeMatch("b1", "[a-c][0-9]"));
  EXPECT_TRUE(likeMatch("B1", "[a-c]1"));
  EXPECT_FALSE(likeMatch("d1", "[a-c]1"));
  EXPECT_TRUE(likeMatch("d1", "[^a-c]1"));
  EXPECT_FALSE(likeMatch("a1", "[^a-c]1"));
  EXPECT_TRUE(likeMatch("x", "[xyz]"));
  EXPECT_TRUE(likeMatch("-", "[-a]"));
  EXPECT_TRUE(likeMatch("50%", "50!%", '!'));
  EXPECT_FALSE(likeMatch("500", "50!%", '!'));
  EXPECT_TRUE(likeMatch("a_b", "a!_b", '!'));
  EXPECT_FALSE(likeMatch("axb", "a!_b", '!'));
  EXPECT_TRUE(likeMatch("5%", "5[%]"));
  EXPECT_TRUE(likeMatch("a[b", "a[b"));  // an unclosed bracket is literal
}

TEST(Like, PatternIndexAndFindText) {
  EXPECT_EQ(patternIndex("interesting data", "%ter%"), 3u);
  EXPECT_EQ(patternIndex("interesting data", "%[0-9]%"), 0u);
  EXPECT_EQ(patternIndex("abc", "abc"), 1u);
  EXPECT_EQ(patternIndex("abcd", "abc"), 0u);
  EXPECT_EQ(patternIndex("成本12", "%[0-9]%"), 3u);
  EXPECT_EQ(patternIndex("ab", "%"), 1u);
  EXPECT_EQ(findText("Cost Center", "CENTER"), 6u);
  EXPECT_EQ(findText("abcabc", "b", 3), 5u);
  EXPECT_EQ(findText("abc", ""), 0u);
  EXPECT_EQ(findText("成本中心", "中心"), 3u);
}

TEST(Text, CountsCharactersNotBytes) {
  EXPECT_EQ(utf8Length("成本a"), 3u);
  EXPECT_EQ(utf8Substr("成本中心", 1, 2), "本中");
  EXPECT_EQ(toUpper("straße éa"), "STRAßE ÉA");
  EXPECT_EQ(toLower("ÀΣЖ成"), "àσж成");
  // A stray continuation byte reads as one character.
  EXPECT_EQ(utf8Length("a\x80z"), 3u);
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
