#include <gtest/gtest.h>

#include "ast_dump.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql {
namespace {

using namespace ast;

TEST(CreateTable, ColumnsWithEveryOption) {
  auto stmts = parseBatch(
      "CREATE TABLE dbo.[Cost Line] (\n"
      "  Id int IDENTITY(100, -5) NOT NULL CONSTRAINT PK_Line PRIMARY KEY CLUSTERED,\n"
      "  Code [varchar](20) NULL UNIQUE,\n"
      "  Amount decimal(28,10) NOT NULL CONSTRAINT DF_Amount DEFAULT (0),\n"
      "  Note ntext,\n"
      "  Made datetime DEFAULT getdate() NOT NULL,\n"
      "  Tag nvarchar(max) NULL\n"
      ") ON [PRIMARY]");
  ASSERT_EQ(stmts.size(), 1u);
  const auto& s = stmts[0]->as<CreateTableStmt>();
  EXPECT_EQ(s.table.text(), "dbo.Cost Line");
  ASSERT_EQ(s.columns.size(), 6u);
  const ColumnDef& id = s.columns[0];
  EXPECT_EQ(id.type.name, "INT");
  ASSERT_TRUE(id.identity);
  EXPECT_EQ(id.identity->seed, 100);
  EXPECT_EQ(id.identity->increment, -5);
  EXPECT_EQ(id.nullable, false);
  EXPECT_EQ(test::dump(s.columns[1].type), "VARCHAR(20)");
  EXPECT_EQ(s.columns[1].nullable, true);
  EXPECT_EQ(test::dump(s.columns[2].type), "DECIMAL(28,10)");
  EXPECT_EQ(s.columns[2].defaultName, "DF_Amount");
  EXPECT_EQ(test::dump(*s.columns[2].defaultValue), "0");
  EXPECT_FALSE(s.columns[3].nullable.has_value());
  EXPECT_EQ(test::dump(*s.columns[4].defaultValue), "getdate()");
  EXPECT_EQ(s.columns[4].nullable, false);
  EXPECT_TRUE(s.columns[5].type.max);
  EXPECT_EQ(s.columns[5].pos.line, 7);

  ASSERT_EQ(s.constraints.size(), 2u);  // the column constraints
  EXPECT_EQ(s.constraints[0].name, "PK_Line");
  EXPECT_TRUE(s.constraints[0].primaryKey);
  EXPECT_EQ(s.constraints[0].clustered, true);
  EXPECT_EQ(s.constraints[0].columns[0].name, "Id");
  EXPECT_FALSE(s.constraints[1].primaryKey);
  EXPECT_FALSE(s.constraints[1].clustered.has_value());
  EXPECT_EQ(s.constraints[1].columns[0].name, "Code");
}

TEST(CreateTable, TableConstraints) {
  auto stmts = parseBatch(
      "CREATE TABLE #k (a int, b int, c char(1),\n"
      " CONSTRAINT PK_k PRIMARY KEY NONCLUSTERED (a ASC, b DESC) WITH (PAD_INDEX = OFF, FILLFACTOR = 90) ON "
      "[PRIMARY],\n"
      " UNIQUE CLUSTERED (c))");
  const auto& s = stmts[0]->as<CreateTableStmt>();
  EXPECT_TRUE(s.table.isTemp());
  ASSERT_EQ(s.constraints.size(), 2u);
  const KeyConstraint& pk = s.constraints[0];
  EXPECT_EQ(pk.name, "PK_k");
  EXPECT_EQ(pk.clustered, false);
  ASSERT_EQ(pk.columns.size(), 2u);
  EXPECT_FALSE(pk.columns[0].descending);
  EXPECT_TRUE(pk.columns[1].descending);
  EXPECT_EQ(pk.pos.line, 2);
  EXPECT_EQ(s.constraints[1].clustered, true);
  EXPECT_EQ(s.constraints[1].name, "");
}

TEST(CreateTable, Errors) {
  EXPECT_EQ(test::parseError("CREATE TABLE t (a int,)").number(), 102);
  EXPECT_EQ(test::parseError("CREATE TABLE t (a decimal(1,2,3))").number(), 102);
  EXPECT_EQ(test::parseError("CREATE TABLE t (a int CONSTRAINT c NULL)").number(), 156);
  EXPECT_EQ(test::parseError("CREATE TABLE t (a int IDENTITY(1))").message(), "Incorrect syntax near ')'.");
}

TEST(AlterTable, Actions) {
  auto stmts = parseBatch(
      "ALTER TABLE t ADD x int NULL, CONSTRAINT PK_t PRIMARY KEY CLUSTERED (a)\n"
      "ALTER TABLE t WITH NOCHECK ADD CONSTRAINT U_t UNIQUE (b)\n"
      "ALTER TABLE t DROP CONSTRAINT PK_t, U_t\n"
      "ALTER TABLE t DROP COLUMN x\n"
      "ALTER TABLE t ALTER COLUMN y varchar(40) NOT NULL");
  ASSERT_EQ(stmts.size(), 5u);
  const auto& add = stmts[0]->as<AlterTableStmt>();
  EXPECT_EQ(add.action, AlterTableStmt::Action::Add);
  EXPECT_EQ(add.columns.size(), 1u);
  EXPECT_EQ(add.constraints.at(0).name, "PK_t");
  const auto& nocheck = stmts[1]->as<AlterTableStmt>();
  EXPECT_TRUE(nocheck.noCheck);
  EXPECT_EQ(nocheck.constraints.at(0).name, "U_t");
  const auto& drop = stmts[2]->as<AlterTableStmt>();
  EXPECT_EQ(drop.action, AlterTableStmt::Action::DropConstraint);
  EXPECT_EQ(drop.names, (std::vector<std::string>{"PK_t", "U_t"}));
  EXPECT_EQ(stmts[3]->as<AlterTableStmt>().action, AlterTableStmt::Action::DropColumn);
  const auto& alter = stmts[4]->as<AlterTableStmt>();
  EXPECT_EQ(alter.action, AlterTableStmt::Action::AlterColumn);
  EXPECT_EQ(test::dump(alter.columns.at(0).type), "VARCHAR(40)");
  EXPECT_EQ(alter.columns.at(0).nullable, false);
}

TEST(Indexes, CreateAndDrop) {
  auto stmts = parseBatch(
      "CREATE UNIQUE CLUSTERED INDEX ix1 ON dbo.t (a DESC, b) WITH FILLFACTOR = 80 ON [PRIMARY]\n"
      "CREATE INDEX ix2 ON #t (c)\n"
      "DROP INDEX t.ix1, ix2 ON #t, dbo.t.ix3");
  ASSERT_EQ(stmts.size(), 3u);
  const auto& c1 = stmts[0]->as<CreateIndexStmt>();
  EXPECT_TRUE(c1.unique);
  EXPECT_TRUE(c1.clustered);
  EXPECT_EQ(c1.table.text(), "dbo.t");
  EXPECT_TRUE(c1.columns[0].descending);
  EXPECT_FALSE(stmts[1]->as<CreateIndexStmt>().unique);
  const auto& d = stmts[2]->as<DropIndexStmt>();
  ASSERT_EQ(d.targets.size(), 3u);
  EXPECT_EQ(d.targets[0].table.text(), "t");
  EXPECT_EQ(d.targets[0].index, "ix1");
  EXPECT_EQ(d.targets[1].table.text(), "#t");
  EXPECT_EQ(d.targets[1].index, "ix2");
  EXPECT_EQ(d.targets[2].table.text(), "dbo.t");
  EXPECT_EQ(test::parseError("DROP INDEX ix").number(), 102);
}

TEST(DropAndViews, Lists) {
  auto stmts =
      parseBatch("DROP TABLE a, #b, tempdb..#c CREATE VIEW v (x) AS SELECT 1 UNION SELECT 2 DROP VIEW v");
  ASSERT_EQ(stmts.size(), 3u);
  EXPECT_EQ(stmts[0]->as<DropTableStmt>().tables.size(), 3u);
  const auto& v = stmts[1]->as<CreateViewStmt>();
  EXPECT_EQ(v.columns, (std::vector<std::string>{"x"}));
  EXPECT_EQ(test::dump(*v.query), "(UNION {SELECT 1} {SELECT 2})");
  EXPECT_EQ(stmts[2]->as<DropViewStmt>().views[0].text(), "v");
}

}  // namespace
}  // namespace mls::tsql
