// A table's index lookups and unique keys after deletes and compaction, and a table's
// lifetime under another session's transaction; the rules of keys and storage order are SQL records
// (cases/catalog_rules.test).
#include "catalog_fixture.h"

#include <functional>

namespace mls::tsql::testing {
namespace {

using StorageTest = CatalogTest;

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

// A table another session still changes in an open transaction outlives its DROP.
TEST_F(StorageTest, OpenTransactionKeepsATableAnotherSessionDropped) {
  ddl("CREATE TABLE t (k INT PRIMARY KEY)");
  std::weak_ptr<Table> weak = table("t");
  UndoLog otherSession;
  table("t")->insert({I(1)}, otherSession);  // uncommitted
  ddl("DROP TABLE t");
  EXPECT_FALSE(weak.expired());
  EXPECT_EQ(weak.lock()->rowCount(), 1u);
  otherSession.rollback();  // undoes the insert on the still valid table, then lets go of it
  EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace mls::tsql::testing
