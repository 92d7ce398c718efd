#include <gtest/gtest.h>

#include "ast_dump.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql {
namespace {

using namespace ast;

std::vector<StmtKind> kindsOf(const std::vector<StmtPtr>& stmts) {
  std::vector<StmtKind> out;
  for (const auto& s : stmts)
    out.push_back(s->kind);
  return out;
}

TEST(Batch, StatementsNeedNoSeparator) {
  auto stmts = parseBatch(
      "CREATE TABLE t (a int)INSERT t VALUES (1)INSERT t SELECT 1INSERT t VALUES(2);;SELECT a FROM t;");
  EXPECT_EQ(kindsOf(stmts), (std::vector<StmtKind>{StmtKind::CreateTable, StmtKind::Insert, StmtKind::Insert,
                                                   StmtKind::Insert, StmtKind::Select}));
  EXPECT_EQ(test::dump(*stmts[2]->as<InsertStmt>().query), "SELECT 1");
  EXPECT_EQ(stmts[4]->pos.line, 1);
  EXPECT_TRUE(parseBatch("").empty());
  EXPECT_TRUE(parseBatch(" ; -- nothing\n /* at all */ ;").empty());
}

TEST(Batch, PositionsOfStatements) {
  auto stmts = parseBatch("SET NOCOUNT ON\n\n  SELECT 1\r\n-- x\nPRINT 'p'");
  ASSERT_EQ(stmts.size(), 3u);
  EXPECT_EQ(stmts[1]->pos.line, 3);
  EXPECT_EQ(stmts[1]->pos.column, 3);
  EXPECT_EQ(stmts[2]->pos.line, 5);
}

TEST(Batch, GoIsNotPartOfTheLanguage) {
  // after SELECT 1 it would be a column alias, as on the server
  SqlError e = test::parseError("PRINT 1\nGO\nSELECT 2");
  EXPECT_EQ(e.number(), 102);
  EXPECT_EQ(e.message(), "Incorrect syntax near 'GO'.");
  EXPECT_EQ(e.line(), 2);
}

TEST(Declare, VariablesAndCursors) {
  auto stmts = parseBatch(
      "DECLARE @a int, @b AS decimal(28,10) = 0, @s nvarchar(max) = N'x' + 'y'\n"
      "DECLARE c CURSOR LOCAL FORWARD_ONLY STATIC READ_ONLY FOR SELECT a FROM t ORDER BY a\n"
      "DECLARE d CURSOR FOR SELECT 1");
  ASSERT_EQ(stmts.size(), 3u);
  const auto& d = stmts[0]->as<DeclareStmt>();
  ASSERT_EQ(d.vars.size(), 3u);
  EXPECT_EQ(d.vars[0].name, "@a");
  EXPECT_FALSE(d.vars[0].init);
  EXPECT_EQ(test::dump(d.vars[1].type), "DECIMAL(28,10)");
  EXPECT_EQ(test::dump(*d.vars[2].init), "(+ N'x' 'y')");
  const auto& c = stmts[1]->as<DeclareCursorStmt>();
  EXPECT_EQ(c.name, "c");
  EXPECT_EQ(c.options, (std::vector<std::string>{"LOCAL", "FORWARD_ONLY", "STATIC", "READ_ONLY"}));
  EXPECT_TRUE(c.hasOption("STATIC"));
  EXPECT_EQ(test::dump(*c.query), "SELECT a FROM t ORDER BY a");
  EXPECT_TRUE(stmts[2]->as<DeclareCursorStmt>().options.empty());
  EXPECT_EQ(test::parseError("DECLARE c CURSOR BOGUS FOR SELECT 1").message(),
            "Incorrect syntax near 'BOGUS'.");
}

TEST(Cursor, FetchLoop) {
  auto stmts = parseBatch(
      "OPEN c FETCH NEXT FROM c INTO @a, @b WHILE @@FETCH_STATUS = 0 BEGIN FETCH c INTO @a END "
      "CLOSE c DEALLOCATE GLOBAL c FETCH next");
  EXPECT_EQ(kindsOf(stmts), (std::vector<StmtKind>{StmtKind::Open, StmtKind::Fetch, StmtKind::While,
                                                   StmtKind::Close, StmtKind::Deallocate, StmtKind::Fetch}));
  const auto& f = stmts[1]->as<FetchStmt>();
  EXPECT_EQ(f.direction, FetchStmt::Direction::Next);
  EXPECT_EQ(f.cursor, "c");
  EXPECT_EQ(f.into, (std::vector<std::string>{"@a", "@b"}));
  EXPECT_TRUE(stmts[4]->as<CursorStmt>().global);
  EXPECT_EQ(stmts[5]->as<FetchStmt>().cursor, "next");  // a cursor may be named like a direction
  auto abs = parseBatch("FETCH ABSOLUTE @n FROM c");
  EXPECT_EQ(abs[0]->as<FetchStmt>().direction, FetchStmt::Direction::Absolute);
  EXPECT_EQ(test::dump(*abs[0]->as<FetchStmt>().offset), "@n");
}

TEST(Set, VariablesAndOptions) {
  auto stmts = parseBatch(
      "SET @v = (SELECT MAX(a) FROM t) SET NOCOUNT ON SET ansi_nulls, QUOTED_IDENTIFIER OFF "
      "SET DATEFORMAT ymd SET ROWCOUNT 10 SET LOCK_TIMEOUT -1 SET IDENTITY_INSERT dbo.t ON "
      "SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED SET STATISTICS IO ON");
  ASSERT_EQ(stmts.size(), 9u);
  EXPECT_EQ(stmts[0]->as<SetVariableStmt>().name, "@v");
  EXPECT_EQ(test::dump(*stmts[0]->as<SetVariableStmt>().value), "{SELECT MAX(a) FROM t}");
  const auto& nocount = stmts[1]->as<SetOptionStmt>();
  EXPECT_EQ(nocount.options, (std::vector<std::string>{"NOCOUNT"}));
  EXPECT_TRUE(nocount.on());
  const auto& two = stmts[2]->as<SetOptionStmt>();
  EXPECT_EQ(two.options, (std::vector<std::string>{"ANSI_NULLS", "QUOTED_IDENTIFIER"}));
  EXPECT_EQ(two.value, "OFF");
  EXPECT_EQ(stmts[3]->as<SetOptionStmt>().value, "YMD");
  EXPECT_EQ(stmts[4]->as<SetOptionStmt>().value, "10");
  EXPECT_EQ(stmts[5]->as<SetOptionStmt>().value, "-1");
  const auto& ii = stmts[6]->as<SetIdentityInsertStmt>();
  EXPECT_EQ(ii.table.text(), "dbo.t");
  EXPECT_TRUE(ii.on);
  EXPECT_EQ(stmts[7]->as<SetIsolationStmt>().level, "READ UNCOMMITTED");
  EXPECT_EQ(stmts[8]->as<SetOptionStmt>().options[0], "STATISTICS IO");
  EXPECT_EQ(test::parseError("SET NOCOUNT").number(), 102);
  EXPECT_EQ(test::parseError("SET FROM ON").number(), 156);
}

TEST(ControlFlow, IfElseBindsToTheNearestIf) {
  auto stmts = parseBatch("IF @a = 1 IF @b = 1 PRINT 'x'; ELSE PRINT 'y' ELSE PRINT 'z'");
  ASSERT_EQ(stmts.size(), 1u);
  const auto& outer = stmts[0]->as<IfStmt>();
  const auto& inner = outer.then->as<IfStmt>();
  EXPECT_EQ(test::dump(*inner.otherwise->as<PrintStmt>().value), "'y'");
  EXPECT_EQ(test::dump(*outer.otherwise->as<PrintStmt>().value), "'z'");
}

TEST(ControlFlow, BlocksLoopsAndReturn) {
  auto stmts = parseBatch(
      "IF NOT EXISTS (SELECT 1 FROM sysobjects WHERE name = 't') BEGIN CREATE TABLE t (a int) END\n"
      "WHILE (@i < 10) BEGIN SET @i = @i + 1; IF @i = 5 CONTINUE; IF @i > 8 BREAK END\n"
      "IF @x IS NULL RETURN\n"
      "RETURN (@x + 1)");
  ASSERT_EQ(stmts.size(), 4u);
  EXPECT_EQ(test::dump(*stmts[0]->as<IfStmt>().condition),
            "(NOT (EXISTS {SELECT 1 FROM sysobjects WHERE (= name 't')}))");
  const auto& body = stmts[1]->as<WhileStmt>().body->as<BlockStmt>().body;
  EXPECT_EQ(kindsOf(body), (std::vector<StmtKind>{StmtKind::SetVariable, StmtKind::If, StmtKind::If}));
  EXPECT_EQ(body[1]->as<IfStmt>().then->kind, StmtKind::Continue);
  EXPECT_EQ(body[2]->as<IfStmt>().then->kind, StmtKind::Break);
  EXPECT_FALSE(stmts[2]->as<IfStmt>().then->as<ReturnStmt>().value);
  EXPECT_EQ(test::dump(*stmts[3]->as<ReturnStmt>().value), "(+ @x 1)");
  EXPECT_EQ(test::parseError("BEGIN END").message(), "Incorrect syntax near the keyword 'END'.");
  EXPECT_EQ(test::parseError("BEGIN SELECT 1").number(), 102);
}

TEST(Messages, PrintAndRaiserror) {
  auto stmts =
      parseBatch("PRINT 'a' + CAST(@n AS varchar) RAISERROR ('bad %s %d', 16, 1, @s, 5) WITH NOWAIT");
  ASSERT_EQ(stmts.size(), 2u);
  const auto& r = stmts[1]->as<RaiserrorStmt>();
  EXPECT_EQ(test::dump(*r.message), "'bad %s %d'");
  EXPECT_EQ(test::dump(*r.severity), "16");
  EXPECT_EQ(r.args.size(), 2u);
  EXPECT_EQ(r.options, (std::vector<std::string>{"NOWAIT"}));
}

TEST(Exec, ProcedureCalls) {
  auto stmts = parseBatch(
      "EXEC GetPeriodStartEnd @year, 3, @start OUTPUT, @end OUT\n"
      "EXECUTE @rc = dbo.DoWork @p = -1.5, @q = @v OUTPUT, @r = DEFAULT, @s = N'x', @t = NULL, @u = word\n"
      "EXEC sp_executesql @stmt, N'@p int, @q varchar(10) OUTPUT', @p = 1, @q = @out OUTPUT\n"
      "EXEC (N'SELECT ' + @cols + ' FROM t')\n"
      "EXEC NoArgs");
  ASSERT_EQ(stmts.size(), 5u);
  const auto& e1 = stmts[0]->as<ExecStmt>();
  EXPECT_EQ(e1.procedure.text(), "GetPeriodStartEnd");
  ASSERT_EQ(e1.args.size(), 4u);
  EXPECT_FALSE(e1.args[0].output);
  EXPECT_TRUE(e1.args[2].output);
  EXPECT_TRUE(e1.args[3].output);
  EXPECT_EQ(e1.args[2].name, "");
  const auto& e2 = stmts[1]->as<ExecStmt>();
  EXPECT_EQ(e2.returnVariable, "@rc");
  EXPECT_EQ(e2.procedure.text(), "dbo.DoWork");
  ASSERT_EQ(e2.args.size(), 6u);
  EXPECT_EQ(e2.args[0].name, "@p");
  EXPECT_EQ(test::dump(*e2.args[0].value), "(- 1.5)");
  EXPECT_TRUE(e2.args[1].output);
  EXPECT_EQ(e2.args[2].value->kind, ExprKind::Default);
  EXPECT_EQ(test::dump(*e2.args[5].value), "word");  // a bare word, meaning 'word'
  const auto& e3 = stmts[2]->as<ExecStmt>();
  EXPECT_EQ(e3.args.size(), 4u);
  EXPECT_EQ(test::dump(*e3.args[1].value), "N'@p int, @q varchar(10) OUTPUT'");
  EXPECT_EQ(test::dump(*stmts[3]->as<ExecStringStmt>().text), "(+ (+ N'SELECT ' @cols) ' FROM t')");
  EXPECT_TRUE(stmts[4]->as<ExecStmt>().args.empty());
  EXPECT_EQ(test::parseError("EXEC p 1 + 1").message(), "Incorrect syntax near '+'.");
}

TEST(Exec, AProcedureNameAloneStartsOnlyTheFirstStatement) {
  auto stmts = parseBatch("sp_help 't'\nSELECT 1");
  EXPECT_EQ(stmts[0]->as<ExecStmt>().procedure.text(), "sp_help");
  EXPECT_EQ(test::parseError("PRINT 1\nsp_help 't'").message(), "Incorrect syntax near 'sp_help'.");
}

TEST(Exec, ParameterDeclarations) {
  auto decls = parseParameterDeclarations("@p int, @q varchar(10) OUTPUT, @r AS decimal(9,2)");
  ASSERT_EQ(decls.size(), 3u);
  EXPECT_EQ(decls[0].name, "@p");
  EXPECT_FALSE(decls[0].output);
  EXPECT_EQ(test::dump(decls[1].type), "VARCHAR(10)");
  EXPECT_TRUE(decls[1].output);
  EXPECT_EQ(test::dump(decls[2].type), "DECIMAL(9,2)");
  EXPECT_TRUE(parseParameterDeclarations("  ").empty());
  EXPECT_THROW(parseParameterDeclarations("@p int @q int"), SqlError);
}

TEST(Transactions, BeginCommitRollback) {
  auto stmts =
      parseBatch("BEGIN TRAN BEGIN TRANSACTION t1 COMMIT COMMIT TRAN t1 ROLLBACK WORK ROLLBACK TRANSACTION");
  EXPECT_EQ(kindsOf(stmts),
            (std::vector<StmtKind>{StmtKind::BeginTran, StmtKind::BeginTran, StmtKind::Commit,
                                   StmtKind::Commit, StmtKind::Rollback, StmtKind::Rollback}));
  EXPECT_EQ(stmts[1]->as<TranStmt>().name, "t1");
  EXPECT_EQ(stmts[3]->as<TranStmt>().name, "t1");
}

TEST(Dbcc, CheckIdentAndOthers) {
  auto stmts = parseBatch("DBCC CHECKIDENT ('dbo.t', RESEED, 0) DBCC checkident (#t) WITH NO_INFOMSGS");
  ASSERT_EQ(stmts.size(), 2u);
  const auto& d = stmts[0]->as<DbccStmt>();
  EXPECT_EQ(d.command, "CHECKIDENT");
  ASSERT_EQ(d.args.size(), 3u);
  EXPECT_EQ(test::dump(*d.args[0]), "'dbo.t'");
  EXPECT_EQ(test::dump(*d.args[1]), "RESEED");
  EXPECT_EQ(test::dump(*d.args[2]), "0");
  EXPECT_EQ(test::dump(*stmts[1]->as<DbccStmt>().args[0]), "#t");
  EXPECT_EQ(stmts[1]->as<DbccStmt>().options, (std::vector<std::string>{"NO_INFOMSGS"}));
}

}  // namespace
}  // namespace mls::tsql
