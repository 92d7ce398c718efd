#include "platform/tsql/catalog/row_store.h"

namespace mls::tsql {

RowStore::RowStore(const RowStore& o) : size_(o.size_), width_(o.width_) {
  chunks_.reserve(o.chunks_.size());
  for (size_t c = 0; c < o.chunks_.size(); ++c) {
    chunks_.emplace_back().reserve(chunkRows(c) * width_);
    chunks_.back().insert(chunks_.back().end(), o.chunks_[c].begin(), o.chunks_[c].end());
  }
}

RowStore& RowStore::operator=(const RowStore& o) {
  if (this != &o) *this = RowStore(o);
  return *this;
}

void RowStore::push(std::span<Value> row) {
  if (size_ == 0) width_ = row.size();
  auto [c, n] = place(size_);
  if (c == chunks_.size()) chunks_.emplace_back().reserve(chunkRows(c) * width_);
  std::vector<Value>& chunk = chunks_[c];
  for (Value& v : row)
    chunk.push_back(std::move(v));
  ++size_;
}

void RowStore::truncate(size_t n) {
  assert(n <= size_ && "a store keeps at most the rows it has");
  if (n == size_) return;
  auto [c, k] = n == 0 ? std::pair<size_t, size_t>{0, 0} : place(n - 1);
  const size_t keepChunks = n == 0 ? 0 : c + 1;
  chunks_.resize(keepChunks);
  if (keepChunks > 0) chunks_.back().resize((k + 1) * width_);
  size_ = n;
}

void RowStore::addColumn(const Value& fill) {
  RowStore wider;
  Row row;
  for (RowId id = 0; id < size_; ++id) {
    std::span<Value> old = mutableRow(id);
    row.assign(std::make_move_iterator(old.begin()), std::make_move_iterator(old.end()));
    row.push_back(fill);
    wider.push(row);
  }
  *this = std::move(wider);
}

}  // namespace mls::tsql
