// The aggregates a query may call (COUNT, COUNT_BIG, SUM, AVG, MIN, MAX) as
// the binder sees them: by name, with their result types, bound to their
// argument.  ops/aggregate computes them.
#pragma once

#include <optional>
#include <string_view>

#include "platform/tsql/exec/expr/bound_expr.h"

namespace mls::tsql {

enum class AggregateKind { Count, CountBig, Sum, Avg, Min, Max };

// The aggregate named `upperName` (COUNT, COUNT_BIG, SUM, AVG, MIN, MAX), or empty.
std::optional<AggregateKind> aggregateKind(std::string_view upperName);
// The result type of an aggregate over an argument of type `arg` (8117 for a
// type SUM / AVG do not take).
SqlType aggregateType(AggregateKind kind, const SqlType& arg);

struct AggregateSpec {
  AggregateKind kind;
  BoundExprPtr arg;  // null for COUNT(*) / COUNT_BIG(*)
  bool distinct = false;
  SqlType type;
};

}  // namespace mls::tsql
