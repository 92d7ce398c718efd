// DDL through the catalog: names and their errors, constraints, ALTER TABLE,
// indexes, temporary tables, OBJECT_ID and the system views.
#include "catalog_fixture.h"

namespace mls::tsql::testing {
namespace {

using DdlTest = CatalogTest;

ast::ObjectName name(std::vector<std::string> parts) {
  return ast::ObjectName{std::move(parts), {}};
}

// The rows of the system view `view` (a read-only snapshot).
std::vector<Row> viewRows(Catalog& cat, std::vector<std::string> view) {
  auto v = cat.getTable(name(std::move(view)));
  EXPECT_TRUE(v->isSystemView());
  std::vector<Row> rows;
  for (RowId id : v->scanOrder()) {
    RowView r = v->row(id);
    rows.emplace_back(r.begin(), r.end());
  }
  return rows;
}

TEST_F(DdlTest, CreateAndDropReportExistingAndMissingObjects) {
  ddl("CREATE TABLE t (a INT CONSTRAINT PK_t PRIMARY KEY)");
  EXPECT_EQ(messageOf([&] { ddl("CREATE TABLE T (b INT)"); }),
            "There is already an object named 'T' in the database.");
  EXPECT_EQ(errorOf([&] { ddl("CREATE TABLE u (b INT CONSTRAINT pk_T PRIMARY KEY)"); }), 2714);
  EXPECT_EQ(cat.findTable(name({"u"})), nullptr);  // the failed CREATE left nothing
  EXPECT_EQ(messageOf([&] { ddl("DROP TABLE dbo.nothere"); }),
            "Cannot drop the table 'dbo.nothere', because it does not exist or you do not have permission.");
  EXPECT_EQ(messageOf([&] { cat.getTable(name({"nothere"})); }), "Invalid object name 'nothere'.");
  ddl("DROP TABLE dbo.T");
  EXPECT_EQ(cat.findTable(name({"t"})), nullptr);
  ddl("CREATE TABLE t (b INT)");  // the name and the constraint's are free again
}

TEST_F(DdlTest, ColumnsAndConstraintsAreChecked) {
  EXPECT_EQ(errorOf([&] { ddl("CREATE TABLE t (a INT, A INT)"); }), 2705);
  EXPECT_EQ(messageOf([&] { ddl("CREATE TABLE t (a INT, PRIMARY KEY (b))"); }),
            "Column name 'b' does not exist in the target table or view.");
  EXPECT_EQ(errorOf([&] { ddl("CREATE TABLE t (a INT NULL PRIMARY KEY)"); }), 8111);
  EXPECT_EQ(errorOf([&] { ddl("CREATE TABLE t (a INT PRIMARY KEY, b INT, PRIMARY KEY (b))"); }), 8110);
  EXPECT_EQ(errorOf([&] { ddl("CREATE TABLE t (a VARCHAR(5) IDENTITY)"); }), 2749);
  EXPECT_EQ(cat.findTable(name({"t"})), nullptr);
}

TEST_F(DdlTest, PrimaryKeyIsClusteredUnlessAnotherKeyIs) {
  ddl("CREATE TABLE a (k INT PRIMARY KEY, u INT UNIQUE) "
      "CREATE TABLE b (k INT PRIMARY KEY, u INT, UNIQUE CLUSTERED (u)) "
      "CREATE TABLE c (k INT PRIMARY KEY NONCLUSTERED)");
  auto a = table("a"), b = table("b"), c = table("c");
  ASSERT_NE(a->clusteredIndex(), nullptr);
  EXPECT_EQ(a->clusteredIndex()->origin, IndexOrigin::PrimaryKey);
  EXPECT_FALSE(a->column(0).nullable);  // a key column is NOT NULL
  EXPECT_EQ(b->clusteredIndex()->origin, IndexOrigin::UniqueConstraint);
  EXPECT_EQ(c->clusteredIndex(), nullptr);
  EXPECT_EQ(a->primaryKey()->name.rfind("PK__a__", 0), 0u);
}

TEST_F(DdlTest, AlterTableAddColumnOnFilledTable) {
  ddl("CREATE TABLE t (a INT)");
  auto t = table("t");
  insertRows(*t, {{I(1)}, {I(2)}});
  ddl("ALTER TABLE t ADD n INT NULL DEFAULT 5, m INT NOT NULL DEFAULT 7, id INT IDENTITY(10, 5)");
  ASSERT_EQ(t->columns().size(), 4u);
  EXPECT_EQ(column(*t, 1), (std::vector<int64_t>{-999, -999}));  // nullable: NULL despite the default
  EXPECT_EQ(column(*t, 2), (std::vector<int64_t>{7, 7}));
  EXPECT_EQ(column(*t, 3), (std::vector<int64_t>{10, 15}));
  EXPECT_NE(t->column(1).defaultExpr, nullptr);
  EXPECT_NE(messageOf([&] {
              ddl("ALTER TABLE t ADD z INT NOT NULL");
            }).find("Column 'z' cannot be added to non-empty table 't' because it does not satisfy"),
            std::string::npos);
  EXPECT_EQ(t->columns().size(), 4u);
  ddl("CREATE TABLE e (a INT) ALTER TABLE e ADD z INT NOT NULL");  // empty: allowed
}

TEST_F(DdlTest, AlterTableAddAndDropConstraints) {
  ddl("CREATE TABLE t (a INT NOT NULL, b INT NULL)");
  auto t = table("t");
  insertRows(*t, {{I(2), I(1)}, {I(1), I(1)}});
  EXPECT_EQ(
      messageOf([&] { ddl("ALTER TABLE t ADD CONSTRAINT UQ_b UNIQUE (b)"); }),
      "The CREATE UNIQUE INDEX statement terminated because a duplicate key was found for the object name "
      "'dbo.t' and the index name 'UQ_b'. The duplicate key value is (1).");
  EXPECT_EQ(errorOf([&] { ddl("ALTER TABLE t ADD CONSTRAINT PK_b PRIMARY KEY (b)"); }), 8111);
  ddl("ALTER TABLE t WITH NOCHECK ADD CONSTRAINT PK_t PRIMARY KEY CLUSTERED (a)");
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 2}));
  EXPECT_EQ(errorOf([&] { insertRows(*t, {{I(1), I(0)}}); }), 2627);
  EXPECT_EQ(messageOf([&] { ddl("ALTER TABLE t DROP CONSTRAINT nope"); }), "'nope' is not a constraint.");
  EXPECT_EQ(errorOf([&] { ddl("DROP INDEX t.PK_t"); }), 3723);
  ddl("ALTER TABLE t DROP CONSTRAINT PK_t");
  EXPECT_EQ(t->primaryKey(), nullptr);
  insertRows(*t, {{I(1), I(0)}});
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{2, 1, 1}));  // a heap again
}

