// Subqueries in expressions: scalar, EXISTS, IN and the comparisons with ANY
// or ALL, bound expressions that run a query plan.  The plan runs with the
// caller's context as its outer one; an uncorrelated plan runs once per
// statement and its answer is kept (IN: its values hashed).  Any and All
// compare the operand with each value by `op` (x op ANY / ALL (subquery)).
#pragma once

#include <memory>

#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/exec/ops/query_plan.h"

namespace mls::tsql {

enum class SubqueryKind { Scalar, Exists, In, Any, All };
BoundExprPtr makeSubquery(SubqueryKind kind, std::unique_ptr<QueryPlan> plan, bool correlated,
                          BoundExprPtr operand = nullptr, bool negated = false, CompareOp op = CompareOp::Eq);

}  // namespace mls::tsql
