#include <gtest/gtest.h>

#include "ast_dump.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql {
namespace {

struct Case {
  const char* text;
  int number;
  const char* message;
  int line;
};

TEST(SyntaxErrors, NameTheOffendingTokenAndItsLine) {
  const Case cases[] = {
      {"SELECT * FROM", 156, "Incorrect syntax near the keyword 'FROM'.", 1},
      {"select *\nfrom t\nwhere", 156, "Incorrect syntax near the keyword 'WHERE'.", 3},
      {"SELECT (1", 102, "Incorrect syntax near '1'.", 1},
      {"SELECT 1 +", 102, "Incorrect syntax near '+'.", 1},
      {"SELECT a FROM t\nWHERE a = = 1", 102, "Incorrect syntax near '='.", 2},
      {"INSERT t VALUES (1,\n2", 102, "Incorrect syntax near '2'.", 2},
      {"UPDATE t SET", 156, "Incorrect syntax near the keyword 'SET'.", 1},
      {"SELECT 1 2", 102, "Incorrect syntax near '2'.", 1},
      {"SELECT a FROM t ORDER a", 102, "Incorrect syntax near 'a'.", 1},
      {"CREATE TABLE t (a int", 102, "Incorrect syntax near 'int'.", 1},
      {"DECLARE @a", 102, "Incorrect syntax near '@a'.", 1},
      {"SELECT N'成本' +", 102, "Incorrect syntax near '+'.", 1},
      {"WHILE 1=1 BEGIN\n  SELECT 1\n", 102, "Incorrect syntax near '1'.", 2},
      {"EXEC", 156, "Incorrect syntax near the keyword 'EXEC'.", 1},
      {"@x = 1", 102, "Incorrect syntax near '@x'.", 1},
      {")", 102, "Incorrect syntax near ')'.", 1},
      {"SELECT 1\n\n  ELSE", 156, "Incorrect syntax near the keyword 'ELSE'.", 3},
      {"SELECT 'it''s' FROM t WHERE x = 'a' 'b'", 102, "Incorrect syntax near 'b'.", 1},
      {"SELECT [my col] FROM [my table] [x] [y]", 102, "Incorrect syntax near 'y'.", 1},
      {"SELECT a. FROM t", 102, "Incorrect syntax near '.'.", 1},
      {"SELECT TOP a FROM t", 102, "Incorrect syntax near 'a'.", 1},
      {"SELECT * FROM a JOIN b", 102, "Incorrect syntax near 'b'.", 1},
      {"SELECT 1 -- comment 'x'\n/* it's */ +", 102, "Incorrect syntax near '+'.", 2},
      {"SELECT {fn TIMESTAMPADD(DAY, 1, d)}", 102, "Incorrect syntax near 'DAY'.", 1},
      {"SELECT {fn CONVERT(1, INTEGER)}", 102, "Incorrect syntax near 'INTEGER'.", 1},
      {"SELECT {fn EXTRACT(WEEK FROM d)}", 102, "Incorrect syntax near 'WEEK'.", 1},
      // GO separates batches in tools; after SELECT 1 it would be a column alias
      {"PRINT 1\nGO\nSELECT 2", 102, "Incorrect syntax near 'GO'.", 2},
  };
  for (const Case& c : cases) {
    SqlError e = test::parseError(c.text);
    EXPECT_EQ(e.number(), c.number) << c.text;
    EXPECT_EQ(e.message(), c.message) << c.text;
    EXPECT_EQ(e.line(), c.line) << c.text;
    EXPECT_EQ(e.severity(), 15) << c.text;
  }
}

// Forms the engine does not have, and SET options it does not know, name what
// they refuse and its line.
TEST(SyntaxErrors, RefusedFormsNameTheForm) {
  const Case cases[] = {
      {"SELECT 1\nSAVE TRAN s1", 40517, "SAVE TRANSACTION (savepoints) is not supported by this engine.", 2},
      {"DECLARE @t AS TABLE (a int)", 40517,
       "DECLARE @t TABLE (table variables) is not supported by this engine.", 1},
      {"SELECT a FROM t\nGROUP BY a\nWITH CUBE", 40517,
       "GROUP BY ... WITH CUBE is not supported by this engine.", 3},
      {"SET ANSI_NULLS OFF", 40517, "SET ANSI_NULLS OFF is not supported by this engine.", 1},
      {"SET nocounts ON", 195, "'nocounts' is not a recognized SET option.", 1},
      {"SET DATEFORMAT 'dd'", 2741, "SET DATEFORMAT date order 'dd' is invalid.", 1},
      {"EXEC p\n  @a = 5 OUTPUT", 179,
       "Cannot use the OUTPUT option when passing a constant to a stored procedure.", 2},
      {"SELECT 1\nSELECT IIF(1 = 1, NULL, NULL)", 8133, nullptr, 2},  // the server's text for 8133
  };
  for (const Case& c : cases) {
    SqlError e = test::parseError(c.text);
    EXPECT_EQ(e.number(), c.number) << c.text;
    EXPECT_EQ(e.message(), c.message ? c.message : sqlError(c.number).message()) << c.text;
    EXPECT_EQ(e.line(), c.line) << c.text;
  }
}

// The ODBC scalar functions the engine has no T-SQL function or type for,
// and the forms of the others it cannot take, each refused by its name: one
// case a way the refusal is reached.
TEST(SyntaxErrors, OdbcFunctionsTheEngineLacksAreRefusedByName) {
  const struct {
    const char* call;
    const char* form;
  } cases[] = {
      {"ASCII('a')", "{fn ASCII}"},
      {"character_length('a')", "{fn CHARACTER_LENGTH}"},
      {"INSERT('abc', 2, 1, 'x')", "{fn INSERT}"},  // a keyword
      {"ATAN2(1, 1)", "{fn ATAN2}"},
      {"PI()", "{fn PI}"},
      {"CURRENT_TIME", "{fn CURRENT_TIME}"},
      {"CURRENT_TIME(3)", "{fn CURRENT_TIME}"},
      {"CURRENT_TIMESTAMP(3)", "{fn CURRENT_TIMESTAMP(precision)}"},
      {"TIMESTAMPDIFF(SQL_TSI_FRAC_SECOND, d, d)", "{fn TIMESTAMPDIFF(SQL_TSI_FRAC_SECOND, ...)}"},
      {"CONVERT(1, SQL_TIME)", "{fn CONVERT(..., SQL_TIME)}"},
  };
  for (const auto& c : cases) {
    const std::string text = std::string("SELECT a FROM t\nWHERE {fn ") + c.call + "} IS NULL";
    SqlError e = test::parseError(text);
    EXPECT_EQ(e.number(), 40517) << text;
    EXPECT_EQ(e.message(), std::string(c.form) + " is not supported by this engine.") << text;
    EXPECT_EQ(e.line(), 2) << text;
  }
}

std::string repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i)
    out += s;
  return out;
}

