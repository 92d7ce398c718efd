#include <gtest/gtest.h>

#include "ast_dump.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql {
namespace {

using test::dumpCondition;
using test::dumpValue;

TEST(ExpressionsDeathTest, DowncastToATypeTheKindDoesNotNameAborts) {
  ast::Variable v("@x", {});
  const ast::Expr& e = v;
  EXPECT_EQ(e.as<ast::Variable>().name, "@x");
  EXPECT_DEBUG_DEATH(e.as<ast::Literal>(), "downcast");
}

TEST(Expressions, ArithmeticPrecedenceAndAssociativity) {
  EXPECT_EQ(dumpValue("1 + 2 * 3"), "(+ 1 (* 2 3))");
  EXPECT_EQ(dumpValue("(1 + 2) * 3"), "(* (+ 1 2) 3)");
  EXPECT_EQ(dumpValue("a - b - c"), "(- (- a b) c)");
  EXPECT_EQ(dumpValue("a / b % c * d"), "(* (% (/ a b) c) d)");
  EXPECT_EQ(dumpValue("-a * b"), "(* (- a) b)");
  EXPECT_EQ(dumpValue("- - 5"), "(- (- 5))");
  EXPECT_EQ(dumpValue("~a & b | c ^ d + e"), "(+ (^ (| (& (~ a) b) c) d) e)");
  EXPECT_EQ(dumpValue("'a' + N'b' + @c"), "(+ (+ 'a' N'b') @c)");
}

TEST(Expressions, ConditionPrecedence) {
  EXPECT_EQ(dumpCondition("a = 1 OR b = 2 AND c = 3"), "(OR (= a 1) (AND (= b 2) (= c 3)))");
  EXPECT_EQ(dumpCondition("NOT a = 1 AND b <> 2"), "(AND (NOT (= a 1)) (<> b 2))");
  EXPECT_EQ(dumpCondition("NOT NOT a != 1"), "(NOT (NOT (<> a 1)))");
  EXPECT_EQ(dumpCondition("(a = 1 OR b = 2) AND c = 3"), "(AND (OR (= a 1) (= b 2)) (= c 3))");
  EXPECT_EQ(dumpCondition("a + 1 > b * 2"), "(> (+ a 1) (* b 2))");
  EXPECT_EQ(dumpCondition("(a + 1) * 2 >= (b)"), "(>= (* (+ a 1) 2) b)");
  EXPECT_EQ(dumpCondition("((a = 1))"), "(= a 1)");
  EXPECT_EQ(dumpCondition("a !< 1 AND b !> 2"), "(AND (>= a 1) (<= b 2))");
}

TEST(Expressions, PredicateForms) {
  EXPECT_EQ(dumpCondition("a IS NULL OR b IS NOT NULL"), "(OR (IS NULL a) (IS NOT NULL b))");
  EXPECT_EQ(dumpCondition("name NOT LIKE 'a!%%' ESCAPE '!'"), "(NOT LIKE name 'a!%%' ESCAPE '!')");
  EXPECT_EQ(dumpCondition("a BETWEEN 1 AND 2 AND b = 3"), "(AND (BETWEEN a 1 2) (= b 3))");
  EXPECT_EQ(dumpCondition("a NOT BETWEEN b - 1 AND b + 1"), "(NOT BETWEEN a (- b 1) (+ b 1))");
  EXPECT_EQ(dumpCondition("a IN (1, 2, @x)"), "(IN a [1 2 @x])");
  EXPECT_EQ(dumpCondition("a NOT IN (SELECT b FROM t)"), "(NOT IN a {SELECT b FROM t})");
  EXPECT_EQ(dumpCondition("NOT EXISTS (SELECT * FROM t WHERE t.a = x.a)"),
            "(NOT (EXISTS {SELECT * FROM t WHERE (= t.a x.a)}))");
  EXPECT_EQ(dumpCondition("(SELECT COUNT(*) FROM t) > 0"), "(> {SELECT COUNT(*) FROM t} 0)");
  EXPECT_EQ(dumpCondition("a = (SELECT TOP 1 b FROM t ORDER BY c DESC)"),
            "(= a {SELECT TOP 1 b FROM t ORDER BY c DESC})");
}

TEST(Expressions, CaseCastConvertAndCalls) {
  EXPECT_EQ(dumpValue("CASE a WHEN 1 THEN 'x' WHEN 2 THEN 'y' ELSE 'z' END"),
            "(CASE a (WHEN 1 'x') (WHEN 2 'y') (ELSE 'z'))");
  EXPECT_EQ(dumpValue("CASE WHEN a > 0 AND b IS NULL THEN 1 END"),
            "(CASE (WHEN (AND (> a 0) (IS NULL b)) 1))");
  EXPECT_EQ(dumpValue("CAST(x AS decimal(28, 10))"), "(CAST x DECIMAL(28,10))");
  EXPECT_EQ(dumpValue("cast(x as nvarchar(max))"), "(CAST x NVARCHAR(MAX))");
  EXPECT_EQ(dumpValue("CONVERT(varchar(10), d, 111)"), "(CONVERT VARCHAR(10) d 111)");
  EXPECT_EQ(dumpValue("CONVERT([int], '12')"), "(CONVERT INT '12')");
  EXPECT_EQ(dumpValue("COUNT(*)"), "COUNT(*)");
  EXPECT_EQ(dumpValue("count(DISTINCT a.b)"), "count(DISTINCT a.b)");
  EXPECT_EQ(dumpValue("OBJECT_ID('tempdb..#x')"), "OBJECT_ID('tempdb..#x')");
  EXPECT_EQ(dumpValue("SCOPE_IDENTITY() + DB_NAME()"), "(+ SCOPE_IDENTITY() DB_NAME())");
  EXPECT_EQ(dumpValue("LEFT(RIGHT(a, 3), 1)"), "LEFT(RIGHT(a 3) 1)");
  EXPECT_EQ(dumpValue("COALESCE(NULLIF(a, 0), ISNULL(b, 1))"), "COALESCE(NULLIF(a 0) ISNULL(b 1))");
  EXPECT_EQ(dumpValue("dbo.fn(1)"), "dbo.fn(1)");
  EXPECT_EQ(dumpValue("ROUND(SUM(x.amt), @n)"), "ROUND(SUM(x.amt) @n)");
  EXPECT_EQ(dumpValue("GROUPING(a)"), "GROUPING(a)");
}

TEST(Expressions, NamesVariablesAndParameters) {
  EXPECT_EQ(dumpValue("[dbo].[My Table].[col]"), "dbo.My Table.col");
  EXPECT_EQ(dumpValue("@@ROWCOUNT + @@error"), "(+ @@ROWCOUNT @@ERROR)");
  auto stmts = parseBatch("SELECT ?, ? + ?");
  const auto& items = stmts[0]->as<ast::SelectStmt>().query->select->items;
  EXPECT_EQ(test::dump(*items[0].expr), "?1");
  EXPECT_EQ(test::dump(*items[1].expr), "(+ ?2 ?3)");
}

TEST(Expressions, LiteralsKeepTextAndKind) {
  auto lit = [](std::string_view text) {
    ast::ExprPtr e = parseExpression(text);
    EXPECT_EQ(e->kind, ast::ExprKind::Literal) << text;
    return e;
  };
  auto d = lit("12.345");
  EXPECT_EQ(d->as<ast::Literal>().literal, ast::LiteralKind::Decimal);
  EXPECT_EQ(d->as<ast::Literal>().decimalPrecision(), 5);
  EXPECT_EQ(d->as<ast::Literal>().decimalScale(), 3);
  struct Case {
    const char* text;
    int precision, scale;
  };
  for (Case c : {Case{"0.5", 1, 1}, Case{"12.", 2, 0}, Case{".05", 2, 2}, Case{"007.10", 3, 2},
                 Case{"0.00", 2, 2}, Case{"123456789012345678901234567890.12345678", 38, 8}}) {
    auto e = lit(c.text);
    EXPECT_EQ(e->as<ast::Literal>().decimalPrecision(), c.precision) << c.text;
    EXPECT_EQ(e->as<ast::Literal>().decimalScale(), c.scale) << c.text;
  }
  EXPECT_EQ(lit("1E5")->as<ast::Literal>().literal, ast::LiteralKind::Float);
  EXPECT_EQ(lit("99999999999")->as<ast::Literal>().literal, ast::LiteralKind::Integer);
  EXPECT_EQ(lit("NULL")->as<ast::Literal>().literal, ast::LiteralKind::Null);
  EXPECT_EQ(lit("N'ä'")->as<ast::Literal>().text, "ä");
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
