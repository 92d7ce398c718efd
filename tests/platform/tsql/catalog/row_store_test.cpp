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

}  // namespace
}  // namespace mls::tsql
