#include "platform/tsql/exec/ops/row_set.h"

#include "platform/tsql/types/operators.h"

namespace mls::tsql {

size_t hashRow(const std::vector<Value>& row) {
  size_t h = 0x9e3779b97f4a7c15ULL;
  for (const Value& v : row)
    h = (h ^ (v.isNull() ? 0x51ed27 : hashValue(v))) * 0x100000001b3ULL;
  return h;
}

namespace {

bool sameRow(const std::vector<Value>& a, const std::vector<Value>& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].isNull() != b[i].isNull()) return false;
    if (!a[i].isNull() && compareValues(a[i], b[i]) != 0) return false;
  }
  return true;
}

}  // namespace

bool RowSet::contains(const std::vector<Value>& row) const {
  auto [first, last] = byHash_.equal_range(hashRow(row));
  for (auto it = first; it != last; ++it) {
    if (sameRow(rows_[it->second], row)) return true;
  }
  return false;
}

bool RowSet::insert(const std::vector<Value>& row) {
  size_t h = hashRow(row);
  auto [first, last] = byHash_.equal_range(h);
  for (auto it = first; it != last; ++it) {
    if (sameRow(rows_[it->second], row)) return false;
  }
  byHash_.emplace(h, rows_.size());
  rows_.push_back(row);
  return true;
}

}  // namespace mls::tsql
