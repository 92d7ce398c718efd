// DISTINCT: computes the select list of each row of its input and passes on
// the rows whose values were not met before (SQL equality, see RowSet); row()
// holds the current row's values, so the plan does not compute them again.
#pragma once

#include <vector>

#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/exec/ops/row_set.h"
#include "platform/tsql/exec/ops/row_source.h"

namespace mls::tsql {

class DistinctSource final : public RowSource {
 public:
  DistinctSource(RowSource& input, const std::vector<BoundExprPtr>& outputs)
      : input_(input), outputs_(outputs) {}
  // The current row's values; the plan may move them away.
  std::vector<Value>& row() { return row_; }

 private:
  void doOpen(const Value** slots, const EvalContext& ctx) override { input_.open(slots, ctx); }
  bool doNext(const EvalContext& ctx) override {
    while (input_.next(ctx)) {
      row_ = evalEach(outputs_, ctx);
      if (seen_.insert(row_)) return true;
    }
    return false;
  }

  RowSource& input_;
  const std::vector<BoundExprPtr>& outputs_;
  RowSet seen_;
  std::vector<Value> row_;
};

}  // namespace mls::tsql
