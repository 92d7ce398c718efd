// The evaluator through SQL: three-valued logic, comparisons across types,
// IN lists, CASE / COALESCE / ISNULL / NULLIF typing, conversions folded at
// bind time, and the helpers behind them (RAISERROR text, row sets).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/tsql/engine.h"
#include "platform/tsql/exec/message_format.h"
#include "platform/tsql/exec/row_set.h"

namespace mls::tsql {
namespace {

class ExpressionsTest : public ::testing::Test {
 protected:
  // The first row of the batch's last rowset, as debugString() shows it.
  std::vector<std::string> row(const std::string& sql) {
    BatchResult r = s.execute(sql);
    std::vector<std::string> out;
    if (r.items.empty() || r.items.back().rowset.rows.empty()) {
      ADD_FAILURE() << "no row from: " << sql;
      return out;
    }
    for (const Value& v : r.items.back().rowset.rows[0])
      out.push_back(v.debugString());
    return out;
  }
  SqlType type(const std::string& sql) {
    BatchResult r = s.execute(sql);
    return r.items.back().rowset.columns.at(0).type;
  }
  int error(const std::string& sql) {
    try {
      s.execute(sql);
    } catch (const SqlError& e) {
      return e.number();
    }
    return 0;
  }

  std::shared_ptr<Database> db = Database::create();
  Session s{db};
};

using Row = std::vector<std::string>;

TEST_F(ExpressionsTest, ThreeValuedLogic) {
  // UNKNOWN is neither true nor false: NOT UNKNOWN stays UNKNOWN.
  EXPECT_EQ(row("SELECT CASE WHEN NULL = NULL THEN 1 WHEN NOT (NULL = 1) THEN 2 ELSE 3 END"), Row{"3"});
  EXPECT_EQ(row("SELECT CASE WHEN 1 = 1 OR NULL = 1 THEN 'T' ELSE 'F' END"), Row{"'T'"});
  EXPECT_EQ(row("SELECT CASE WHEN 1 = 0 AND NULL = 1 THEN 'T' ELSE 'F' END"), Row{"'F'"});
  EXPECT_EQ(row("SELECT CASE WHEN NOT (1 = 0 OR NULL = 1) THEN 'T' ELSE 'F' END"), Row{"'F'"});
  EXPECT_EQ(row("SELECT CASE WHEN NULL IS NULL AND 1 IS NOT NULL THEN 'T' ELSE 'F' END"), Row{"'T'"});
  // AND stops at false: the division never runs.
  EXPECT_EQ(row("SELECT CASE WHEN 1 = 0 AND 1 / 0 = 1 THEN 'T' ELSE 'F' END"), Row{"'F'"});
}

TEST_F(ExpressionsTest, ComparisonsConvertToTheHigherType) {
  EXPECT_EQ(row("SELECT CASE WHEN '12' = 12 THEN 1 ELSE 0 END, CASE WHEN '012' = 12 THEN 1 ELSE 0 END"),
            (Row{"1", "1"}));
  EXPECT_EQ(row("SELECT CASE WHEN 1.50 = 1.5 THEN 1 ELSE 0 END, CASE WHEN 2 > 1.99 THEN 1 ELSE 0 END"),
            (Row{"1", "1"}));
  EXPECT_EQ(
      row("SELECT CASE WHEN 'abc ' = 'ABC' THEN 1 ELSE 0 END, CASE WHEN 'abc' < 'ABD' THEN 1 ELSE 0 END"),
      (Row{"1", "1"}));
  EXPECT_EQ(row("SELECT CASE WHEN '2024-03-01' < CAST('2024-03-02' AS DATETIME) THEN 1 ELSE 0 END"),
            Row{"1"});
  EXPECT_EQ(error("SELECT CASE WHEN 'abc' = 1 THEN 1 END"), 245);
  // A constant that cannot convert fails only when it is compared.
  s.execute("CREATE TABLE e (i INT)");
  EXPECT_EQ(error("SELECT i FROM e WHERE i = 'abc'"), 0);
  s.execute("INSERT e VALUES (1)");
  EXPECT_EQ(error("SELECT i FROM e WHERE i = 'abc'"), 245);
}

TEST_F(ExpressionsTest, BetweenAndInLists) {
  EXPECT_EQ(
      row("SELECT CASE WHEN 5 BETWEEN 1 AND 5 THEN 1 ELSE 0 END, CASE WHEN 5 NOT BETWEEN 6 AND 9 THEN 1 "
          "ELSE 0 END"),
      (Row{"1", "1"}));
  EXPECT_EQ(
      row("SELECT CASE WHEN 'b' IN ('A', 'B ') THEN 1 ELSE 0 END, CASE WHEN 3 IN (1, '3') THEN 1 ELSE 0 END"),
      (Row{"1", "1"}));
  // NOT IN meets NULL: UNKNOWN, so the ELSE branch.
  EXPECT_EQ(row("SELECT CASE WHEN 3 NOT IN (1, NULL) THEN 1 ELSE 0 END, CASE WHEN 1 IN (1, NULL) THEN 1 ELSE "
                "0 END"),
            (Row{"0", "1"}));
  EXPECT_EQ(
      row("SELECT CASE WHEN 'x' LIKE 'X%' THEN 1 ELSE 0 END, CASE WHEN 'a_c' LIKE 'a!_c' ESCAPE '!' THEN 1 "
          "ELSE 0 END"),
      (Row{"1", "1"}));
}

TEST_F(ExpressionsTest, CaseAndNullFunctionsTakeTheServersTypes) {
  EXPECT_EQ(type("SELECT CASE WHEN 1 = 1 THEN 1 ELSE 2.55 END"), SqlType::decimal(12, 2));
  EXPECT_EQ(type("SELECT CASE WHEN 1 = 1 THEN NULL END"), SqlType(TypeId::Int));
  EXPECT_EQ(row("SELECT CASE 'B' WHEN 'a' THEN 1 WHEN 'b' THEN 2 END"), Row{"2"});
  EXPECT_EQ(type("SELECT COALESCE(NULL, 2, 3.5)"), SqlType::decimal(11, 1));
  EXPECT_EQ(row("SELECT COALESCE(NULL, NULL, 'z'), NULLIF(1, 1), NULLIF(2, 1), NULLIF('a', 'A ')"),
            (Row{"'z'", "NULL", "2", "NULL"}));
  // ISNULL has the first argument's type and cuts the second to it.
  EXPECT_EQ(row("DECLARE @s VARCHAR(2) SELECT ISNULL(@s, 'abcd')"), Row{"'ab'"});
  EXPECT_EQ(type("DECLARE @s VARCHAR(2) SELECT ISNULL(@s, 'abcd')"), SqlType::varchar(2));
}

TEST_F(ExpressionsTest, CastConvertAndFunctions) {
  EXPECT_EQ(type("SELECT CAST(5 AS VARCHAR)"), SqlType::varchar(30));
  EXPECT_EQ(row("SELECT CONVERT(VARCHAR(10), CAST('2024-03-05' AS DATETIME), 111), CAST(10.6496 AS INT)"),
            (Row{"'2024/03/05'", "10"}));
  EXPECT_EQ(row("SELECT DATEPART(month, '2024-03-05'), DATEADD(dd, 1, CAST('2024-02-28' AS DATE))"),
            (Row{"3", row("SELECT CAST('2024-02-29' AS DATE)")[0]}));
  EXPECT_EQ(row("SELECT LEN('ab  '), UPPER(N'x'), -(-3), ~0, 6 & 3, 6 | 3, 6 ^ 3"),
            (Row{"2", "'X'", "3", "-1", "2", "7", "5"}));
  EXPECT_EQ(error("SELECT NOSUCHFUNCTION(1)"), 195);
  EXPECT_EQ(error("SELECT -'a'"), 8117);
}

TEST_F(ExpressionsTest, ObjectIdSeesTablesOfTheSession) {
  s.execute("CREATE TABLE perm (a INT) CREATE TABLE #tmp (a INT)");
  EXPECT_NE(row("SELECT OBJECT_ID('perm')")[0], "NULL");
  EXPECT_NE(row("SELECT OBJECT_ID('dbo.perm')")[0], "NULL");
  EXPECT_NE(row("SELECT OBJECT_ID('tempdb..#tmp')")[0], "NULL");
  EXPECT_EQ(row("SELECT OBJECT_ID('missing'), OBJECT_ID(NULL)"), (Row{"NULL", "NULL"}));
}

TEST(MessageFormat, FillsPrintfPlaceholders) {
  std::vector<Value> args = {Value::integer(42), Value::string("abc"), Value(), Value::integer(255)};
  std::vector<SqlType> types = {SqlType(TypeId::Int), SqlType::varchar(3), SqlType(TypeId::Int),
                                SqlType(TypeId::Int)};
  EXPECT_EQ(formatRaiserror("n=%d s=%s null=%d hex=%x 100%%", args, types),
            "n=42 s=abc null=(null) hex=ff 100%");
  EXPECT_EQ(formatRaiserror("[%5d|%-5s|%.2s]", args, types), "[   42|abc  |(n]");
  // A placeholder without an argument prints nothing.
  EXPECT_EQ(formatRaiserror("%d %s %d %d %d!", args, types), "42 abc (null) 255 !");
  try {
    formatRaiserror("%d %d", args, types);
    ADD_FAILURE() << "text for %d accepted";
  } catch (const SqlError& e) {
    EXPECT_EQ(e.number(), 2786);
  }
  EXPECT_EQ(formatRaiserror("tail %", {}, {}), "tail %");
}

TEST(RowSet, MatchesRowsUnderSqlEquality) {
  RowSet set;
  EXPECT_TRUE(set.insert({Value::string("Abc"), Value()}));
  EXPECT_FALSE(set.insert({Value::string("aBC  "), Value()}));
  EXPECT_TRUE(set.insert({Value::string("abc"), Value::integer(0)}));
  EXPECT_TRUE(set.insert({Value::decimal(Decimal128(150, 2)), Value()}));
  EXPECT_FALSE(set.insert({Value::decimal(Decimal128(15, 1)), Value()}));
  EXPECT_EQ(set.size(), 3u);
}

}  // namespace
}  // namespace mls::tsql
