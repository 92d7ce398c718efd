// The parts of stored procedures, dynamic SQL and identity that a SQL logic
// test cannot see: results and messages of nested levels, error lines, other
// sessions, session cleanup.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/tsql/engine.h"
#include "platform/tsql/sql_errors.h"

namespace mls::tsql {
namespace {

using testing::failure;

const Rowset& lastRowset(const BatchResult& r) {
  static const Rowset none;
  for (auto it = r.items.rbegin(); it != r.items.rend(); ++it) {
    if (it->kind == ResultItem::Kind::Rowset) return it->rowset;
  }
  ADD_FAILURE() << "no rowset";
  return none;
}

class ProcedureTest : public ::testing::Test {
 protected:
  std::shared_ptr<Database> db = Database::create();
  Session s{db};
};

// A procedure's rowsets, counts and messages reach the caller in order with
// the caller's own; its temporary table ends when it returns, the caller's
// stays.
TEST_F(ProcedureTest, ProcedureResultsJoinTheCallersAndItsTemporaryTablesEnd) {
  s.execute(
      "CREATE PROCEDURE CountWork @min INT, @n INT OUTPUT AS\n"
      "CREATE TABLE #scratch (a INT)\n"
      "INSERT #scratch SELECT a FROM #work WHERE a >= @min\n"
      "PRINT 'counted'\n"
      "SELECT a FROM #scratch ORDER BY a\n"
      "SET @n = @@ROWCOUNT");
  BatchResult r = s.execute(
      "CREATE TABLE #work (a INT) INSERT #work VALUES (1), (2), (3)\n"
      "DECLARE @n INT\n"
      "EXEC CountWork 2, @n OUTPUT\n"
      "PRINT 'after'\n"
      "SELECT @n");
  ASSERT_EQ(r.items.size(), 4u);
  EXPECT_EQ(r.items[0].rowCount, 3);  // the caller's INSERT
  EXPECT_EQ(r.items[1].rowCount, 2);  // the procedure's
  ASSERT_EQ(r.items[2].rowset.rows.size(), 2u);
  EXPECT_EQ(r.items[2].rowset.rows[0][0].asInt(), 2);
  EXPECT_EQ(lastRowset(r).rows[0][0].asInt(), 2);
  EXPECT_EQ(r.messages, (std::vector<std::string>{"counted", "after"}));
  EXPECT_EQ(failure(s, "SELECT * FROM #scratch").number(), 208);
  EXPECT_EQ(lastRowset(s.execute("SELECT COUNT(*) FROM #work")).rows[0][0].asInt(), 3);
}

// RAISERROR inside a procedure ends its statement only: the procedure goes
// on, the caller's batch too, and the error reaches the client with its
// number and text.
TEST_F(ProcedureTest, ProcedureErrorsReachTheCallerWithTheirNumber) {
  s.execute(
      "CREATE PROCEDURE Fails AS\n"
      "RAISERROR ('Fails: nothing to do', 16, 1)\n"
      "PRINT 'went on'\n"
      "RETURN 3");
  SqlError e = failure(s, "PRINT 'before'\nDECLARE @rc INT\nEXEC @rc = Fails\nSELECT @rc");
  EXPECT_EQ(e.number(), 50000);
  EXPECT_EQ(e.message(), "Fails: nothing to do");
  EXPECT_EQ(e.line(), 2);  // the line in the procedure's text
  EXPECT_EQ(e.partial().messages, (std::vector<std::string>{"before", "went on"}));
  EXPECT_EQ(lastRowset(e.partial()).rows[0][0].asInt(), 3);
}

// CREATE PROCEDURE names the first variable in the text that no parameter or
// DECLARE before it declares, with its line, and makes nothing; each kind of
// statement that names variables is read, subqueries and cursor queries too.
TEST_F(ProcedureTest, CreateNamesTheFirstUndeclaredVariable) {
  struct Case {
    const char* body;
    const char* name;  // "" when the procedure is made
    int line;
  };
  const Case cases[] = {
      {"SELECT a FROM t WHERE a IN (SELECT b FROM u WHERE b = @sub)", "@sub", 2},
      {"DECLARE c CURSOR FOR SELECT a FROM t WHERE a = @cur", "@cur", 2},
      {"DECLARE @v INT\nDECLARE c CURSOR FOR SELECT 1\nOPEN c\nFETCH NEXT FROM c INTO @v, @into", "@into", 5},
      {"SET ROWCOUNT @n", "@n", 2},
      {"RAISERROR ('%d', 16, 1, @arg)", "@arg", 2},
      {"UPDATE t SET @u = a = 1", "@u", 2},
      {"INSERT t VALUES (@ins)", "@ins", 2},
      {"DELETE t FROM t JOIN u ON u.b = @on", "@on", 2},
      {"SELECT a FROM t ORDER BY a + @ord", "@ord", 2},
      {"EXEC (@sql)", "@sql", 2},
      {"BEGIN TRAN @tran\nCOMMIT", "@tran", 2},
      {"PRINT CASE WHEN @p = 1 THEN @case END", "@case", 2},
      {"WHILE @w > 0 BREAK", "@w", 2},
      {"RETURN @r", "@r", 2},
      {"SET @first = @second", "@first", 2},
      {"SELECT @p\nDECLARE @d INT\nIF @d = 1 SELECT @late\nDECLARE @late INT", "@late", 4},
      {"DECLARE c CURSOR FOR SELECT @P\nOPEN c\nFETCH c INTO @p\nCLOSE c\nDEALLOCATE c", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const std::string create = std::string("CREATE PROCEDURE P @p INT AS\n") + c.body;
    if (*c.name == 0) {
      s.execute(create);
      s.execute("DROP PROCEDURE P");
      continue;
    }
    SqlError e = failure(s, create);
    EXPECT_EQ(e.number(), 137);
    EXPECT_EQ(e.message(), std::string("Must declare the scalar variable \"") + c.name + "\".");
    EXPECT_EQ(e.line(), c.line);
    EXPECT_EQ(failure(s, "EXEC P").number(), 2812);
  }
}

TEST_F(ProcedureTest, MissingArgumentNamesProcedureAndParameter) {
  s.execute(
      "CREATE PROC Bounds @year INT, @period INT, @start DATETIME OUTPUT, @end DATETIME OUTPUT AS RETURN");
  SqlError e = failure(s, "DECLARE @b DATETIME\nEXEC Bounds 2024, 1, @b OUTPUT");
  EXPECT_EQ(e.number(), 201);
  EXPECT_EQ(e.message(), "Procedure or function 'Bounds' expects parameter '@end', which was not supplied.");
  EXPECT_EQ(failure(s, "EXEC dbo.Nowhere").message(), "Could not find stored procedure 'dbo.Nowhere'.");
}

// A procedure that another session created, altered or dropped in an open
// transaction is waited for; once that transaction ends the call sees what
// it left.
TEST_F(ProcedureTest, UncommittedProcedureChangesAreWaitedFor) {
  s.execute("CREATE PROCEDURE Answer AS SELECT 1");
  Session other(db);
  other.execute("BEGIN TRAN");
  other.execute("ALTER PROCEDURE Answer AS SELECT 2");
  EXPECT_EQ(failure(s, "SET LOCK_TIMEOUT 0\nEXEC Answer").number(), 1222);
  other.execute("ROLLBACK");
  EXPECT_EQ(lastRowset(s.execute("EXEC Answer")).rows[0][0].asInt(), 1);
}

TEST_F(ProcedureTest, DynamicSqlResultsJoinTheCallersInOrder) {
  BatchResult r = s.execute(
      "CREATE TABLE t (a INT)\n"
      "EXEC sp_executesql N'INSERT t VALUES (1), (2) PRINT ''inside'' SELECT a FROM t'\n"
      "PRINT 'outside'");
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0].rowCount, 2);
  EXPECT_EQ(r.items[1].rowset.rows.size(), 2u);
  EXPECT_EQ(r.messages, (std::vector<std::string>{"inside", "outside"}));
}

TEST_F(ProcedureTest, ErrorInsideDynamicSqlReportsItsOwnLine) {
  SqlError e = failure(s, "PRINT 1\nPRINT 2\nEXEC (N'PRINT 3\nSELECT * FROM nowhere')");
  EXPECT_EQ(e.number(), 208);
  EXPECT_EQ(e.line(), 2);  // the line in the dynamic text
  EXPECT_EQ(e.partial().messages, (std::vector<std::string>{"1", "2", "3"}));
  // A syntax error of the text is an error of the EXEC.
  EXPECT_EQ(failure(s, "EXEC (N'SELECT FROM WHERE')").number(), 156);
}

TEST_F(ProcedureTest, IdentityInsertEndsWithTheSessionThatSetIt) {
  s.execute("CREATE TABLE t (id INT IDENTITY(1,1), v INT)");
  {
    Session setter(db);
    setter.execute("SET IDENTITY_INSERT t ON INSERT t (id, v) VALUES (10, 1)");
  }
  EXPECT_EQ(failure(s, "INSERT t (id, v) VALUES (20, 2)").number(), 544);
}

TEST_F(ProcedureTest, CheckIdentReportsTheCurrentValues) {
  BatchResult r = s.execute(
      "CREATE TABLE t (id INT IDENTITY(1,1), v INT) INSERT t (v) VALUES (1), (2)\n"
      "DBCC CHECKIDENT (t, NORESEED)");
  ASSERT_EQ(r.messages.size(), 2u);
  EXPECT_EQ(r.messages[0],
            "Checking identity information: current identity value '2', current column value '2'.");
  r = s.execute("DBCC CHECKIDENT ('t', RESEED, 40)");
  EXPECT_EQ(r.messages[0], "Checking identity information: current identity value '2'.");
  EXPECT_TRUE(s.execute("DBCC CHECKIDENT (t, RESEED, 1) WITH NO_INFOMSGS").messages.empty());
}

}  // namespace
}  // namespace mls::tsql
