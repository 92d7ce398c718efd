// Statement semantics of the executor: variable scope by text, control flow,
// @@ROWCOUNT around control flow, subqueries, grouping, UNION, ORDER BY / TOP /
// DISTINCT, transactions.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/tsql/engine.h"

namespace mls::tsql {
namespace {

class StatementsTest : public ::testing::Test {
 protected:
  // The last rowset of the batch, each value as debugString() shows it.
  std::vector<std::vector<std::string>> rows(const std::string& sql) {
    BatchResult r = s.execute(sql);
    std::vector<std::vector<std::string>> out;
    for (auto it = r.items.rbegin(); it != r.items.rend(); ++it) {
      if (it->kind != ResultItem::Kind::Rowset) continue;
      for (const auto& row : it->rowset.rows) {
        std::vector<std::string> cells;
        for (const Value& v : row)
          cells.push_back(v.debugString());
        out.push_back(std::move(cells));
      }
      return out;
    }
    ADD_FAILURE() << "no rowset from: " << sql;
    return out;
  }
  std::string one(const std::string& sql) {
    auto r = rows(sql);
    return r.size() == 1 && r[0].size() == 1 ? r[0][0] : "<not one value>";
  }
  int error(const std::string& sql) {
    try {
      s.execute(sql);
    } catch (const SqlError& e) {
      return e.number();
    }
    return 0;
  }
  void fill() {
    s.execute(
        "CREATE TABLE t (id INT IDENTITY PRIMARY KEY, grp VARCHAR(5), amt DECIMAL(10,2) NULL)\n"
        "INSERT t (grp, amt) VALUES ('a', 1.50), ('B', 2.25), ('A ', NULL), ('b', 4), ('c', 5.10)");
  }

