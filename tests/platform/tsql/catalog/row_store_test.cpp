// Rows kept side by side in chunks: every row reads back its own values across
// the chunk boundaries, through copies and a widening.
#include <gtest/gtest.h>

#include <string>

#include "platform/tsql/catalog/row_store.h"

namespace mls::tsql {
namespace {

Row rowFor(size_t id) {
  return {Value::integer(static_cast<int64_t>(id)), Value::string("row " + std::string(id % 3 * 10, 'x'))};
}

void expectRow(RowView r, size_t id, size_t width) {
  ASSERT_EQ(r.size(), width);
  EXPECT_EQ(r[0].asInt(), static_cast<int64_t>(id));
  EXPECT_EQ(r[1].asString(), rowFor(id)[1].asString());
}

TEST(RowStoreTest, RowsKeepTheirValuesAndAddressesAcrossChunks) {
  RowStore store;
  std::vector<const Value*> addresses;
  const size_t count = 8176 + 2 * 4096 + 5;  // the growing chunks, two full ones and a part
  for (size_t id = 0; id < count; ++id) {
    Row r = rowFor(id);
    store.push(r);
    addresses.push_back(store[static_cast<RowId>(id)].data());
  }
  ASSERT_EQ(store.size(), count);
  RowStore copy = store;
  for (size_t id : {0, 15, 16, 47, 48, 4080, 8175, 8176, 12271, 12272, 16367, 16368, 16372}) {
    auto rid = static_cast<RowId>(id);
    expectRow(store[rid], id, 2);
    EXPECT_EQ(store[rid].data(), addresses[id]);  // later rows moved nothing
    expectRow(copy[rid], id, 2);
  }
  Row extra = rowFor(count);
  copy.push(extra);  // the copy's last chunk takes more rows in place
  expectRow(copy[static_cast<RowId>(count)], count, 2);
  EXPECT_EQ(store.size(), count);

  store.mutableRow(9)[0] = Value::integer(-9);
  store.addColumn(Value::string("fill"));
  EXPECT_EQ(store[9][0].asInt(), -9);
  for (size_t id : {0, 16, 8176, 16372}) {
    expectRow(store[static_cast<RowId>(id)].first(2), id, 2);
    EXPECT_EQ(store[static_cast<RowId>(id)][2].asString(), "fill");
  }
  EXPECT_EQ(copy[9][0].asInt(), 9);  // copies share no values
}

// Compacting in place: rows move down, the store keeps a prefix and frees the
// chunks past it, and rows pushed later land after the prefix.
TEST(RowStoreTest, RowsMovedDownAndTruncatedKeepTheirValues) {
  for (size_t keep : {size_t{0}, size_t{1}, size_t{16}, size_t{17}, size_t{8176}, size_t{9000}}) {
    RowStore store;
    const size_t count = 2 * 9000 + 5;
    for (size_t id = 0; id < count; ++id) {
      Row r = rowFor(id);
      store.push(r);
    }
    // Keep every other row of the first 2 * keep, moved to the front.
    for (size_t n = 1; n < keep; ++n)
      store.moveRow(static_cast<RowId>(2 * n), static_cast<RowId>(n));
    store.truncate(keep);
    ASSERT_EQ(store.size(), keep);
    for (size_t n = 0; n < keep; ++n)
      expectRow(store[static_cast<RowId>(n)], 2 * n, 2);
    for (size_t id = 0; id < 20; ++id) {
      Row r = rowFor(id);
      store.push(r);
    }
    for (size_t id = 0; id < 20; ++id)
      expectRow(store[static_cast<RowId>(keep + id)], id, 2);
  }
}

}  // namespace
}  // namespace mls::tsql
