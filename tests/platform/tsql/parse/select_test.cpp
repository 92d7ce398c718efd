// Query trees where a result would not tell one shape from another: select
// list forms, multi-part names, how joins nest, where ORDER BY belongs, set
// operators' precedence.
#include <gtest/gtest.h>

#include "ast_dump.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql {
namespace {

using test::dumpQuery;

TEST(Select, SelectListForms) {
  EXPECT_EQ(dumpQuery("SELECT a, b AS x, c y, z = d + 1, 'w' = e, f 'v', g AS 'u' FROM t"),
            "SELECT a, b AS x, c AS y, (+ d 1) AS z, e AS w, f AS v, g AS u FROM t");
  EXPECT_EQ(dumpQuery("SELECT *, t.*, dbo.t.* FROM dbo.t"), "SELECT *, t.*, dbo.t.* FROM dbo.t");
  EXPECT_EQ(dumpQuery("SELECT @a = a, @b = @b + b FROM t"), "SELECT @a = a, @b = (+ @b b) FROM t");
  EXPECT_EQ(dumpQuery("SELECT [order] [from] FROM t"), "SELECT order AS from FROM t");
}

TEST(Select, MultiPartNames) {
  EXPECT_EQ(dumpQuery("SELECT name FROM tempdb..sysobjects WHERE id = OBJECT_ID('tempdb..#t')"),
            "SELECT name FROM tempdb..sysobjects WHERE (= id OBJECT_ID('tempdb..#t'))");
  EXPECT_EQ(dumpQuery("SELECT * FROM sys.objects o, INFORMATION_SCHEMA.COLUMNS c, tempdb..#t"),
            "SELECT * FROM sys.objects AS o, INFORMATION_SCHEMA.COLUMNS AS c, tempdb..#t");
  EXPECT_EQ(dumpQuery("SELECT * FROM [srv].[db].[dbo].[T 1]"), "SELECT * FROM srv.db.dbo.T 1");
  auto stmts = parseBatch("SELECT * FROM tempdb..#t");
  const auto& t = stmts[0]->as<ast::SelectStmt>().query->select->from[0]->as<ast::NamedTable>();
  EXPECT_EQ(t.name.parts, (std::vector<std::string>{"tempdb", "", "#t"}));
  EXPECT_TRUE(t.name.isTemp());
  EXPECT_EQ(t.name.qualifier(2), "tempdb");
  EXPECT_EQ(t.name.qualifier(1), "");
}

TEST(Select, JoinsNestAsWritten) {
  EXPECT_EQ(dumpQuery("SELECT 1 FROM a JOIN b ON a.x = b.x LEFT OUTER JOIN c ON c.y = b.y"),
            "SELECT 1 FROM (LEFT (INNER a b (= a.x b.x)) c (= c.y b.y))");
  EXPECT_EQ(dumpQuery("SELECT 1 FROM a INNER JOIN b JOIN c ON c.x = b.x ON b.y = a.y"),
            "SELECT 1 FROM (INNER a (INNER b c (= c.x b.x)) (= b.y a.y))");
  EXPECT_EQ(dumpQuery("SELECT 1 FROM a RIGHT JOIN b ON 1=1 FULL JOIN c ON 1 = 1 CROSS JOIN d"),
            "SELECT 1 FROM (CROSS (FULL (RIGHT a b (= 1 1)) c (= 1 1)) d)");
  EXPECT_EQ(dumpQuery("SELECT 1 FROM a, b JOIN c ON b.x = c.x"), "SELECT 1 FROM a, (INNER b c (= b.x c.x))");
  EXPECT_EQ(dumpQuery("SELECT 1 FROM a LEFT JOIN (b JOIN c ON b.x = c.x) ON a.x = b.x"),
            "SELECT 1 FROM (LEFT a (INNER b c (= b.x c.x)) (= a.x b.x))");
  EXPECT_EQ(dumpQuery("SELECT 1 FROM t AS a WITH (NOLOCK) JOIN u b WITH (NOLOCK, INDEX(ix)) ON a.k = b.k"),
            "SELECT 1 FROM (INNER t AS a WITH(NOLOCK) u AS b WITH(NOLOCK,INDEX(ix)) (= a.k b.k))");
}

TEST(Select, DerivedTables) {
  EXPECT_EQ(dumpQuery("SELECT d.s FROM (SELECT SUM(x) s FROM t GROUP BY k) AS d"),
            "SELECT d.s FROM {SELECT SUM(x) AS s FROM t GROUP BY k} AS d");
  EXPECT_EQ(dumpQuery("SELECT * FROM (SELECT 1 UNION ALL SELECT 2) d (n) JOIN t ON t.n = d.n"),
            "SELECT * FROM (INNER {(UNION ALL {SELECT 1} {SELECT 2})} AS d(n) t (= t.n d.n))");
}

TEST(Select, OrderByBelongsToTheWholeUnion) {
  EXPECT_EQ(dumpQuery("SELECT a FROM t UNION SELECT b FROM u UNION ALL SELECT c FROM v ORDER BY 1 DESC, a"),
            "(UNION ALL {(UNION {SELECT a FROM t} {SELECT b FROM u})} {SELECT c FROM v}) ORDER BY 1 DESC, a");
  auto stmts = parseBatch("SELECT a FROM t UNION SELECT b FROM u ORDER BY a");
  const auto& q = *stmts[0]->as<ast::SelectStmt>().query;
  EXPECT_EQ(q.orderBy.size(), 1u);
  EXPECT_TRUE(q.left->orderBy.empty());
  EXPECT_TRUE(q.right->orderBy.empty());
  EXPECT_EQ(&q.firstSelect(), q.left->select.get());
  // a parenthesised member keeps its own ORDER BY
  EXPECT_EQ(dumpQuery("(SELECT TOP 1 a FROM t ORDER BY a) UNION (SELECT b FROM u) ORDER BY 1"),
            "(UNION {SELECT TOP 1 a FROM t ORDER BY a} {SELECT b FROM u}) ORDER BY 1");
}

TEST(Select, IntersectBindsTighterThanUnionAndExcept) {
  EXPECT_EQ(dumpQuery("SELECT 1 UNION SELECT 2 INTERSECT SELECT 3 EXCEPT SELECT 4"),
            "(EXCEPT {(UNION {SELECT 1} {(INTERSECT {SELECT 2} {SELECT 3})})} {SELECT 4})");
}

}  // namespace
}  // namespace mls::tsql
