// The checks of pieces placed inside a caller's statement: where a ';', a
// quote or a comment ends is the lexer's business, so text that only looks
// dangerous is accepted and text that hides a second statement is not.
#include <gtest/gtest.h>

#include "platform/tsql/parse/fragment.h"

namespace mls::tsql {
namespace {

const std::vector<std::string> kAliases{"u1", "v1"};

TEST(ConditionFragment, OneConditionWhateverItsTextLooksLike) {
  const struct {
    const char* text;
    Connective lead;
  } sound[] = {
      {"v1.FNote = 'a; DELETE FROM t --'", Connective::None},
      {" and [v1].[FNote] LIKE N'%]%' ESCAPE '\\'", Connective::And},
      {"OR v1.FQty > 0 -- note\r\n AND v1.FItemID = 2", Connective::Or},
      {"/* a /* nested */ note */ v1.FItemID BETWEEN 1 AND 2", Connective::None},
      {"NOT EXISTS (SELECT 1 FROM t x WHERE x.a = v1.FItemID AND x.b IN (SELECT c FROM d))",
       Connective::None},
      {"FItemID = 1", Connective::None},  // unqualified: the statement resolves it
  };
  for (const auto& c : sound) {
    const ConditionFragment f = checkConditionFragment(c.text, kAliases);
    EXPECT_EQ(f.fault, "") << c.text;
    EXPECT_FALSE(f.empty) << c.text;
    EXPECT_EQ(f.lead, c.lead) << c.text;
  }
  for (const char* empty : {"", " \r\n\t", "-- only a note", "/* only */"})
    EXPECT_TRUE(checkConditionFragment(empty, kAliases).empty) << empty;
}

TEST(ConditionFragment, AnythingMoreIsAFault) {
  const struct {
    const char* text;
    const char* fault;
  } faults[] = {
      {"v1.FNote = 'a' ; ", "Incorrect syntax near ';'."},
      {"1=1 /* a /* nested */ comment", "Missing end comment mark '*/'."},
      {"1=1 -- note\nSELECT 1", "Incorrect syntax near the keyword 'SELECT'."},
      {"1=1 -- note\r SELECT 1", "a carriage return without a line feed"},
      {"AND AND 1=1", "Incorrect syntax near the keyword 'AND'."},
      {"[v1.FNote = 1", "Unclosed quotation mark after the character string 'v1.FNote = 1'."},
      {"x.FItemID = 1", "the statement has no table named by x.FItemID"},
      {"dbo.v1.FItemID = 1", "the statement has no table named by dbo.v1.FItemID"},
      {"v1.FQty + 1", "a value where a condition is expected"},
      {"OR", "no condition follows OR"},
  };
  for (const auto& f : faults)
    EXPECT_EQ(checkConditionFragment(f.text, kAliases).fault, f.fault) << f.text;
}

}  // namespace
}  // namespace mls::tsql
