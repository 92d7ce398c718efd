// ORDER BY: at open, reads every row of its input, keeping each row's slots
// and sort keys, and orders them stably (NULL first, DESC reversing a key);
// next() points the slots at the rows in that order.  Without keys it only
// keeps the rows, in the order read (TOP PERCENT counts them first).
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <vector>

#include "platform/tsql/exec/bind/bound_expr.h"
#include "platform/tsql/exec/ops/row_source.h"

namespace mls::tsql {

struct SortKey {
  BoundExprPtr expr;
  bool descending = false;
};

// Orders two rows' key values (keys.size() each); `descending` reverses a key.
int compareSortKeys(const Value* a, const Value* b, const std::vector<SortKey>& keys);

// Points `slots` at row `i` of `kept`, which holds `slotCount` slots a row.
inline void restoreSlots(const std::vector<const Value*>& kept, size_t i, size_t slotCount,
                         const Value** slots) {
  assert((i + 1) * slotCount <= kept.size() && "a kept row lies within the rows kept");
  std::copy_n(kept.begin() + static_cast<ptrdiff_t>(i * slotCount), slotCount, slots);
}

class SortSource final : public RowSource {
 public:
  SortSource(RowSource& input, const std::vector<SortKey>& keys, size_t slotCount)
      : input_(input), keys_(keys), slotCount_(slotCount) {}
  // The rows kept (after open).
  size_t size() const { return order_.size(); }
  // Points the slots at kept row `i`, in the order read.
  void pointAt(size_t i);
  // From now on gives only the rows whose keys equal those of the row given
  // last (WITH TIES).
  void onlyTiesOfCurrent();

 private:
  void doOpen(const Value** slots, const EvalContext& ctx) override;
  bool doNext(const EvalContext& ctx) override;

  RowSource& input_;
  const std::vector<SortKey>& keys_;
  const size_t slotCount_;
  const Value** slots_ = nullptr;
  std::vector<const Value*> kept_;  // slotCount_ per row, in the order read
  std::vector<Value> keyValues_;    // keys_.size() per row
  std::vector<size_t> order_;       // the rows in sorted order
  size_t next_ = 0;                 // position in order_ of the next row to give
  const Value* tiesOf_ = nullptr;   // the keys the rows given must have
};

}  // namespace mls::tsql
