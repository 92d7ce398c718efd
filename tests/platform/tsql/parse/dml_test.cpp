#include <gtest/gtest.h>

#include "ast_dump.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql {
namespace {

using namespace ast;

template <class T>
const T& only(const std::vector<StmtPtr>& stmts, StmtKind kind) {
  EXPECT_EQ(stmts.size(), 1u);
  EXPECT_EQ(stmts.at(0)->kind, kind);
  return stmts.at(0)->as<T>();
}

TEST(Insert, ValuesRowsWithDefaults) {
  auto stmts = parseBatch("INSERT INTO dbo.t (a, [b c]) VALUES (1, DEFAULT), (-2.5, N'成本')");
  const auto& s = only<InsertStmt>(stmts, StmtKind::Insert);
  EXPECT_EQ(s.table.text(), "dbo.t");
  EXPECT_EQ(s.columns, (std::vector<std::string>{"a", "b c"}));
  EXPECT_EQ(s.source, InsertStmt::Source::Values);
  ASSERT_EQ(s.rows.size(), 2u);
  EXPECT_EQ(test::dump(*s.rows[0][1]), "DEFAULT");
  EXPECT_EQ(test::dump(*s.rows[1][0]), "(- 2.5)");
  EXPECT_EQ(test::dump(*s.rows[1][1]), "N'成本'");
}

TEST(Insert, QueryExecAndDefaultValuesSources) {
  auto a = parseBatch("INSERT #t SELECT a FROM u ORDER BY a");
  const auto& s = only<InsertStmt>(a, StmtKind::Insert);
  EXPECT_EQ(s.source, InsertStmt::Source::Query);
  EXPECT_EQ(test::dump(*s.query), "SELECT a FROM u ORDER BY a");  // the ORDER BY stays with the query

  auto b = parseBatch("INSERT INTO t (a) (SELECT 1)");
  EXPECT_EQ(b[0]->as<InsertStmt>().columns.size(), 1u);
  EXPECT_EQ(b[0]->as<InsertStmt>().source, InsertStmt::Source::Query);

  auto c = parseBatch("INSERT t EXEC GetRows @p = 1");
  const auto& e = only<InsertStmt>(c, StmtKind::Insert);
  ASSERT_EQ(e.source, InsertStmt::Source::Exec);
  EXPECT_EQ(e.exec->kind, StmtKind::Exec);
  EXPECT_EQ(e.exec->as<ExecStmt>().procedure.text(), "GetRows");

  auto d = parseBatch("INSERT t DEFAULT VALUES");
  EXPECT_EQ(d[0]->as<InsertStmt>().source, InsertStmt::Source::DefaultValues);
}

TEST(Update, SetItemsWithVariablesAndColumns) {
  auto stmts = parseBatch("UPDATE t SET @run = bal = @run + amt, @n = @n + 1, t.c = DEFAULT, d = (SELECT 1)");
  const auto& s = only<UpdateStmt>(stmts, StmtKind::Update);
  ASSERT_EQ(s.items.size(), 4u);
  EXPECT_EQ(s.items[0].variable, "@run");
  EXPECT_EQ(s.items[0].column, (std::vector<std::string>{"bal"}));
  EXPECT_EQ(test::dump(*s.items[0].value), "(+ @run amt)");
  EXPECT_EQ(s.items[1].variable, "@n");
  EXPECT_TRUE(s.items[1].column.empty());
  EXPECT_EQ(s.items[2].column, (std::vector<std::string>{"t", "c"}));
  EXPECT_EQ(s.items[2].value->kind, ExprKind::Default);
  EXPECT_EQ(test::dump(*s.items[3].value), "{SELECT 1}");
  EXPECT_TRUE(s.from.empty());
  EXPECT_FALSE(s.where);
}

TEST(Update, AliasTargetWithFromAndWhere) {
  auto stmts = parseBatch(
      "UPDATE a SET a.x = b.y FROM dbo.T a INNER JOIN (SELECT k, SUM(v) y FROM U GROUP BY k) b ON a.k = b.k "
      "WHERE a.x <> b.y");
  const auto& s = only<UpdateStmt>(stmts, StmtKind::Update);
  EXPECT_EQ(s.target.text(), "a");
  ASSERT_EQ(s.from.size(), 1u);
  EXPECT_EQ(test::dump(*s.from[0]),
            "(INNER dbo.T AS a {SELECT k, SUM(v) AS y FROM U GROUP BY k} AS b (= a.k b.k))");
  EXPECT_EQ(test::dump(*s.where), "(<> a.x b.y)");
}

TEST(Delete, TheThreeForms) {
  auto a = parseBatch("DELETE FROM #t WHERE a IN (SELECT a FROM u)");
  const auto& s1 = only<DeleteStmt>(a, StmtKind::Delete);
  EXPECT_EQ(s1.target.text(), "#t");
  EXPECT_TRUE(s1.from.empty());
  EXPECT_EQ(test::dump(*s1.where), "(IN a {SELECT a FROM u})");

  auto b = parseBatch("DELETE t FROM t JOIN u ON t.k = u.k");
  const auto& s2 = only<DeleteStmt>(b, StmtKind::Delete);
  EXPECT_EQ(s2.target.text(), "t");
  EXPECT_EQ(test::dump(*s2.from[0]), "(INNER t u (= t.k u.k))");

  auto c = parseBatch("DELETE FROM x FROM t x WHERE x.a = 1");
  const auto& s3 = only<DeleteStmt>(c, StmtKind::Delete);
  EXPECT_EQ(s3.target.text(), "x");
  EXPECT_EQ(test::dump(*s3.from[0]), "t AS x");

  auto d = parseBatch("DELETE t");
  EXPECT_FALSE(d[0]->as<DeleteStmt>().where);
}

TEST(Truncate, NeedsTable) {
  auto stmts = parseBatch("TRUNCATE TABLE tempdb..#w");
  EXPECT_EQ(only<TruncateStmt>(stmts, StmtKind::Truncate).table.text(), "tempdb..#w");
  EXPECT_EQ(test::parseError("TRUNCATE t").number(), 102);
}

}  // namespace
}  // namespace mls::tsql