TEST_F(DdlTest, IndexesHaveTableScopedNamesAndIds) {
  ddl("CREATE TABLE t (a INT, b INT) CREATE TABLE u (a INT)");
  auto t = table("t");
  insertRows(*t, {{I(1), I(1)}, {I(1), I(2)}});
  ddl("CREATE INDEX ix ON t (a) CREATE INDEX ix ON u (a)");  // same name on another table is fine
  EXPECT_EQ(
      messageOf([&] { ddl("CREATE INDEX IX ON t (b)"); }),
      "The operation failed because an index or statistics with name 'IX' already exists on table 'dbo.t'.");
  EXPECT_EQ(errorOf([&] { ddl("CREATE UNIQUE INDEX ux ON t (a)"); }), 1505);
  ddl("CREATE CLUSTERED INDEX cx ON t (b)");
  EXPECT_EQ(errorOf([&] { ddl("CREATE CLUSTERED INDEX cx2 ON t (a)"); }), 1902);
  EXPECT_EQ(errorOf([&] { ddl("CREATE INDEX iz ON t (zz)"); }), 1911);
  EXPECT_EQ(errorOf([&] { ddl("CREATE INDEX iz ON nothere (a)"); }), 1088);
  EXPECT_EQ(t->indexes()[*t->findIndex("ix")].indid, 2);
  EXPECT_EQ(t->indexes()[*t->findIndex("cx")].indid, 1);
  ddl("DROP INDEX ix ON t");
  EXPECT_EQ(messageOf([&] { ddl("DROP INDEX t.ix"); }),
            "Cannot drop the index 't.ix', because it does not exist or you do not have permission.");
}

TEST_F(DdlTest, TruncateEmptiesAndRequiresTheTable) {
  ddl("CREATE TABLE t (a INT)");
  insertRows(*table("t"), {{I(1)}});
  ddl("TRUNCATE TABLE t");
  EXPECT_EQ(table("t")->rowCount(), 0u);
  EXPECT_EQ(errorOf([&] { ddl("TRUNCATE TABLE nothere"); }), 4701);
}

