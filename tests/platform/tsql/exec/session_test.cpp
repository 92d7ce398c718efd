// The Session API: the shape of a batch's results, messages, errors with
// their line and every result of the batch, temporary tables ending with their
// session, bound parameters.
#include <gtest/gtest.h>
#include <pthread.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/tsql/engine.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/sql_errors.h"

namespace mls::tsql {
namespace {

using testing::failure;

int64_t scalarInt(Session& s, const std::string& sql) {
  BatchResult r = s.execute(sql);
  EXPECT_FALSE(r.items.empty());
  const Rowset& rs = r.items.back().rowset;
  EXPECT_EQ(rs.rows.size(), 1u);
  if (rs.rows.empty() || rs.rows[0][0].isNull()) return -999;
  return rs.rows[0][0].asInt();
}

class SessionTest : public ::testing::Test {
 protected:
  std::shared_ptr<Database> db = Database::create();
  Session s{db};
};

TEST_F(SessionTest, ResultsComeInStatementOrderWithColumnsAndCounts) {
  BatchResult r = s.execute(
      "CREATE TABLE t (id INT NOT NULL, name VARCHAR(10) NULL, amt DECIMAL(9,2))\n"
      "INSERT t VALUES (1, 'a', 1.5), (2, NULL, 2)\n"
      "SELECT id, name AS label, amt * 2, 12.345 FROM t ORDER BY id DESC\n"
      "UPDATE t SET amt = 0 WHERE id = 5\n");
  ASSERT_EQ(r.items.size(), 3u);
  EXPECT_EQ(r.items[0].kind, ResultItem::Kind::RowCount);
  EXPECT_EQ(r.items[0].rowCount, 2);
  ASSERT_EQ(r.items[1].kind, ResultItem::Kind::Rowset);
  const Rowset& rs = r.items[1].rowset;
  ASSERT_EQ(rs.columns.size(), 4u);
  EXPECT_EQ(rs.columns[0].name, "id");
  EXPECT_FALSE(rs.columns[0].nullable);
  EXPECT_EQ(rs.columns[1].name, "label");
  EXPECT_TRUE(rs.columns[1].nullable);
  EXPECT_EQ(rs.columns[2].name, "");
  EXPECT_EQ(rs.columns[2].type, SqlType::decimal(11, 2));  // the literal 2 counts as decimal(1,0)
  EXPECT_EQ(rs.columns[3].type, SqlType::decimal(5, 3));
  ASSERT_EQ(rs.rows.size(), 2u);
  EXPECT_EQ(rs.rows[0][0].asInt(), 2);
  EXPECT_TRUE(rs.rows[0][1].isNull());
  EXPECT_EQ(rs.rows[1][1].asString(), "a");
  EXPECT_EQ(r.items[2].rowCount, 0);
}

TEST_F(SessionTest, NoCountDropsRowCountsButKeepsRowsets) {
  BatchResult r = s.execute(
      "SET NOCOUNT ON CREATE TABLE t (a INT) INSERT t VALUES (1) SELECT a FROM t "
      "SET NOCOUNT OFF INSERT t VALUES (2)");
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0].kind, ResultItem::Kind::Rowset);
  EXPECT_EQ(r.items[1].kind, ResultItem::Kind::RowCount);
  EXPECT_EQ(r.items[1].rowCount, 1);
}

TEST_F(SessionTest, AssignmentSelectReturnsNoRowset) {
  BatchResult r = s.execute("DECLARE @v INT SELECT @v = 5");
  EXPECT_TRUE(r.items.empty());
}

TEST_F(SessionTest, MessagesCollectPrintAndLowSeverityRaiserror) {
  BatchResult r = s.execute(
      "PRINT 'one' PRINT 2 PRINT NULL RAISERROR('warn %s=%d', 10, 1, 'x', 7) PRINT "
      "N'\xe4\xb8\xad\xe6\x96\x87'");
  ASSERT_EQ(r.messages.size(), 5u);
  EXPECT_EQ(r.messages[0], "one");
  EXPECT_EQ(r.messages[1], "2");
  EXPECT_EQ(r.messages[2], "");
  EXPECT_EQ(r.messages[3], "warn x=7");
  EXPECT_EQ(r.messages[4], "\xe4\xb8\xad\xe6\x96\x87");
}

