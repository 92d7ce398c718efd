// TOP n: passes on the first n rows of its input and never asks it for one
// more.  WITH TIES then goes on with the rows whose sort keys equal the last
// one's: the sort below gives only those.  TOP n PERCENT learns n once its
// input is open (the sort below counted the rows).
#pragma once

#include <cstdint>

#include "platform/tsql/exec/ops/row_source.h"
#include "platform/tsql/exec/ops/sort.h"

namespace mls::tsql {

class TopSource final : public RowSource {
 public:
  // `ties`: the sort below, for WITH TIES (else null).
  TopSource(RowSource& input, int64_t limit, SortSource* ties) : input_(input), limit_(limit), ties_(ties) {
    if (ties_) ties_->keepKeys();
  }
  void setLimit(int64_t limit) { limit_ = limit; }

 private:
  void doOpen(const Value** slots, const EvalContext& ctx) override {
    given_ = 0;
    input_.open(slots, ctx);
  }
  bool doNext(const EvalContext& ctx) override {
    assert(limit_ >= 0 && "TOP's count is known before its rows are read");
    if (given_ >= limit_) {
      if (ties_ == nullptr || given_ == 0) return false;
      if (given_ == limit_) ties_->onlyTiesOfCurrent();
    }
    if (!input_.next(ctx)) return false;
    ++given_;
    return true;
  }

  RowSource& input_;
  int64_t limit_;
  SortSource* ties_;
  int64_t given_ = 0;
};

}  // namespace mls::tsql
