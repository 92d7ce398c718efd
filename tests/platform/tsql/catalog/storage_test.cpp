// Rows, keys and storage order of a table.
#include "catalog_fixture.h"

#include <functional>

namespace mls::tsql::testing {
namespace {

using StorageTest = CatalogTest;

TEST_F(StorageTest, PrimaryKeyRejectsDuplicateWithServerMessage) {
  ddl("CREATE TABLE t (a INT CONSTRAINT PK_t PRIMARY KEY, b VARCHAR(10))");
  auto t = table("t");
  insertRows(*t, {{I(1), S("x")}});
  EXPECT_EQ(messageOf([&] {
              insertRows(*t, {{I(1), S("y")}});
            }),
            "Violation of PRIMARY KEY constraint 'PK_t'. Cannot insert duplicate key in object 'dbo.t'. The "
            "duplicate key value is (1).");
  EXPECT_EQ(t->rowCount(), 1u);
}

TEST_F(StorageTest, UniqueConstraintAndUniqueIndexUseTheirOwnErrors) {
  ddl("CREATE TABLE t (a INT, b VARCHAR(10), CONSTRAINT UQ_b UNIQUE (b)) "
      "CREATE UNIQUE INDEX ix_a ON t (a)");
  auto t = table("t");
  insertRows(*t, {{I(1), S("abc")}});
  // Keys compare without regard to case and trailing spaces.
  EXPECT_EQ(messageOf([&] {
              insertRows(*t, {{I(2), S("ABC  ")}});
            }),
            "Violation of UNIQUE KEY constraint 'UQ_b'. Cannot insert duplicate key in object 'dbo.t'. The "
            "duplicate key value is (ABC  ).");
  EXPECT_EQ(
      messageOf([&] {
        insertRows(*t, {{I(1), S("def")}});
      }),
      "Cannot insert duplicate key row in object 'dbo.t' with unique index 'ix_a'. The duplicate key value "
      "is (1).");
}

TEST_F(StorageTest, UniqueKeyTakesOneNullAndCompositeKeysCompareNullsEqual) {
  ddl("CREATE TABLE t (a INT NULL UNIQUE, b INT NULL, c INT NULL, CONSTRAINT UQ_bc UNIQUE (b, c))");
  auto t = table("t");
  insertRows(*t, {{N(), I(1), N()}});
  EXPECT_EQ(errorOf([&] { insertRows(*t, {{N(), I(2), N()}}); }), 2627);  // second NULL in a
  EXPECT_EQ(messageOf([&] {
              insertRows(*t, {{I(5), I(1), N()}});
            }),
            "Violation of UNIQUE KEY constraint 'UQ_bc'. Cannot insert duplicate key in object 'dbo.t'. The "
            "duplicate key value is (1, <NULL>).");
  insertRows(*t, {{I(6), I(1), I(1)}, {I(7), N(), N()}});
  EXPECT_EQ(t->rowCount(), 3u);
}

TEST_F(StorageTest, NotNullColumnsRejectNullNamingTheStatement) {
  ddl("CREATE TABLE t (a INT NOT NULL, b INT)");
  auto t = table("t");
  EXPECT_EQ(
      messageOf([&] {
        insertRows(*t, {{N(), I(1)}});
      }),
      "Cannot insert the value NULL into column 'a', table 'master.dbo.t'; column does not allow nulls. "
      "INSERT fails.");
  insertRows(*t, {{I(1), I(1)}});
  RowId id = t->scanOrder()[0];
  std::vector<RowId> ids{id};
  EXPECT_NE(messageOf([&] { t->update(ids, {{N(), I(2)}}, undo); }).find("UPDATE fails."), std::string::npos);
  EXPECT_EQ(t->row(id)[0].asInt(), 1);
}

TEST_F(StorageTest, ClusteredKeyOrdersRowsInsertedOutOfOrder) {
  ddl("CREATE TABLE t (k INT PRIMARY KEY, v INT)");
  auto t = table("t");
  insertRows(*t, {{I(5), I(0)}, {I(1), I(1)}, {I(9), I(2)}, {I(3), I(3)}});
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 3, 5, 9}));
  insertRows(*t, {{I(4), I(4)}, {I(10), I(5)}});
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 3, 4, 5, 9, 10}));
  t->erase(t->scanOrder()[1], undo);  // 3
  undo.commit();
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 4, 5, 9, 10}));
}

