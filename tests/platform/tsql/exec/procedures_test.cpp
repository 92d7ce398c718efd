// Procedures written in C++ and registered with a Database, and the parts of
// dynamic SQL and identity that a SQL logic test cannot see: results and
// messages of nested levels, error lines, session cleanup.
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

ProcedureParameter param(std::string name, SqlType type, bool output = false,
                         std::optional<Value> defaultValue = std::nullopt) {
  return {std::move(name), type, output, std::move(defaultValue)};
}

class ProcedureTest : public ::testing::Test {
 protected:
  std::shared_ptr<Database> db = Database::create();
  Session s{db};
};

TEST_F(ProcedureTest, RegisteredProcedureGetsConvertedArgumentsAndWritesOutputs) {
  std::vector<std::string> seen;
  db->registerProcedure(
      "Scale",
      {param("@x", SqlType(TypeId::Int)),
       param("@factor", SqlType::decimal(5, 2), false, Value::decimal(*Decimal128::parse("2.50"))),
       param("@result", SqlType::decimal(10, 2), true)},
      [&](ProcedureCall& call) {
        Value x = call["@x"];
        Value f = call["@FACTOR"];
        seen.push_back(std::to_string(x.asInt()) + "*" + f.asDecimal().toString());
        call["@result"] =
            Value::decimal(*Decimal128::multiply(Decimal128::fromInt(x.asInt()), f.asDecimal(), 2));
        return 7;
      });
  BatchResult r = s.execute(
      "DECLARE @r VARCHAR(20), @rc INT\n"
      "EXEC @rc = scale '4', @result = @r OUTPUT\n"
      "SELECT @r, @rc");
  ASSERT_EQ(seen, std::vector<std::string>{"4*2.50"});
  const Rowset& rs = lastRowset(r);
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(rs.rows[0][0].asString(), "10.00");
  EXPECT_EQ(rs.rows[0][1].asInt(), 7);
}

TEST_F(ProcedureTest, ProcedureRunsSqlInTheCallersSessionAndItsResultsStayPrivate) {
  db->registerProcedure(
      "CountWork", {param("@min", SqlType(TypeId::Int)), param("@n", SqlType(TypeId::Int), true)},
      [](ProcedureCall& call) {
        BatchResult inner = call.execute(
            "CREATE TABLE #scratch (a INT) INSERT #scratch SELECT a FROM #work WHERE a >= @m "
            "SELECT COUNT(*) FROM #scratch",
            {{"@m", call["@min"], SqlType(TypeId::Int)}});
        call["@n"] = lastRowset(inner).rows.at(0).at(0);
        return 0;
      });
  BatchResult r = s.execute(
      "CREATE TABLE #work (a INT) INSERT #work VALUES (1), (2), (3)\n"
      "DECLARE @n INT\n"
      "EXEC CountWork 2, @n OUTPUT\n"
      "SELECT @n");
  // The caller sees its INSERT's count and its SELECT, nothing of the procedure's batch.
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0].kind, ResultItem::Kind::RowCount);
  EXPECT_EQ(lastRowset(r).rows[0][0].asInt(), 2);
  // The procedure's temporary table ended with its batch.
  EXPECT_EQ(failure(s, "SELECT * FROM #scratch").number(), 208);
}

TEST_F(ProcedureTest, ProcedureErrorsReachTheCallerWithTheirNumber) {
  db->registerProcedure("Fails", {}, [](ProcedureCall& call) -> int {
    call.execute("SELECT 1");
    throw SqlError(50000, 16, 1, 0, "Fails: nothing to do");
  });
  SqlError e = failure(s, "PRINT 'before'\nEXEC Fails");
  EXPECT_EQ(e.number(), 50000);
  EXPECT_EQ(e.message(), "Fails: nothing to do");
  EXPECT_EQ(e.line(), 2);
  EXPECT_EQ(e.partial().messages, std::vector<std::string>{"before"});

  db->registerProcedure("Fails", {}, [](ProcedureCall&) { return 3; });  // replaces
  BatchResult r = s.execute("DECLARE @rc INT EXEC @rc = FAILS SELECT @rc");
  EXPECT_EQ(lastRowset(r).rows[0][0].asInt(), 3);
}

TEST_F(ProcedureTest, AnUnexpectedFailureBecomesAnInternalErrorThatEndsTheBatch) {
  db->registerProcedure("Boom", {}, [](ProcedureCall& call) -> int {
    call.execute("INSERT t VALUES (2)");
    return call["@nosuch"].isNull();  // std::invalid_argument
  });
  s.execute("CREATE TABLE t (a INT) BEGIN TRAN INSERT t VALUES (1)");
  SqlError e = failure(s, "INSERT t VALUES (4)\nEXEC Boom\nINSERT t VALUES (8)");
  EXPECT_EQ(e.number(), kInternalError);
  EXPECT_EQ(e.line(), 2);
  // The open transaction was rolled back; the session still answers.
  EXPECT_EQ(lastRowset(s.execute("SELECT COUNT(*), @@TRANCOUNT FROM t")).rows[0][0].asInt(), 0);
  s.execute("INSERT t VALUES (16)");
  EXPECT_EQ(lastRowset(s.execute("SELECT SUM(a) FROM t")).rows[0][0].asInt(), 16);
}

TEST_F(ProcedureTest, MissingArgumentNamesProcedureAndParameter) {
  SqlError e = failure(s, "DECLARE @b DATETIME\nEXEC GetPeriodStartEnd 2024, 1, @b OUTPUT");
  EXPECT_EQ(e.number(), 201);
  EXPECT_EQ(e.message(),
            "Procedure or function 'GetPeriodStartEnd' expects parameter '@end', which was not supplied.");
  EXPECT_EQ(failure(s, "EXEC dbo.Nowhere").message(), "Could not find stored procedure 'dbo.Nowhere'.");
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
