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
      // SQL Server's forms, also those this engine refuses when it runs them
      {"v1.FQty > ALL (SELECT FQty FROM t) AND v1.FItemID = SOME (SELECT a FROM b)", Connective::None},
      {"AND v1.FAmount <> $0 AND v1.FFlag = 0x01 AND v1.FAmount > ¥10", Connective::And},
      {"v1.FDate >= {d '2024-03-01'} AND v1.FDate < {ts '2024-04-01 00:00:00'} OR {t '13:33:41'} > 0",
       Connective::None},
      {"{fn UCASE(v1.FNote)} = 'A' OR {fn BIT_LENGTH(v1.FNote)} > 8", Connective::None},
      {"{fn CONVERT(v1.FNote, SQL_TIME)} > 0 OR {fn TIMESTAMPADD(SQL_TSI_FRAC_SECOND, 1, u1.FDate)} > "
       "u1.FDate "
       "OR CASE WHEN v1.FQty > 0 THEN {fn SOUNDEX(v1.FNote)} END = 'x'",
       Connective::None},
      {"v1.FNote COLLATE Chinese_PRC_CI_AS = N'材料' AND CONTAINS(v1.FNote, '\"a*\"')", Connective::None},
      {"OR IIF(v1.FQty > 0, 1, 0) = 1 AND NOT FREETEXT(*, 'x')", Connective::Or},
      {"u1.FDate < CURRENT_TIMESTAMP AND TRY_CAST(v1.FNote AS INT) > TRIM('x' FROM v1.FNote)",
       Connective::None},
      // subqueries read through past what the engine lacks, to their ')'
      {"v1.FItemID IN (SELECT a FROM b CROSS APPLY c(b.x) d WHERE (d.y = 1)) AND v1.FQty > 0",
       Connective::None},
      {"v1.FQty IS DISTINCT FROM u1.FQty AND v1.FNote IS NOT DISTINCT FROM NULL", Connective::None},
      {"v1.FNote LIKE 'a\\_%' {escape '\\'} AND v1.FDate < CURRENT_DATE", Connective::None},
      {"AND u1.FDate AT TIME ZONE 'UTC' AT TIME ZONE @zone > {ts '2024-03-01 00:00:00'}", Connective::And},
      {"v1.FGuid = {guid '6F9619FF-8B86-D011-B42D-00C04FC964FF'} OR v1.FID = NEXT VALUE FOR dbo.s",
       Connective::None},
      {"v1.FShape.STArea() > geometry::Point(1, 2, 0).STX OR MATCH(p1-(f)->p2) AND $IDENTITY > 0",
       Connective::None},
      {"v1.FNote = JSON_OBJECT('a': 1) OR v1.FFlags << 2 > 0 OR v1.FNote || 'x' = 'ax'", Connective::None},
      {"EXISTS (SELECT 1 FROM {oj t a LEFT OUTER JOIN u b ON a.x = b.x} WHERE a.x = v1.FID) OR @@VERSION > "
       "''",
       Connective::None},
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
      // INTO in a subquery, in one read through and in a skipped form; ';' or an unbalanced text there
      {"EXISTS (SELECT 1 INTO t FROM u1)", "Incorrect syntax near the keyword 'INTO'."},
      {"EXISTS (SELECT g FROM t GROUP BY ALL g HAVING g IN (SELECT 1 INTO x))",
       "Incorrect syntax near the keyword 'INTO'."},
      {"TRY_CAST((SELECT 1 INTO t) AS INT) = 1", "Incorrect syntax near the keyword 'INTO'."},
      {"v1.FItemID IN (SELECT a FROM b CROSS APPLY c(b.x) d; DELETE t)", "Incorrect syntax near ';'."},
      {"v1.FNote = geometry::Point(1, 2; DROP TABLE t)", "Incorrect syntax near ';'."},
      {"CONTAINS(v1.FNote, 'a')) OR (1=1", "Incorrect syntax near ')'."},
      {"v1.FItemID IN (SELECT a FROM b CROSS APPLY c(b.x) d", "Incorrect syntax near 'd'."},
      {"$PARTITION.pf(1 = 1", "Incorrect syntax near '1'."},
      {"v1.FNote LIKE 'a' {escape '!'", "Incorrect syntax near '!'."},
      {"v1.FQty = ANY (1, 2)", "Incorrect syntax near '1'."},
      {"x.FDate AT TIME ZONE 'UTC' > 0", "the statement has no table named by x.FDate"},
      {"x.FNote COLLATE Latin1_General_BIN = 'a'", "the statement has no table named by x.FNote"},
      // the rowset functions, though a subquery the engine cannot run is otherwise read through
      {"v1.FItemID IN (SELECT a FROM OPENROWSET('p', 'x', 'EXEC xp') r)", "the rowset function OPENROWSET"},
      {"EXISTS (SELECT 1 FROM openquery(srv, 'DELETE FROM x'))", "the rowset function OPENQUERY"},
      {"EXISTS (SELECT 1 FROM OpenDataSource('p', 's').db.dbo.t)", "the rowset function OPENDATASOURCE"},
  };
  for (const auto& f : faults)
    EXPECT_EQ(checkConditionFragment(f.text, kAliases).fault, f.fault) << f.text;
}

}  // namespace
}  // namespace mls::tsql
