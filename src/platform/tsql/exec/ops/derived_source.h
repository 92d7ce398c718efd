// A derived table, (SELECT ...) AS d, as a source of one slot: its query runs
// when the source opens (with the enclosing query's outer context) and its rows
// are kept; an uncorrelated query runs once per statement.  `filter` holds the
// conditions pushed down to it (null: none).
#pragma once

#include <memory>

#include "platform/tsql/exec/ops/query_plan.h"

namespace mls::tsql {

std::unique_ptr<RowSource> makeDerivedSource(std::unique_ptr<QueryPlan> plan, bool correlated, int slot,
                                             BoundExprPtr filter);

}  // namespace mls::tsql
