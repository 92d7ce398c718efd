// ORDER BY: at open, reads every row of its input, keeping each row's slots
// and sort keys, and orders them stably (NULL first, DESC reversing a key);
// next() points the slots at the rows in that order.  Without keys it only
// keeps the rows, in the order read (TOP PERCENT counts them first).
//
// A row costs its slots (a pointer each), a 32-bit place in the order and its
// keys while it is sorted: a key of integers, of decimals of one scale within
// 64 bits or of dates is kept as plain 64-bit numbers (NULLs in a byte a row
// once one comes), any other as its values.  The keys are let go once the
// rows are in order, unless WITH TIES still compares them.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/tsql/exec/expr/bound_expr.h"
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

// One sort key's values, a row each, in the order read.
class SortColumn {
 public:
  void add(Value v);
  // Orders rows a and b by this key ascending, NULL first.
  int compare(uint32_t a, uint32_t b) const;
  // Lets go of the values.
  void clear();

 private:
  bool fits(const Value& v);
  void keepValues();  // turns the numbers kept so far into values

  bool asValues_ = false;
  std::optional<Value::Kind> kind_;  // of the numbers' values
  int scale_ = 0;                    // of a decimal key
  std::vector<int64_t> numbers_;
  std::vector<uint8_t> nulls_;  // empty until the first NULL
  std::vector<Value> values_;
};

class SortSource final : public RowSource {
 public:
  SortSource(RowSource& input, const std::vector<SortKey>& keys, size_t slotCount)
      : input_(input), keys_(keys), slotCount_(slotCount) {}
  // Keeps the keys after the sort, for a TOP ... WITH TIES above (before open).
  void keepKeys() { keepKeys_ = true; }
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
  // Orders rows a and b by every key.
  int compareRows(uint32_t a, uint32_t b) const;

  const size_t slotCount_;
  bool keepKeys_ = false;
  const Value** slots_ = nullptr;
  std::vector<const Value*> kept_;   // slotCount_ per row, in the order read
  std::vector<SortColumn> columns_;  // parallel to keys_
  std::vector<uint32_t> order_;      // the rows in sorted order
  size_t next_ = 0;                  // position in order_ of the next row to give
  std::optional<uint32_t> tiesOf_;   // the row whose keys the rows given must have
};

}  // namespace mls::tsql
