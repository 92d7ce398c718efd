// UNION and UNION ALL as a source of rows: both queries run when the source
// opens, their rows (already of the combined column types) are kept, without
// duplicates for UNION, and yielded in order in slot 0.
#pragma once

#include <memory>

#include "platform/tsql/exec/query_plan.h"

namespace mls::tsql {

std::unique_ptr<RowSource> makeUnionSource(std::unique_ptr<QueryPlan> left, std::unique_ptr<QueryPlan> right,
                                           bool distinct);

}  // namespace mls::tsql