TEST_F(StorageTest, DescendingAndNonUniqueClusteredKeysKeepInsertionOrderForTies) {
  ddl("CREATE TABLE t (k INT, v INT) CREATE CLUSTERED INDEX cx ON t (k DESC)");
  auto t = table("t");
  insertRows(*t, {{I(1), I(0)}, {I(2), I(1)}, {I(1), I(2)}, {N(), I(3)}, {I(2), I(4)}});
  EXPECT_EQ(column(*t, 1), (std::vector<int64_t>{1, 4, 0, 2, 3}));  // NULL sorts low, so last descending
  ddl("CREATE TABLE u (k INT, v INT) CREATE CLUSTERED INDEX cx ON u (k DESC)");
  auto u = table("u");
  insertRows(*u, {{I(1), I(0)}, {I(2), I(1)}, {I(1), I(2)}, {I(INT64_MIN), I(3)}, {I(2), I(4)}});
  EXPECT_EQ(column(*u, 1), (std::vector<int64_t>{1, 4, 0, 2, 3}));
}

TEST_F(StorageTest, HeapKeepsInsertionOrderAndClusteredIndexReordersExistingRows) {
  ddl("CREATE TABLE t (k INT, v INT)");
  auto t = table("t");
  insertRows(*t, {{I(3), I(0)}, {I(1), I(1)}, {I(2), I(2)}});
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{3, 1, 2}));
  ddl("CREATE CLUSTERED INDEX cx ON t (k)");
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 2, 3}));
  ddl("DROP INDEX t.cx");
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{3, 1, 2}));
}

TEST_F(StorageTest, UpdateChecksKeysAfterAllRowsChanged) {
  ddl("CREATE TABLE t (k INT PRIMARY KEY, v INT)");
  auto t = table("t");
  insertRows(*t, {{I(1), I(10)}, {I(2), I(20)}, {I(3), I(30)}});
  // SET k = k + 1: every intermediate state collides, the final one does not.
  std::vector<RowId> ids(t->scanOrder().begin(), t->scanOrder().end());
  std::vector<Row> rows;
  for (RowId id : ids)
    rows.push_back({I(t->row(id)[0].asInt() + 1), t->row(id)[1]});
  t->update(ids, rows, undo);
  undo.commit();
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{2, 3, 4}));
  // SET k = 9 for two rows collides within the statement; nothing changes.
  std::vector<RowId> two{ids[0], ids[1]};
  EXPECT_EQ(errorOf([&] { t->update(two, {{I(9), I(1)}, {I(9), I(2)}}, undo); }), 2627);
  EXPECT_EQ(errorOf([&] {
              t->update(two, {{I(4), I(1)}, {I(7), I(2)}}, undo);
            }),
            2627);  // 4 is held by row 3
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{2, 3, 4}));
  EXPECT_EQ(column(*t, 1), (std::vector<int64_t>{10, 20, 30}));
}

TEST_F(StorageTest, UpdateOfClusteredKeyMovesTheRow) {
  ddl("CREATE TABLE t (k INT PRIMARY KEY, v INT)");
  auto t = table("t");
  insertRows(*t, {{I(1), I(10)}, {I(2), I(20)}, {I(3), I(30)}});
  std::vector<RowId> first{t->scanOrder()[0]};
  t->update(first, {{I(8), I(10)}}, undo);
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{2, 3, 8}));
  undo.rollback();
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 2, 3}));
  insertRows(*t, {{I(8), I(0)}});  // the key 8 is free again after the rollback
}