TEST_F(SessionTest, ErrorsComeBackAfterTheBatchWithEveryResult) {
  SqlError e = failure(s,
                       "CREATE TABLE t (a INT PRIMARY KEY)\n"
                       "INSERT t VALUES (1)\n"
                       "SELECT a FROM t\n"
                       "\n"
                       "SELECT a / 0 FROM t\n"
                       "INSERT t VALUES (2)\n"
                       "INSERT t VALUES (1)\n"
                       "SELECT CAST('x' AS INT)\n"
                       "INSERT t VALUES (3)\n");
  // The first error is thrown; the batch went on after the statement-ending
  // ones and stopped at the conversion failure.
  EXPECT_EQ(e.number(), 8134);
  EXPECT_EQ(e.severity(), 16);
  EXPECT_EQ(e.line(), 5);
  const BatchResult& r = e.partial();
  ASSERT_EQ(r.items.size(), 3u);
  EXPECT_EQ(r.items[0].rowCount, 1);
  EXPECT_EQ(r.items[1].rowset.rows.size(), 1u);
  EXPECT_EQ(r.items[2].rowCount, 1);
  ASSERT_EQ(r.errors.size(), 3u);
  EXPECT_EQ(r.errors[1].number, 2627);
  EXPECT_EQ(r.errors[1].line, 7);
  EXPECT_EQ(r.errors[2].number, 245);
  EXPECT_EQ(r.errors[2].line, 8);
  EXPECT_EQ(scalarInt(s, "SELECT COUNT(*) FROM t"), 2);
}

TEST_F(SessionTest, SyntaxErrorRunsNothing) {
  SqlError e = failure(s, "CREATE TABLE t (a INT)\nSELECT FROM WHERE\n");
  EXPECT_TRUE(e.number() == 102 || e.number() == 156) << e.number();
  EXPECT_EQ(e.line(), 2);
  EXPECT_TRUE(e.partial().items.empty());
  EXPECT_EQ(failure(s, "SELECT * FROM t").number(), 208);
}

TEST_F(SessionTest, RaiserrorAboveTenIsAnErrorWithItsSeverityAndState) {
  SqlError e = failure(
      s, "PRINT 'before'\nRAISERROR('Cost %s missing for %d items', 16, 3, 'abc', 12)\nPRINT 'after'");
  EXPECT_EQ(e.number(), 50000);
  EXPECT_EQ(e.severity(), 16);
  EXPECT_EQ(e.state(), 3);
  EXPECT_EQ(e.line(), 2);
  EXPECT_EQ(e.message(), "Cost abc missing for 12 items");
  EXPECT_EQ(e.partial().messages, (std::vector<std::string>{"before", "after"}));
}

// Under SET ANSI_WARNINGS OFF and ARITHABORT OFF an arithmetic error gives
// NULL and a warning (severity 10, once a statement for each kind), never an
// error; ANSI_WARNINGS OFF also drops the warning of NULLs an aggregate skips.
TEST_F(SessionTest, ArithmeticErrorsAreWarningsWithBothOptionsOff) {
  BatchResult r = s.execute(
      "SET ANSI_WARNINGS OFF SET ARITHABORT OFF\n"
      "CREATE TABLE w (a INT, b INT) INSERT w VALUES (1, 0), (2, 0), (NULL, 1)\n"
      "SELECT a / b, CAST(a * 300 AS TINYINT) FROM w\n"
      "SELECT SUM(a) FROM w\n"
      "SELECT POWER(-8.0E0, 0.5)");
  ASSERT_EQ(r.notices.size(), 3u);
  EXPECT_EQ(r.notices[0].number, 3607);
  EXPECT_EQ(r.notices[0].text, "Division by zero occurred.");
  EXPECT_EQ(r.notices[0].severity, 10);
  EXPECT_EQ(r.notices[0].line, 3);
  EXPECT_EQ(r.notices[1].number, 3606);
  EXPECT_EQ(r.notices[1].text, "Arithmetic overflow occurred.");
  EXPECT_EQ(r.notices[2].number, 3622);
  EXPECT_EQ(r.notices[2].line, 5);
  EXPECT_TRUE(r.errors.empty());
  const Rowset& rows = r.items[1].rowset;
  ASSERT_EQ(rows.rows.size(), 3u);
  EXPECT_TRUE(rows.rows[0][0].isNull());
  EXPECT_TRUE(rows.rows[1][1].isNull());
  EXPECT_EQ(r.items[2].rowset.rows[0][0].asInt(), 3);

  // ANSI_WARNINGS back ON: the skipped NULLs are reported again, and 1 / 0 is an error.
  BatchResult on = s.execute("SET ANSI_WARNINGS ON SELECT SUM(a) FROM w");
  ASSERT_EQ(on.notices.size(), 1u);
  EXPECT_EQ(on.notices[0].number, 8153);
  EXPECT_EQ(failure(s, "SELECT 1 / 0").number(), 8134);
}

