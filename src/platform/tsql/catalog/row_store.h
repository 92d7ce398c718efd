// The rows of a table by RowId: each row's values lie side by side in chunks
// that never move, so a row costs its values and nothing more, and a row's
// values keep their address until the store is rebuilt (compaction, a column
// added to a filled table).
#pragma once

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "platform/tsql/catalog/index.h"
#include "platform/tsql/types/value.h"

namespace mls::tsql {

class RowStore {
 public:
  RowStore() = default;
  RowStore(const RowStore& o);
  RowStore& operator=(const RowStore& o);
  RowStore(RowStore&&) noexcept = default;
  RowStore& operator=(RowStore&&) noexcept = default;

  size_t size() const { return size_; }
  RowView operator[](RowId id) const {
    assert(id < size_ && "a row id names a row of the store");
    return {at(id), width_};
  }
  std::span<Value> mutableRow(RowId id) {
    assert(id < size_ && "a row id names a row of the store");
    return {at(id), width_};
  }
  // Starts fetching a row's values into the cache, ahead of a read or write.
  void prefetch(RowId id) const {
    assert(id < size_ && "a row id names a row of the store");
    const Value* v = at(id);
    __builtin_prefetch(v);
    __builtin_prefetch(v + width_ - 1);
  }
  // Appends a row, moving its values in; every row has the first row's width.
  void push(std::span<Value> row);
  // Appends `fill` to every row.
  void addColumn(const Value& fill);
  // Moves the values of row `from` into row `to` (to < from), for compacting
  // in place.
  void moveRow(RowId from, RowId to) {
    assert(to < from && from < size_ && "a row moves down within the store");
    std::span<Value> source = mutableRow(from);
    std::move(source.begin(), source.end(), at(to));
  }
  // Keeps the first `n` rows, freeing the chunks past them.
  void truncate(size_t n);

 private:
  // Chunks 0 .. kGrowing-1 hold 16, 32, ..., 4096 rows (a small table stays
  // small), the later ones 4096 rows each.
  static constexpr size_t kFirstRows = 16;
  static constexpr size_t kChunkRows = 4096;
  static constexpr size_t kGrowing = std::bit_width(kChunkRows / kFirstRows);
  static constexpr size_t kGrowingRows = kChunkRows * 2 - kFirstRows;

  static size_t chunkRows(size_t c) { return c < kGrowing ? kFirstRows << c : kChunkRows; }
  // The chunk holding row `id` and the row's position in it.
  static std::pair<size_t, size_t> place(size_t id) {
    if (id < kGrowingRows) {
      size_t x = id + kFirstRows;
      size_t c = static_cast<size_t>(std::bit_width(x)) - std::bit_width(kFirstRows);
      return {c, x - (kFirstRows << c)};
    }
    size_t k = id - kGrowingRows;
    return {kGrowing + k / kChunkRows, k % kChunkRows};
  }
  Value* at(RowId id) const {
    auto [c, n] = place(id);
    return const_cast<Value*>(chunks_[c].data()) + n * width_;
  }

  size_t size_ = 0;
  size_t width_ = 0;
  std::vector<std::vector<Value>> chunks_;  // each reserved to its full size once
};

}  // namespace mls::tsql