  std::shared_ptr<Database> db = Database::create();
  Session s{db};
};

TEST_F(StatementsTest, VariablesExistFromTheirDeclarationInTheText) {
  // Declared in a branch that never runs: still declared afterwards.
  EXPECT_EQ(one("IF 1 = 0 BEGIN DECLARE @x INT END SET @x = 4 SELECT @x"), "4");
  // Used before its DECLARE: 137 even though the DECLARE is in the batch.
  EXPECT_EQ(error("SET @y = 1 DECLARE @y INT"), 137);
  // A DECLARE without a value in a loop keeps the value of the last round.
  EXPECT_EQ(one("DECLARE @i INT = 0, @s INT = 0\n"
                "WHILE @i < 3 BEGIN DECLARE @keep INT SET @keep = ISNULL(@keep, 0) + 1 SET @i = @i + 1 END\n"
                "SELECT @keep"),
            "3");
  EXPECT_EQ(error("DECLARE @a INT, @A INT"), 134);
}

TEST_F(StatementsTest, VariableAssignmentConvertsWithoutTruncationErrors) {
  EXPECT_EQ(rows("DECLARE @s VARCHAR(3) = 'abcdef', @c CHAR(4) = 'x', @i INT = 2.9, @d DECIMAL(5,1) = 1.25\n"
                 "SELECT @s, @c, @i, @d"),
            (std::vector<std::vector<std::string>>{{"'abc'", "'x   '", "2", "1.3"}}));
}

TEST_F(StatementsTest, SelectAssignmentTakesTheLastRowAndKeepsTheValueWithoutRows) {
  fill();
  EXPECT_EQ(one("DECLARE @g VARCHAR(5) = 'none' SELECT @g = grp FROM t ORDER BY id DESC SELECT @g"), "'a'");
  EXPECT_EQ(one("DECLARE @g VARCHAR(5) = 'none' SELECT @g = grp FROM t WHERE id > 99 SELECT @g"), "'none'");
  // Each row sees the variable as the previous row left it.
  EXPECT_EQ(one("DECLARE @sum DECIMAL(10,2) = 0 SELECT @sum = @sum + ISNULL(amt, 0) FROM t SELECT @sum"),
            "12.85");
  EXPECT_EQ(error("DECLARE @g INT SELECT @g = id, grp FROM t"), 141);
}

TEST_F(StatementsTest, LoopsBreakContinueAndReturn) {
  EXPECT_EQ(one("DECLARE @i INT = 0, @n INT = 0\n"
                "WHILE @i < 10 BEGIN\n"
                "  SET @i = @i + 1\n"
                "  IF @i % 2 = 0 CONTINUE\n"
                "  IF @i > 7 BREAK\n"
                "  SET @n = @n + @i\n"
                "END\n"
                "SELECT @n"),
            "16");
  BatchResult r = s.execute("PRINT 'a' IF 1 = 1 BEGIN RETURN END PRINT 'b'");
  EXPECT_EQ(r.messages, std::vector<std::string>{"a"});
  EXPECT_EQ(error("BREAK"), 135);
  EXPECT_EQ(error("IF 1 = 1 CONTINUE"), 136);
}

TEST_F(StatementsTest, RowCountAcrossControlFlow) {
  fill();
  // DECLARE leaves @@ROWCOUNT alone; an IF resets it after its test.
  EXPECT_EQ(one("UPDATE t SET amt = amt WHERE id <= 2 DECLARE @z INT SELECT @@ROWCOUNT"), "2");
  EXPECT_EQ(one("UPDATE t SET amt = amt WHERE id <= 2 IF @@ROWCOUNT = 2 SELECT @@ROWCOUNT"), "0");
  EXPECT_EQ(one("DELETE t WHERE id = 99 SET NOCOUNT ON SELECT @@ROWCOUNT"), "0");
  EXPECT_EQ(one("SELECT id FROM t WHERE id < 3 SELECT @@ROWCOUNT"), "2");
  EXPECT_EQ(one("SELECT 1 / 0 AS never WHERE 1 = 0 SELECT @@ERROR"), "0");
}

TEST_F(StatementsTest, ScalarAndExistsSubqueries) {
  fill();
  s.execute("CREATE TABLE u (grp VARCHAR(5), cap INT) INSERT u VALUES ('a', 1), ('b', 2), ('b', 3)");
  EXPECT_EQ(one("SELECT (SELECT cap FROM u WHERE grp = 'A')"), "1");
  EXPECT_EQ(one("SELECT (SELECT cap FROM u WHERE grp = 'zz')"), "NULL");
  EXPECT_EQ(error("SELECT (SELECT cap FROM u WHERE grp = 'b')"), 512);
  EXPECT_EQ(error("SELECT (SELECT grp, cap FROM u)"), 116);
  // Correlated: rows of t whose group has a row in u.
  EXPECT_EQ(rows("SELECT id FROM t WHERE EXISTS (SELECT * FROM u WHERE u.grp = t.grp) ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"1"}, {"2"}, {"3"}, {"4"}}));
  EXPECT_EQ(rows("SELECT id FROM t WHERE grp NOT IN (SELECT grp FROM u) ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"5"}}));
  // NOT IN over a set holding NULL keeps no row.
  s.execute("INSERT u VALUES (NULL, 9)");
  EXPECT_TRUE(rows("SELECT id FROM t WHERE grp NOT IN (SELECT grp FROM u)").empty());
  EXPECT_EQ(one("IF NOT EXISTS (SELECT * FROM u WHERE cap > 100) SELECT 'none' ELSE SELECT 'some'"),
            "'none'");
}

TEST_F(StatementsTest, GroupingAndAggregates) {
  fill();
  // Groups compare without case or trailing spaces; NULLs are skipped.
  EXPECT_EQ(rows("SELECT UPPER(grp), COUNT(*), COUNT(amt), SUM(amt), MAX(amt) FROM t GROUP BY UPPER(grp) "
                 "ORDER BY UPPER(grp)"),
            (std::vector<std::vector<std::string>>{{"'A'", "2", "1", "1.50", "1.50"},
                                                   {"'B'", "2", "2", "6.25", "4.00"},
                                                   {"'C'", "1", "1", "5.10", "5.10"}}));
  EXPECT_EQ(rows("SELECT grp, COUNT(*) FROM t GROUP BY grp HAVING COUNT(*) > 1 ORDER BY 2 DESC, grp"),
            (std::vector<std::vector<std::string>>{{"'a'", "2"}, {"'B'", "2"}}));
  // Without GROUP BY: one row even over no rows.
  EXPECT_EQ(rows("SELECT COUNT(*), SUM(amt), AVG(id) FROM t WHERE id > 99"),
            (std::vector<std::vector<std::string>>{{"0", "NULL", "NULL"}}));
  EXPECT_EQ(one("SELECT COUNT(DISTINCT grp) FROM t"), "3");
  EXPECT_EQ(one("SELECT AVG(id) FROM t"), "3");
  EXPECT_EQ(error("SELECT grp, COUNT(*) FROM t"), 8120);
  EXPECT_EQ(error("SELECT id FROM t WHERE SUM(amt) > 1"), 147);
}

// An aggregate's overflow names the bare type as every 8115 does; AVG of int
// fails on a total past int as SUM does.
TEST_F(StatementsTest, AggregateOverflowNamesTheBareType) {
  s.execute(
      "CREATE TABLE big (d DECIMAL(38,0), i INT)\n"
      "INSERT big VALUES (99999999999999999999999999999999999999, 2147483647), (1, 1)");
  auto message = [&](const std::string& sql) {
    try {
      s.execute(sql);
    } catch (const SqlError& e) {
      return e.message();
    }
    return std::string("<no error>");
  };
  EXPECT_EQ(message("SELECT SUM(d) FROM big"),
            "Arithmetic overflow error converting expression to data type numeric.");
  EXPECT_EQ(message("SELECT AVG(i) FROM big"),
            "Arithmetic overflow error converting expression to data type int.");
  EXPECT_EQ(one("SELECT AVG(i) FROM big WHERE i > 1"), "2147483647");
}

TEST_F(StatementsTest, UnionCombinesTypesAndOrders) {
  BatchResult r =
      s.execute("SELECT 1 AS n, 'x' AS s UNION SELECT 2.5, 'yy' UNION SELECT 1, 'X' ORDER BY n DESC");
  const Rowset& rs = r.items.back().rowset;
  EXPECT_EQ(rs.columns[0].type, SqlType::decimal(11, 1));
  EXPECT_EQ(rs.columns[1].type, SqlType::varchar(2));
  ASSERT_EQ(rs.rows.size(), 2u);
  EXPECT_EQ(rs.rows[0][0].debugString(), "2.5");
  EXPECT_EQ(rows("SELECT 1 UNION ALL SELECT 1").size(), 2u);
  EXPECT_EQ(error("SELECT 1 UNION SELECT 1, 2"), 205);
}

TEST_F(StatementsTest, OrderTopAndDistinct) {
  fill();
  // A heap scans in insertion order; ORDER BY is stable; NULL sorts first.
  EXPECT_EQ(rows("SELECT id FROM t ORDER BY amt"),
            (std::vector<std::vector<std::string>>{{"3"}, {"1"}, {"2"}, {"4"}, {"5"}}));
  EXPECT_EQ(rows("SELECT TOP 2 id FROM t ORDER BY UPPER(grp) DESC, id"),
            (std::vector<std::vector<std::string>>{{"5"}, {"2"}}));
  EXPECT_EQ(rows("SELECT TOP 1 WITH TIES UPPER(grp) g FROM t ORDER BY g"),
            (std::vector<std::vector<std::string>>{{"'A'"}, {"'A '"}}));
  EXPECT_EQ(rows("SELECT TOP 40 PERCENT id FROM t ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"1"}, {"2"}}));
  EXPECT_EQ(rows("SELECT DISTINCT UPPER(RTRIM(grp)) FROM t").size(), 3u);
  EXPECT_EQ(error("SELECT DISTINCT grp FROM t ORDER BY amt"), 145);
  EXPECT_EQ(error("SELECT id FROM t ORDER BY 3"), 108);
  EXPECT_EQ(rows("DECLARE @n INT = 3 SELECT TOP (@n - 1) id FROM t").size(), 2u);
}

TEST_F(StatementsTest, UpdateReadsTheRowBeforeItAndSetsVariables) {
  fill();
  s.execute("DECLARE @last DECIMAL(10,2) UPDATE t SET amt = id, grp = CAST(amt AS VARCHAR(5)) WHERE id = 2");
  EXPECT_EQ(rows("SELECT grp, amt FROM t WHERE id = 2"),
            (std::vector<std::vector<std::string>>{{"'2.25'", "2.00"}}));
  EXPECT_EQ(one("DECLARE @v DECIMAL(10,2) UPDATE t SET @v = amt = amt * 10 WHERE id = 5 SELECT @v"), "51.00");
  EXPECT_EQ(error("UPDATE t SET id = 3"), 8102);
  EXPECT_EQ(error("UPDATE t SET nope = 3"), 207);
}

TEST_F(StatementsTest, InsertColumnListsDefaultsAndIdentity) {
  s.execute("CREATE TABLE d (id INT IDENTITY(10, 5), a INT DEFAULT 7, b VARCHAR(3) NULL)");
  s.execute("INSERT d (b) VALUES ('x') INSERT d VALUES (DEFAULT, 'y') INSERT d DEFAULT VALUES");
  EXPECT_EQ(
      rows("SELECT id, a, b FROM d"),
      (std::vector<std::vector<std::string>>{{"10", "7", "'x'"}, {"15", "7", "'y'"}, {"20", "7", "NULL"}}));
  EXPECT_EQ(one("SELECT @@IDENTITY"), "20");
  EXPECT_EQ(error("INSERT d (id, a) VALUES (1, 2)"), 544);
  EXPECT_EQ(error("INSERT d VALUES (1)"), 213);
  EXPECT_EQ(error("INSERT d (a, b) VALUES (1)"), 109);
  EXPECT_EQ(error("INSERT d (a, a) VALUES (1, 2)"), 264);
  s.execute("INSERT d (a) SELECT a + 1 FROM d WHERE id > 10");
  EXPECT_EQ(one("SELECT @@IDENTITY"), "30");
}

TEST_F(StatementsTest, TransactionsRollBackEveryStatementSinceBegin) {
  s.execute("CREATE TABLE k (a INT)");
  s.execute("BEGIN TRAN INSERT k VALUES (1) INSERT k VALUES (2)");
  EXPECT_EQ(one("SELECT @@TRANCOUNT"), "1");
  s.execute("ROLLBACK");
  EXPECT_TRUE(rows("SELECT a FROM k").empty());
  s.execute("BEGIN TRAN INSERT k VALUES (3) COMMIT");
  EXPECT_EQ(one("SELECT a FROM k"), "3");
  EXPECT_EQ(error("COMMIT"), 3902);
}

TEST_F(StatementsTest, NamesResolveWithoutCase) {
  s.execute(
      "CREATE TABLE CBCostObj (FKey INT, Name VARCHAR(10)) INSERT cbcostobj (fkey, NAME) VALUES (1, 'x')");
  EXPECT_EQ(one("SELECT cbCostObj.Fkey FROM CBCOSTOBJ WHERE name = 'X'"), "1");
  EXPECT_EQ(error("SELECT x.fkey FROM cbcostobj"), 4104);
  EXPECT_EQ(one("SELECT c.fkey FROM cbcostobj AS c"), "1");
}

}  // namespace
}  // namespace mls::tsql
