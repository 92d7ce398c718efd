// A compiled query: a source of rows for the query's slots, a filter, the
// select list (or variable assignments), DISTINCT, ORDER BY and TOP.  run()
// pulls the rows through a chain of row sources built for the run:
//
//   source (or a single row) -> filter -> sort | top-n -> distinct -> top
//
// A query without ORDER BY streams to its sink and stops as soon as TOP or
// the sink is satisfied; TOP n ... ORDER BY with a small n keeps n rows in a
// heap (top-n); otherwise the sort reads every row first.
#pragma once

#include <memory>
#include <vector>

#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/exec/expr/output_column.h"
#include "platform/tsql/exec/ops/row_source.h"
#include "platform/tsql/exec/ops/sort.h"

namespace mls::tsql {

// SELECT @v = expr: the variable slot and the value converted to its type.
struct VariableAssignment {
  int frameIndex;
  BoundExprPtr value;
};

class QueryPlan {
 public:
  size_t slotCount = 0;
  std::unique_ptr<RowSource> source;  // null: a single row of no source (SELECT without FROM)
  BoundExprPtr where;                 // null: every row
  std::vector<OutputColumn> columns;
  std::vector<BoundExprPtr> outputs;
  std::vector<VariableAssignment> assignments;  // instead of outputs
  bool distinct = false;
  BoundExprPtr top;  // null: no TOP
  bool topPercent = false;
  bool withTies = false;
  std::vector<SortKey> orderBy;

  // Runs the query; `outer` is the enclosing query's context (null at the top).
  // Returns the number of rows produced (or assigned), at most `rowLimit`
  // when it is above 0 (SET ROWCOUNT: the smaller of it and TOP wins).
  int64_t run(ExecEnv& env, const EvalContext* outer, RowSink& sink, int64_t rowLimit = 0) const;

 private:
  struct Chain;
  // TOP's count, read once before the rows: -1 without TOP; for TOP PERCENT
  // the percentage in `percent`.
  int64_t topCount(const EvalContext& ctx, double& percent) const;
  // TOP n PERCENT's n over the rows `sort` kept: of the rows the query
  // returns, after DISTINCT.
  int64_t percentOf(double percent, SortSource& sort, const EvalContext& ctx) const;
  // Chains the run's stages over the source, `limit` being TOP's count.
  void build(Chain& chain, int64_t limit, size_t slots) const;
  // Hands the current row to `sink` (or assigns it); false to stop.
  bool emit(Chain& chain, const EvalContext& ctx, RowSink& sink) const;
};

}  // namespace mls::tsql
