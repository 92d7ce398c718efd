// The two readers of the properties string: CParse (the whole string, once per
// call) and getPropsValue (one key straight from the text).
#include <gtest/gtest.h>

#include "frame/cparse.h"
#include "frame/edition_prefix.h"
#include "frame/props_value.h"
#include "platform/com/error.h"
#include "support/com_errors.h"

namespace mls::frame {
namespace {

using mls::testing::errorOf;

TEST(CParse, BracedConnectStringKeepsItsSeparatorsAndTheNextItemFollows) {
  CParse p;
  EXPECT_TRUE(p.parseString("ConnectString={Provider=X;Data Source=a=b}; Language=chs"));
  EXPECT_EQ(p.count(), 2u);
  EXPECT_EQ(p.conStr(), "Provider=X;Data Source=a=b");
  EXPECT_EQ(p.languageId(), "chs");
  EXPECT_EQ(p.getProperty("language"), "chs");
  // Text after the closing brace is dropped; keys and values are trimmed.
  p.parseString("ConnectString = { a;b } lost ; UserName =  bob  ;UserID=42;AcctType=gy");
  EXPECT_EQ(p.conStr(), "a;b");
  EXPECT_EQ(p.userName(), "bob");
  EXPECT_EQ(p.userId(), 42);
  EXPECT_TRUE(p.isIndustry());
}

TEST(CParse, UnclosedBraceRunsToTheEndAndParsingStops) {
  CParse p;
  p.parseString("ConnectString={a;Language=en;UserName=x");
  EXPECT_EQ(p.count(), 1u);
  EXPECT_EQ(p.conStr(), "a;Language=en;UserName=x");
  EXPECT_EQ(errorOf([&] { p.languageId(); }), com::err::kInvalidCall);
}

TEST(CParse, SegmentWithoutEqualsJoinsTheNextKeyAndAnEmptyKeyStops) {
  CParse p;
  p.parseString("junk;Language=en;=orphan;UserName=never");
  EXPECT_EQ(p.count(), 1u);
  EXPECT_EQ(p.getProperty("junk;Language"), "en");
}

TEST(CParse, RepeatedKeyInAnyCaseRaises457AndKeepsWhatCameBefore) {
  CParse p;
  EXPECT_EQ(errorOf([&] { p.parseString("Language=en;UserName=a;LANGUAGE=chs"); }), com::err::kKeyInUse);
  EXPECT_EQ(p.languageId(), "en");
  EXPECT_EQ(getPropsValue("Language=en;UserName=a;LANGUAGE=chs", "Language"), "en");
}

TEST(CParse, EmptyStringParsesToNothingAndAbsentOrBadItemsRaise) {
  CParse p;
  EXPECT_TRUE(p.parseString(""));
  EXPECT_EQ(p.count(), 0u);
  EXPECT_EQ(p.propsString(), "");
  EXPECT_EQ(errorOf([&] { p.conStr(); }), com::err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { p.isIndustry(); }), com::err::kInvalidCall);

  p.parseString("UserID=seven;AcctType=SY");
  EXPECT_EQ(errorOf([&] { p.userId(); }), com::err::kTypeMismatch);
  EXPECT_FALSE(p.isIndustry());
}

TEST(CParse, ParsingAgainReplacesEverything) {
  CParse p;
  p.parseString("Language=en;UserName=a");
  p.parseString("Language=cht");
  EXPECT_EQ(p.propsString(), "Language=cht");
  EXPECT_EQ(p.languageId(), "cht");
  EXPECT_EQ(errorOf([&] { p.userName(); }), com::err::kInvalidCall);
}

TEST(GetPropsValue, MatchesAKeyWithoutCaseOnlyWhereAnItemBegins) {
  struct Case {
    const char* props;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"UserName=a;Language=en", "language", "en"},
      {"UserName=a;  Language= en ;", "Language", " en "},  // the value is not trimmed
      {"Language=;UserName=a", "Language", ""},
      {"UserName=a", "Language", ""},
      {"", "Language", ""},
      {"Language =en", "Language", ""},  // a space before "=" defeats the match
      // Not inside a braced connection string, at the end of a longer key, or in another item's value.
      {"ConnectString={Provider=X;Current Language=us_english};UserName=a", "Language", ""},
      {"ConnectString={Provider=X;Language=us_english};Language=en", "Language", "en"},
      {"XLanguage=zz;Language=en", "Language", "en"},
      {"Note=Language=zz;Language=en", "Language", "en"},
      {"ConnectString={a;Language=en", "Language", ""},  // an unclosed brace hides everything after it
      {"ConnectString={a;b};Language=en", "ConnectString", "{a"},  // a value runs to the next ";"
  };
  for (const Case& c : cases)
    EXPECT_EQ(getPropsValue(c.props, c.key), c.value) << c.props;
}

TEST(GetEditionPrefix, OnlyTheSelvoEditionInAnyCaseGivesThePrefix) {
  EXPECT_EQ(getEditionPrefix("OrrinVersion=selvo", "t_X"), "Selvo_t_X");
  EXPECT_EQ(getEditionPrefix("OrrinVersion=SELVO;Language=en", ""), "Selvo_");
  EXPECT_EQ(getEditionPrefix("OrrinVersion=Selvo2", "t_X"), "t_X");
  EXPECT_EQ(getEditionPrefix("Language=en", "t_X"), "t_X");
}

}  // namespace
}  // namespace mls::frame
