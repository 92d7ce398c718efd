// The texts of the catalog's errors (their numbers and the rules behind them
// are SQL records in tests/platform/tsql/cases/catalog_rules.test), and what
// only the catalog's API shows of temporary tables.
#include "catalog_fixture.h"

namespace mls::tsql::testing {
namespace {

using DdlTest = CatalogTest;

ast::ObjectName name(std::vector<std::string> parts) {
  return ast::ObjectName{std::move(parts), {}};
}

TEST(CatalogMessages, NameTheObjectsAndValues) {
  struct Case {
    const char* setup;
    const char* batch;
    const char* message;  // a part of the error's text
  };
  const Case cases[] = {
      {"CREATE TABLE t (a INT)", "CREATE TABLE T (b INT)",
       "There is already an object named 'T' in the database."},
      {"", "DROP TABLE dbo.nothere",
       "Cannot drop the table 'dbo.nothere', because it does not exist or you do not have permission."},
      {"", "SELECT * FROM nothere", "Invalid object name 'nothere'."},
      {"", "CREATE TABLE t (a INT, PRIMARY KEY (b))",
       "Column name 'b' does not exist in the target table or view."},
      {"CREATE TABLE t (a INT) INSERT t VALUES (1)", "ALTER TABLE t ADD z INT NOT NULL",
       "Column 'z' cannot be added to non-empty table 't' because it does not satisfy"},
      {"CREATE TABLE t (a INT, b INT) INSERT t VALUES (2, 1), (1, 1)",
       "ALTER TABLE t ADD CONSTRAINT UQ_b UNIQUE (b)",
       "The CREATE UNIQUE INDEX statement terminated because a duplicate key was found for the object name "
       "'dbo.t' and the index name 'UQ_b'. The duplicate key value is (1)."},
      {"CREATE TABLE t (a INT)", "ALTER TABLE t DROP CONSTRAINT nope", "'nope' is not a constraint."},
      {"CREATE TABLE t (a INT, b INT) CREATE INDEX ix ON t (a)", "CREATE INDEX IX ON t (b)",
       "The operation failed because an index or statistics with name 'IX' already exists on table 'dbo.t'."},
      {"CREATE TABLE t (a INT)", "DROP INDEX t.ix",
       "Cannot drop the index 't.ix', because it does not exist or you do not have permission."},
      {"CREATE TABLE t (a INT CONSTRAINT PK_t PRIMARY KEY) INSERT t VALUES (1)", "INSERT t VALUES (1)",
       "Violation of PRIMARY KEY constraint 'PK_t'. Cannot insert duplicate key in object 'dbo.t'. The "
       "duplicate key value is (1)."},
      // Text keys compare without regard to case and trailing spaces; the value shows as inserted.
      {"CREATE TABLE t (b VARCHAR(10), CONSTRAINT UQ_b UNIQUE (b)) INSERT t VALUES ('abc')",
       "INSERT t VALUES ('ABC  ')",
       "Violation of UNIQUE KEY constraint 'UQ_b'. Cannot insert duplicate key in object 'dbo.t'. The "
       "duplicate key value is (ABC  )."},
      {"CREATE TABLE t (a INT) CREATE UNIQUE INDEX ix_a ON t (a) INSERT t VALUES (1)", "INSERT t VALUES (1)",
       "Cannot insert duplicate key row in object 'dbo.t' with unique index 'ix_a'. The duplicate key value "
       "is (1)."},
      {"CREATE TABLE t (b INT, c INT, CONSTRAINT UQ_bc UNIQUE (b, c)) INSERT t VALUES (1, NULL)",
       "INSERT t VALUES (1, NULL)", "The duplicate key value is (1, <NULL>)."},
      {"CREATE TABLE t (a INT NOT NULL, b INT)", "INSERT t VALUES (NULL, 1)",
       "Cannot insert the value NULL into column 'a', table 'master.dbo.t'; column does not allow nulls. "
       "INSERT fails."},
      {"CREATE TABLE t (a INT NOT NULL) INSERT t VALUES (1)", "UPDATE t SET a = NULL",
       "column does not allow nulls. UPDATE fails."},
      {"CREATE TABLE #w (a INT NOT NULL)", "INSERT #w VALUES (NULL)", "table 'tempdb.dbo.#w___"},
      {"CREATE TABLE t (id TINYINT IDENTITY(255, 1), v INT) INSERT t (v) VALUES (1)",
       "INSERT t (v) VALUES (2)", "Arithmetic overflow error converting IDENTITY to data type tinyint."},
  };
  for (const Case& c : cases) {
    auto db = Database::create();
    Session s(db);
    s.execute(c.setup);
    std::string message = messageOf([&] { s.execute(c.batch); });
    EXPECT_NE(message.find(c.message), std::string::npos) << c.batch << ": " << message;
  }
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
  std::string stored = temp->storedName();
  EXPECT_EQ(stored.size(), 128u);
  EXPECT_EQ(stored.substr(0, 4), "#w__");
  EXPECT_EQ(cat.objectId("tempdb.." + stored), temp->id());
  ddl("DROP TABLE #w");
  EXPECT_EQ(cat.objectId("tempdb..#w"), std::nullopt);
}

}  // namespace
}  // namespace mls::tsql::testing