TEST_F(SessionTest, TemporaryTablesVanishWithTheirSession) {
  {
    Session first(db);
    first.execute("CREATE TABLE #gone (a INT) CREATE TABLE shared (a INT) INSERT shared VALUES (7)");
  }
  Session second(db);
  EXPECT_EQ(scalarInt(second, "SELECT a FROM shared"), 7);
  second.execute("CREATE TABLE #gone (a INT)");
  EXPECT_EQ(failure(second, "CREATE TABLE shared (a INT)").number(), 2714);
}

TEST_F(SessionTest, BoundParametersAreVariablesOfTheBatch) {
  s.execute("CREATE TABLE t (id INT, name NVARCHAR(20))");
  std::vector<BoundParameter> params = {
      {"@id", Value::integer(4), SqlType(TypeId::Int)},
      {"@name", Value::string("\xe6\x97\xa5\xe6\x9c\xac"), SqlType::nvarchar(20)},
  };
  BatchResult r =
      s.execute("INSERT t VALUES (@ID, @name) SELECT name, @id + 1 FROM t WHERE id = @id", params);
  const Rowset& rs = r.items.back().rowset;
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(rs.rows[0][0].asString(), "\xe6\x97\xa5\xe6\x9c\xac");
  EXPECT_EQ(rs.rows[0][1].asInt(), 5);
  // Parameters belong to their batch.
  EXPECT_EQ(failure(s, "SELECT @id").number(), 137);
  // A parameter is declared already.
  EXPECT_EQ(failure(s, "DECLARE @id INT", params).number(), 134);
}

// Runs `f` on a thread with a 1 MB stack, as a client's worker thread may
// have (more under the sanitizers, whose frames are several times larger):
// the engine must not need more for anything the parser accepts.
template <class F>
void onSmallStack(F f) {
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
  constexpr size_t kStack = 16 << 20;
#else
  constexpr size_t kStack = 1 << 20;
#endif
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kStack);
  pthread_t thread;
  auto run = [](void* arg) -> void* {
    (*static_cast<F*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, &f), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

std::string repeated(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i)
    out += s;
  return out;
}

TEST_F(SessionTest, TheLongestChainsRunOnASmallStack) {
  s.execute("CREATE TABLE one (a INT) INSERT one VALUES (1)");
  const int n = kMaxChain - 1;
  std::string joins;
  for (int i = 1; i < 256; ++i)  // the most sources a query may have
    joins += " CROSS JOIN one t" + std::to_string(i);
  struct Case {
    std::string sql;
    int64_t expected;
  };
  const std::vector<Case> cases = {
      {"SELECT 1" + repeated(" + 1", n), n + 1},
      {"SELECT COUNT(*) FROM one WHERE a = 1" + repeated(" AND a = 1", n), 1},
      {"SELECT COUNT(*) FROM one WHERE a = 0" + repeated(" OR a = 0", n - 1) + " OR a = 1", 1},
      {"SELECT LEN('x'" + repeated(" + 'x'", n) + ")", n + 1},
      {"SELECT COUNT(*) FROM (SELECT 1 AS x" + repeated(" UNION ALL SELECT 1", kMaxSetOperations) + ") u",
       kMaxSetOperations + 1},
      {"SELECT COUNT(*) FROM (SELECT 1 AS x" + repeated(" INTERSECT SELECT 1", kMaxSetOperations) + ") u", 1},
      {"SELECT COUNT(*) FROM one t0" + joins, 1},
  };
  for (const Case& c : cases) {
    int64_t got = -1;
    onSmallStack([&] { got = scalarInt(s, c.sql); });
    EXPECT_EQ(got, c.expected) << c.sql.substr(0, 60);
  }
  EXPECT_THROW(s.execute("SELECT 1" + repeated(" UNION SELECT 1", kMaxSetOperations + 1)), SqlError);
}

}  // namespace
}  // namespace mls::tsql
