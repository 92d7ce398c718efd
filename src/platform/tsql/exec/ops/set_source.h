// UNION [ALL], EXCEPT and INTERSECT as a source of rows: both queries run when
// the source opens, their rows (already of the combined column types) are
// kept and yielded in slot 0.  UNION ALL keeps every row of both; UNION the
// distinct rows of both; EXCEPT the distinct rows of the left query that the
// right one lacks; INTERSECT those it has.  Rows keep the order they came in.
#pragma once

#include <memory>

#include "platform/tsql/exec/ops/query_plan.h"

namespace mls::tsql {

enum class SetOperation { UnionAll, Union, Except, Intersect };

std::unique_ptr<RowSource> makeSetSource(SetOperation op, std::unique_ptr<QueryPlan> left,
                                         std::unique_ptr<QueryPlan> right);

}  // namespace mls::tsql
