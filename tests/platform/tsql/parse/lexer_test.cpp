#include <gtest/gtest.h>

#include "ast_dump.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/parse/token.h"

namespace mls::tsql {
namespace {

using K = TokenKind;

std::string kinds(std::string_view text) {
  static const char* const kName[] = {"End", "Id",  "QId", "Kw",  "Var",  "SysVar", "Int", "Dec",
                                      "Flt", "Mon", "Bin", "Str", "NStr", "Param",  "Sym"};
  std::string out;
  for (const Token& t : tokenize(text)) {
    if (t.kind == K::End) break;
    out += std::string(out.empty() ? "" : " ") + kName[static_cast<int>(t.kind)] + ":" + t.text;
  }
  return out;
}

TEST(Lexer, WordsKeywordsAndNames) {
  EXPECT_EQ(kinds("select Select SELECT cbCostObj"), "Kw:SELECT Kw:SELECT Kw:SELECT Id:cbCostObj");
  EXPECT_EQ(kinds("[my col] [a]]b] \"quoted \"\"x\"\"\""), "QId:my col QId:a]b QId:quoted \"x\"");
  EXPECT_EQ(kinds("[select]"), "QId:select");  // brackets make any word a name
  EXPECT_EQ(kinds("#temp ##global @v @@rowcount @@Fetch_Status"),
            "Id:#temp Id:##global Var:@v SysVar:@@ROWCOUNT SysVar:@@FETCH_STATUS");
  EXPECT_EQ(kinds("tempdb..#t"), "Id:tempdb Sym:. Sym:. Id:#t");
  EXPECT_EQ(kinds("nocount rollup"), "Id:nocount Id:rollup");  // not reserved
}

TEST(Lexer, StringsKeepTheirValue) {
  EXPECT_EQ(kinds("'it''s' N'成本中心' n'x' ''"), "Str:it's NStr:成本中心 NStr:x Str:");
  EXPECT_EQ(kinds("'原価'"), "Str:原価");
  EXPECT_EQ(kinds("Name'x'"), "Id:Name Str:x");  // N only prefixes a string at a word's start
  EXPECT_EQ(kinds("'line1\nline2'"), "Str:line1\nline2");
}

TEST(Lexer, NumbersEndWhereLettersStart) {
  EXPECT_EQ(kinds("42 12.345 .5 7. 1e5 1.5E-3 2e+2"),
            "Int:42 Dec:12.345 Dec:.5 Dec:7. Flt:1e5 Flt:1.5E-3 Flt:2e+2");
  EXPECT_EQ(kinds("1INSERT"), "Int:1 Kw:INSERT");
  EXPECT_EQ(kinds("1END"), "Int:1 Kw:END");  // no digits after E: no exponent
  EXPECT_EQ(kinds("1.5else"), "Dec:1.5 Kw:ELSE");
  // a binary constant ends at its last hex digit; a currency symbol starts money only before digits
  EXPECT_EQ(kinds("$12.5 $.5 $7 0x1A 0X 0x1g a$b"),
            "Mon:12.5 Mon:.5 Mon:7 Bin:0x1A Bin:0X Bin:0x1 Id:g Id:a$b");
  EXPECT_EQ(kinds("¥12 ￥.5 £3 €1 ¥ ¥a 元12 $identity $Partition"),
            "Mon:12 Mon:.5 Mon:3 Mon:1 Id:¥ Id:¥a Id:元12 Sym:$IDENTITY Sym:$PARTITION");
}

TEST(Lexer, OperatorsTakeTheLongestMatch) {
  EXPECT_EQ(kinds("a<>b!=c<=d>=e!<f!>g<h"),
            "Id:a Sym:<> Id:b Sym:!= Id:c Sym:<= Id:d Sym:>= Id:e Sym:!< Id:f Sym:!> Id:g Sym:< Id:h");
  EXPECT_EQ(
      kinds("+-*/%&|^~(),.;=?"),
      "Sym:+ Sym:- Sym:* Sym:/ Sym:% Sym:& Sym:| Sym:^ Sym:~ Sym:( Sym:) Sym:, Sym:. Sym:; Sym:= Param:?");
  EXPECT_EQ(kinds("a::b||c<<d>>e:f<>>g{}"),
            "Id:a Sym::: Id:b Sym:|| Id:c Sym:<< Id:d Sym:>> Id:e Sym:: Id:f Sym:<> Sym:> Id:g Sym:{ Sym:}");
}

TEST(Lexer, CommentsVanishAndMayHoldAnything) {
  EXPECT_EQ(kinds("a -- it's 'open\" 注释\nb"), "Id:a Id:b");
  EXPECT_EQ(kinds("a /* outer /* inner */ still ' comment */ b"), "Id:a Id:b");
  EXPECT_EQ(kinds("1--1\n2"), "Int:1 Int:2");
  EXPECT_EQ(kinds("a/**/b"), "Id:a Id:b");
  EXPECT_EQ(kinds("-- only a comment"), "");
}

TEST(Lexer, PositionsCountLinesAndColumns) {
  auto toks = tokenize("SELECT\n  a, /* x\n y */ b\r\n'c\nd' e");
  ASSERT_EQ(toks.size(), 7u);
  EXPECT_EQ(toks[1].line, 2);
  EXPECT_EQ(toks[1].column, 3);
  EXPECT_EQ(toks[3].text, "b");
  EXPECT_EQ(toks[3].line, 3);
  EXPECT_EQ(toks[3].column, 7);
  EXPECT_EQ(toks[5].line, 5);  // after the string that spans a line
  EXPECT_EQ(toks[6].kind, K::End);
}

TEST(Lexer, ErrorsCarryNumberTextAndLine) {
  struct Case {
    const char* text;
    int number;
    const char* message;
    int line;
  };
  const Case cases[] = {
      {"SELECT 1\nSELECT 'abc", 105, "Unclosed quotation mark after the character string 'abc'.", 2},
      {"SELECT N'x\n\ny", 105, "Unclosed quotation mark after the character string 'x\n\ny'.", 1},
      {"SELECT [col", 105, "Unclosed quotation mark after the character string 'col'.", 1},
      {"SELECT 1 /* a /* b */", 113, "Missing end comment mark '*/'.", 1},
      {"SELECT 1\n\nSELECT $", 102, "Incorrect syntax near '$'.", 3},
      {"SELECT a ! b", 102, "Incorrect syntax near '!'.", 1},
      {"SELECT $e5", 102, "Incorrect syntax near '$'.", 1},  // a money constant has no exponent
      {"SELECT 1 AS []", 1038, "", 1},
      {"SELECT 1 AS \"\"", 1038, "", 1},
  };
  for (const Case& c : cases) {
    SqlError e = test::parseError(c.text);
    EXPECT_EQ(e.number(), c.number) << c.text;
    if (*c.message) {
      EXPECT_EQ(e.message(), c.message) << c.text;
    }
    EXPECT_EQ(e.line(), c.line) << c.text;
    EXPECT_EQ(e.severity(), 15) << c.text;
  }
}

TEST(Lexer, NamesLongerThan128CharactersAreRejected) {
  std::string ok(128, 'a');
  EXPECT_NO_THROW(tokenize(ok));
  EXPECT_NO_THROW(tokenize("[" + std::string(42, 'x') + std::string(86, 'y') + "]"));
  SqlError e = test::parseError("SELECT " + ok + "b");
  EXPECT_EQ(e.number(), 103);
  EXPECT_NE(e.message().find(ok), std::string::npos);
  // characters, not bytes: 128 CJK characters are a valid name
  std::string cjk;
  for (int i = 0; i < 128; ++i)
    cjk += "列";
  EXPECT_NO_THROW(tokenize("[" + cjk + "]"));
  EXPECT_EQ(test::parseError("SELECT [" + cjk + "x]").number(), 103);
}

TEST(Lexer, ReservedWordsAreKnown) {
  for (const char* w : {"SELECT", "LEFT", "COALESCE", "IDENTITY_INSERT", "NOCHECK", "WRITETEXT", "ADD"}) {
    EXPECT_TRUE(isReservedWord(w)) << w;
  }
  for (const char* w : {"NOCOUNT", "ROLLUP", "TIES", "OUTPUT", "MAX", "CAST", "NEXT", "select"}) {
    EXPECT_FALSE(isReservedWord(w)) << w;
  }
}

}  // namespace
}  // namespace mls::tsql
