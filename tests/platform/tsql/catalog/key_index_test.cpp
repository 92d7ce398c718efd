// The hash of keys to row ids, against a plain model: random adds and removes
// of rows over few keys (long chains of one key) and over many (the table
// growing through its steps and closing the gaps removals leave).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "platform/tsql/catalog/index.h"

namespace mls::tsql {
namespace {

struct Model {
  IndexDef def;
  KeyIndex index;
  std::vector<Row> rows;                           // by row id: [key]
  std::map<int64_t, std::vector<RowId>> idsByKey;  // in the order filed
  std::vector<uint8_t> filed;                      // by row id

  RowView read(RowId id) const { return rows[id]; }
  void add(int64_t key) {
    const auto id = static_cast<RowId>(rows.size());
    rows.push_back({Value::integer(key)});
    filed.push_back(1);
    index.add(def, rows.back(), id);
    idsByKey[key].push_back(id);
  }
  // Removes row `id`; answers what the index answered.
  bool remove(RowId id) {
    const bool removed = index.remove(def, rows[id], id);
    if (removed) {
      std::vector<RowId>& ids = idsByKey[rows[id][0].asInt()];
      ids.erase(std::find(ids.begin(), ids.end(), id));
      filed[id] = 0;
    }
    return removed;
  }
  std::vector<RowId> lookup(int64_t key) const {
    std::vector<RowId> out;
    const Value k = Value::integer(key);
    index.lookup(
        def, std::span<const Value>(&k, 1), [this](RowId id) { return read(id); }, out);
    std::sort(out.begin(), out.end());
    return out;
  }
  void expectEveryKey(const char* when) const {
    size_t entries = 0;
    for (const auto& [key, ids] : idsByKey) {
      EXPECT_EQ(lookup(key), ids) << "key " << key << ", " << when;
      entries += ids.size();
    }
    EXPECT_EQ(index.size(), entries) << when;
  }
};

TEST(KeyIndexTest, NonUniqueChainsFindEveryRowLeftAfterRemoves) {
  struct Case {
    int keys;   // distinct keys
    int rows;   // rows added
    int steps;  // random removes
  };
  for (const Case c : {Case{1, 300, 200}, Case{7, 2000, 1500}, Case{5000, 6000, 5000}}) {
    Model m;
    m.def.keys = {KeyColumn{0, false}};
    std::mt19937 gen(static_cast<unsigned>(c.keys));
    for (int i = 0; i < c.rows; ++i)
      m.add(static_cast<int64_t>(gen() % static_cast<unsigned>(c.keys)));
    m.expectEveryKey("after the adds");
    for (int s = 0; s < c.steps; ++s) {
      const auto id = static_cast<RowId>(gen() % m.rows.size());
      if (!m.filed[id]) continue;
      const std::vector<RowId>& ids = m.idsByKey[m.rows[id][0].asInt()];
      const auto place = static_cast<size_t>(std::find(ids.begin(), ids.end(), id) - ids.begin());
      // A row is found among the newest kRemoveRun of its key, else the
      // index says so (and is rebuilt by its table).
      EXPECT_EQ(m.remove(id), ids.size() - place <= KeyIndex::kRemoveRun) << "row " << id;
    }
    m.expectEveryKey("after the removes");
    // A key emptied of rows is found no more; the keys filed after it still are.
    for (auto& [key, ids] : m.idsByKey) {
      while (!ids.empty() && m.remove(ids.back())) {
      }
    }
    m.expectEveryKey("after emptying the keys");
    m.add(3);
    EXPECT_EQ(m.lookup(3).size(), m.idsByKey[3].size());
  }
}

TEST(KeyIndexTest, UniqueKeysGrowThroughTheStepsAndCloseTheirGaps) {
  Model m;
  m.def.keys = {KeyColumn{0, false}};
  m.def.unique = true;
  for (int64_t k = 0; k < 5000; ++k) {
    m.add(k * 7919 % 100003);
    if (k % 997 == 0) m.expectEveryKey("while growing");
  }
  for (RowId id = 0; id < 5000; id += 3)
    EXPECT_TRUE(m.remove(id));
  m.expectEveryKey("after the removes");
  // A key removed is free again; one still filed is found as the duplicate.
  const Row again = {Value::integer(0)};
  EXPECT_FALSE(m.index.addUnique(m.def, again, 9999, [&m](RowId id) { return m.read(id); }));
  const Row taken = {Value::integer(7919)};
  EXPECT_EQ(m.index.addUnique(m.def, taken, 9998, [&m](RowId id) { return m.read(id); }), RowId{1});
}

}  // namespace
}  // namespace mls::tsql
