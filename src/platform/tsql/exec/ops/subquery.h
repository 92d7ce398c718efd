// Subqueries in expressions: scalar, EXISTS and IN, bound expressions that
// run a query plan.  The plan runs with the caller's context as its outer
// one; an uncorrelated plan runs once per statement and its answer is kept
// (IN: its values hashed).
#pragma once

#include <memory>

#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/exec/ops/query_plan.h"

namespace mls::tsql {

enum class SubqueryKind { Scalar, Exists, In };
BoundExprPtr makeSubquery(SubqueryKind kind, std::unique_ptr<QueryPlan> plan, bool correlated,
                          BoundExprPtr operand = nullptr, bool negated = false);

}  // namespace mls::tsql