TEST(SyntaxErrors, NestingIsBounded) {
  // within the limits
  EXPECT_NO_THROW(parseBatch("SELECT " + repeat("(", 200) + "1" + repeat(")", 200)));
  EXPECT_NO_THROW(parseBatch("SELECT 1" + repeat(" + 1", 2000)));
  EXPECT_NO_THROW(parseBatch("SELECT 1" + repeat(" UNION SELECT 1", 256)));
  EXPECT_NO_THROW(parseBatch("IF 1=1 " + repeat("BEGIN ", 100) + "PRINT 1" + repeat(" END", 100)));

  const std::string tooDeep[] = {
      "SELECT " + repeat("(", 300) + "1" + repeat(")", 300),
      "SELECT " + repeat("- ", 5000) + "1",
      "SELECT 1 WHERE " + repeat("NOT ", 300) + "1 = 1",
      repeat("IF 1=1 ", 300) + "PRINT 1",
      "SELECT " + repeat("(SELECT ", 300) + "1" + repeat(")", 300),
      "SELECT 1" + repeat(" + 1", 2100),
      "SELECT 1 WHERE 1=1" + repeat(" OR 1=1", 5000),
      "SELECT 1" + repeat(" UNION SELECT 1", 257),
      "SELECT 1 FROM t" + repeat(" CROSS JOIN t", 5000),
      "SELECT " + repeat("CASE WHEN 1=1 THEN ", 300) + "1" + repeat(" END", 300),
      // deep on both axes: long chains inside nested parentheses
      "SELECT " + repeat("(1" + repeat(" + 1", 100) + " + ", 100) + "1" + repeat(")", 100),
  };
  for (const std::string& text : tooDeep) {
    SqlError e = test::parseError(text);
    EXPECT_EQ(e.number(), 191) << text.substr(0, 60);
    EXPECT_EQ(
        e.message(),
        "Some part of your SQL statement is nested too deeply. Rewrite the query or break it up into smaller "
        "queries.");
  }
}

}  // namespace
}  // namespace mls::tsql
