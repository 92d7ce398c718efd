// WHERE: passes on the rows of its input for which a condition is true (not
// FALSE, not UNKNOWN).  A stage of a query's chain: it borrows its input,
// which the plan keeps.
#pragma once

#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/exec/ops/row_source.h"

namespace mls::tsql {

class FilterSource final : public RowSource {
 public:
  FilterSource(RowSource& input, const BoundExpr& condition) : input_(input), condition_(condition) {}
  std::optional<RowId> rowIdOf(int slot) const override { return input_.rowIdOf(slot); }

 private:
  void doOpen(const Value** slots, const EvalContext& ctx) override { input_.open(slots, ctx); }
  bool doNext(const EvalContext& ctx) override {
    while (input_.next(ctx)) {
      Bool3 b = condition_.test(ctx);
      if (b && *b) return true;
    }
    return false;
  }

  RowSource& input_;
  const BoundExpr& condition_;
};

}  // namespace mls::tsql
