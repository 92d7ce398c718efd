// TOP n ... ORDER BY with a small n: reads its whole input at open, keeping
// only the first n rows in key order (ties in the order read), the last of
// them on top of a heap; next() gives them in order.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/tsql/exec/ops/row_source.h"
#include "platform/tsql/exec/ops/sort.h"

namespace mls::tsql {

class TopNSource final : public RowSource {
 public:
  TopNSource(RowSource& input, const std::vector<SortKey>& keys, size_t slotCount, size_t n)
      : input_(input), keys_(keys), slotCount_(slotCount), n_(n) {}

 private:
  void doOpen(const Value** slots, const EvalContext& ctx) override;
  bool doNext(const EvalContext& ctx) override;
  // Whether kept row `a` comes before kept row `b`.
  bool before(size_t a, size_t b) const;
  // Keeps the current row (keys in `candidate`) in place `at`.
  void keep(size_t at, size_t arrival, std::vector<Value>& candidate);

  RowSource& input_;
  const std::vector<SortKey>& keys_;
  const size_t slotCount_;
  const size_t n_;
  const Value** slots_ = nullptr;
  std::vector<const Value*> kept_;  // slotCount_ per kept row
  std::vector<Value> keyValues_;    // keys_.size() per kept row
  std::vector<size_t> arrival_;     // the order each kept row was read in
  std::vector<size_t> heap_;        // kept rows; after open, in sorted order
  size_t next_ = 0;
};

}  // namespace mls::tsql
