// Expression trees where no result shows them (names, parameters, the checked
// downcast) and the errors of values used as conditions and back; precedence
// and literal types are SQL records (tests/platform/tsql/cases/parse_forms.test).
#include <gtest/gtest.h>

#include "ast_dump.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql {
namespace {

using test::dumpValue;

TEST(ExpressionsDeathTest, DowncastToATypeTheKindDoesNotNameAborts) {
  ast::Variable v("@x", {});
  const ast::Expr& e = v;
  EXPECT_EQ(e.as<ast::Variable>().name, "@x");
  EXPECT_DEBUG_DEATH(e.as<ast::Literal>(), "downcast");
}

TEST(Expressions, NamesVariablesAndParameters) {
  EXPECT_EQ(dumpValue("[dbo].[My Table].[col]"), "dbo.My Table.col");
  EXPECT_EQ(dumpValue("@@ROWCOUNT + @@error"), "(+ @@ROWCOUNT @@ERROR)");
  EXPECT_EQ(dumpValue("dbo.fn(1)"), "dbo.fn(1)");
  auto stmts = parseBatch("SELECT ?, ? + ?");
  const auto& items = stmts[0]->as<ast::SelectStmt>().query->select->items;
  EXPECT_EQ(test::dump(*items[0].expr), "?1");
  EXPECT_EQ(test::dump(*items[1].expr), "(+ ?2 ?3)");
}

TEST(Expressions, ValuesAndConditionsAreNotInterchangeable) {
  struct Case {
    const char* text;
    int number;
    const char* near;
  };
  const Case cases[] = {
      {"SELECT a > 1 FROM t", 102, ">"},
      {"SELECT (a = 1)", 102, "="},
      {"SELECT EXISTS (SELECT 1)", 156, "EXISTS"},
      {"SELECT 1 WHERE a = 1 = 1", 102, "="},
      {"SELECT 1 WHERE a = (b = 1)", 102, "="},
      {"SELECT 1 WHERE (a = 1) + 1 > 0", 102, "+"},
      {"SELECT 1 WHERE a", 4145, "a"},
      {"IF @x PRINT 1", 4145, "PRINT"},
      {"SELECT 1 WHERE a = 1 AND b ORDER BY 1", 4145, "ORDER"},
      {"SELECT CASE WHEN a THEN 1 END", 4145, "THEN"},
      {"SELECT 1 WHERE NOT a", 4145, "a"},
  };
  for (const Case& c : cases) {
    SqlError e = test::parseError(c.text);
    EXPECT_EQ(e.number(), c.number) << c.text;
    EXPECT_NE(e.message().find(std::string("'") + c.near + "'"), std::string::npos)
        << c.text << ": " << e.message();
  }
}

}  // namespace
}  // namespace mls::tsql