TEST_F(DdlTest, TemporaryTablesResolveThroughTempdbAndStaySeparate) {
  ddl("CREATE TABLE #w (a INT PRIMARY KEY) CREATE TABLE w (a INT)");
  auto temp = cat.getTable(name({"tempdb", "", "#W"}));
  EXPECT_TRUE(temp->isTemporary());
  EXPECT_EQ(cat.getTable(name({"#w"})), temp);
  EXPECT_NE(cat.getTable(name({"w"})), temp);
  EXPECT_EQ(cat.findTable(name({"tempdb", "", "w"})), nullptr);
  EXPECT_EQ(temporary.tables().size(), 1u);
  EXPECT_EQ(cat.objectId("tempdb..#w"), temp->id());
  EXPECT_EQ(cat.objectId("#w"), temp->id());
  EXPECT_EQ(cat.objectId("[dbo].[w]"), table("w")->id());
  EXPECT_EQ(cat.objectId("w", "U"), table("w")->id());
  EXPECT_EQ(cat.objectId("w", "P"), std::nullopt);
  EXPECT_EQ(cat.objectId("nothere"), std::nullopt);
  std::string stored = temp->storedName();
  EXPECT_EQ(stored.size(), 128u);
  EXPECT_EQ(stored.substr(0, 4), "#w__");
  EXPECT_EQ(cat.objectId("tempdb.." + stored), temp->id());
  EXPECT_NE(messageOf([&] { insertRows(*temp, {{N()}}); }).find("table 'tempdb.dbo.#w___"),
            std::string::npos);
  ddl("DROP TABLE #w");
  EXPECT_EQ(cat.objectId("tempdb..#w"), std::nullopt);
}

TEST_F(DdlTest, SysobjectsListsTablesKeysAndDefaults) {
  ddl("CREATE TABLE t (a INT CONSTRAINT PK_t PRIMARY KEY, b INT CONSTRAINT DF_b DEFAULT 0, c INT UNIQUE) "
      "CREATE TABLE #tmp (x INT)");
  auto t = table("t");
  std::vector<Row> rows = viewRows(cat, {"sysobjects"});
  ASSERT_EQ(rows.size(), 4u);  // t, PK_t, UQ, DF_b; the temporary table lives in tempdb
  EXPECT_EQ(rows[0][0].asString(), "t");
  EXPECT_EQ(rows[0][1].asInt(), t->id());
  EXPECT_EQ(rows[0][2].asString(), "U ");
  EXPECT_EQ(rows[1][0].asString(), "PK_t");
  EXPECT_EQ(rows[1][2].asString(), "PK");
  EXPECT_EQ(rows[1][5].asInt(), t->id());  // parent_obj
  EXPECT_EQ(rows[2][2].asString(), "UQ");
  EXPECT_EQ(rows[3][0].asString(), "DF_b");
  EXPECT_EQ(rows[3][2].asString(), "D ");
  EXPECT_EQ(cat.objectId("DF_b"), rows[3][1].asInt());
  std::vector<Row> temps = viewRows(cat, {"tempdb", "", "sysobjects"});
  ASSERT_EQ(temps.size(), 1u);
  EXPECT_EQ(temps[0][0].asString().substr(0, 5), "#tmp_");
  auto view = cat.getTable(name({"dbo", "SysObjects"}));
  EXPECT_EQ(errorOf([&] { view->insert(Row(view->columns().size()), undo); }), 259);
}

TEST_F(DdlTest, SysindexesAndSyscolumnsDescribeTables) {
  ddl("CREATE TABLE h (a INT, n NVARCHAR(10) NOT NULL, d DECIMAL(12, 4)) CREATE INDEX ih ON h (a) "
      "CREATE TABLE k (a INT PRIMARY KEY)");
  insertRows(*table("h"), {{I(1), S("x"), N()}});
  std::vector<Row> ix = viewRows(cat, {"sysindexes"});
  ASSERT_EQ(ix.size(), 3u);
  EXPECT_EQ(ix[0][1].asInt(), 0);  // h is a heap
  EXPECT_TRUE(ix[0][2].isNull());
  EXPECT_EQ(ix[0][4].asInt(), 1);  // rows
  EXPECT_EQ(ix[1][1].asInt(), 2);
  EXPECT_EQ(ix[1][2].asString(), "ih");
  EXPECT_EQ(ix[2][1].asInt(), 1);  // k's clustered primary key
  std::vector<Row> cols = viewRows(cat, {"syscolumns"});
  ASSERT_EQ(cols.size(), 4u);
  EXPECT_EQ(cols[1][0].asString(), "n");
  EXPECT_EQ(cols[1][2].asInt(), 231);  // nvarchar
  EXPECT_EQ(cols[1][3].asInt(), 20);   // bytes
  EXPECT_EQ(cols[1][4].asInt(), 2);    // colid
  EXPECT_EQ(cols[1][8].asInt(), 0);    // not nullable
  EXPECT_EQ(cols[2][6].asInt(), 12);
  EXPECT_EQ(cols[2][7].asInt(), 4);
}

}  // namespace
}  // namespace mls::tsql::testing
