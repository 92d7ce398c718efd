// A compiled query: a source of rows for the query's slots, a filter, the
// select list (or variable assignments), DISTINCT, ORDER BY and TOP.  Rows are
// pulled from the source one at a time; a query without ORDER BY streams to its
// sink and stops as soon as TOP or the sink is satisfied.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/tsql/catalog/column.h"
#include "platform/tsql/catalog/index.h"
#include "platform/tsql/exec/bind/bound_expr.h"

namespace mls::tsql {

// Receives the rows of a query in order; returning false stops the query.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual bool push(std::vector<Value>& row) = 0;
};

// Produces the combinations of source rows a query reads.  Each call of next()
// points the slots it owns (slots[i] for its sources) at the current row's
// values; the rows stay in place until the query ends.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual void open(const Value** slots, const EvalContext& ctx) = 0;
  virtual bool next(const EvalContext& ctx) = 0;
  // The id of the table row the last row given holds in `slot`, when this
  // source streams it from a scan of that slot; else nothing.
  virtual std::optional<RowId> rowIdOf(int slot) const {
    (void)slot;
    return std::nullopt;
  }
};

struct OutputColumn {
  OutputColumn() = default;
  OutputColumn(std::string n, SqlType t, bool null = true, std::optional<IdentitySpec> id = std::nullopt)
      : name(std::move(n)), type(t), nullable(null), identity(id) {}

  std::string name;
  SqlType type;
  bool nullable = true;
  // A table's IDENTITY column selected as it is: SELECT ... INTO carries the
  // property over.
  std::optional<IdentitySpec> identity;
};

struct SortKey {
  BoundExprPtr expr;
  bool descending = false;
};

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
  // Returns the number of rows produced (or assigned).
  int64_t run(ExecEnv& env, const EvalContext* outer, RowSink& sink) const;
};

// A sink that keeps every row.
class CollectSink final : public RowSink {
 public:
  std::vector<std::vector<Value>> rows;
  bool push(std::vector<Value>& row) override {
    rows.push_back(std::move(row));
    return true;
  }
};

}  // namespace mls::tsql