TEST_F(StorageTest, IndexLookupFindsEqualKeysAndSurvivesDeletes) {
  ddl("CREATE TABLE t (k INT, name VARCHAR(10)) CREATE INDEX ix ON t (name)");
  auto t = table("t");
  for (int i = 0; i < 100; ++i)
    insertRows(*t, {{I(i), S(i % 2 ? "odd" : "even")}});
  size_t nameCol = 1;
  const IndexDef* ix = t->indexOn(std::span<const size_t>(&nameCol, 1));
  ASSERT_NE(ix, nullptr);
  std::vector<RowId> out;
  Value key = S("ODD ");
  t->lookup(*ix, std::span<const Value>(&key, 1), out);
  EXPECT_EQ(out.size(), 50u);
  EXPECT_TRUE(std::is_sorted(out.begin(), out.end()));
  for (size_t i = 0; i < 10; ++i)
    t->erase(out[i], undo);
  undo.commit();
  out.clear();
  t->lookup(*ix, std::span<const Value>(&key, 1), out);
  EXPECT_EQ(out.size(), 40u);
  Value null;
  out.clear();
  t->lookup(*ix, std::span<const Value>(&null, 1), out);
  EXPECT_TRUE(out.empty());
  size_t kCol = 0;
  EXPECT_EQ(t->indexOn(std::span<const size_t>(&kCol, 1)), nullptr);
}

TEST_F(StorageTest, CompactionKeepsOrderAndKeys) {
  ddl("CREATE TABLE t (k INT PRIMARY KEY NONCLUSTERED, v INT)");
  auto t = table("t");
  std::vector<Row> rows;
  for (int i = 0; i < 5000; ++i)
    rows.push_back({I(5000 - i), I(i)});
  insertRows(*t, rows);
  std::vector<RowId> ids(t->scanOrder().begin(), t->scanOrder().end());
  for (size_t i = 0; i < ids.size(); ++i) {
    if (i % 5 != 0) t->erase(ids[i], undo);
  }
  undo.commit();  // releases the table: 4000 dead of 5000 rows are compacted away
  ASSERT_EQ(t->rowCount(), 1000u);
  std::vector<int64_t> v = column(*t, 1);
  EXPECT_EQ(v.size(), 1000u);
  EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));  // heap: insertion order
  EXPECT_EQ(errorOf([&] { insertRows(*t, {{I(5000), I(0)}}); }), 2627);
  insertRows(*t, {{I(4999), I(0)}});
}

// Deleting from a unique key leaves every other key findable and frees the
// deleted ones (text keys hash alike without regard to case).
TEST_F(StorageTest, UniqueKeyFindsEveryKeyLeftAfterDeletes) {
  ddl("CREATE TABLE n (k INT PRIMARY KEY NONCLUSTERED) CREATE TABLE s (k VARCHAR(10) PRIMARY KEY "
      "NONCLUSTERED)");
  struct Case {
    const char* table;
    std::function<Value(int)> key;
  } cases[] = {{"n", [](int i) { return I(i * 64); }},
               {"s", [](int i) { return S((i % 2 ? "K" : "k") + std::to_string(i)); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    auto t = table(c.table);
    std::vector<Row> rows;
    for (int i = 0; i < 1500; ++i)
      rows.push_back({c.key(i)});
    insertRows(*t, rows);
    std::vector<RowId> ids(t->scanOrder().begin(), t->scanOrder().end());
    for (size_t i = 0; i < ids.size(); i += 3)
      t->erase(ids[i], undo);
    undo.commit();  // 500 dead rows: too few to compact
    for (int i = 0; i < 1500; ++i) {
      if (i % 3 == 0) continue;
      EXPECT_EQ(errorOf([&] { insertRows(*t, {{c.key(i)}}); }), 2627) << i;
    }
    for (int i = 0; i < 1500; i += 3)
      insertRows(*t, {{c.key(i)}});
    EXPECT_EQ(t->rowCount(), 1500u);
  }
}

}  // namespace
}  // namespace mls::tsql::testing
