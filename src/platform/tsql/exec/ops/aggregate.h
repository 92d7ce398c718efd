// Grouping and aggregates by hashing: a RowSource that reads its input source
// (filtered by WHERE), groups the rows by the GROUP BY keys and yields one row
// per group, [keys..., GROUPING flags..., aggregate results...], in the slot
// `groupSlot`.  A query with aggregates and no GROUP BY has exactly one group.
// Groups come in the order their first rows came.  WITH ROLLUP adds the
// super-groups of each prefix of the keys (the rolled-up keys NULL, their
// flags 1) and the grand total (none over no rows), and yields all groups ordered by their keys,
// each super-group after the groups it sums.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/tsql/exec/expr/aggregate_spec.h"
#include "platform/tsql/exec/ops/row_source.h"

namespace mls::tsql {

struct GroupingSpec {
  std::unique_ptr<RowSource> input;  // null: a single empty row
  BoundExprPtr where;
  std::vector<BoundExprPtr> keys;
  std::vector<AggregateSpec> aggregates;
  int groupSlot = 0;
  bool rollup = false;
};

std::unique_ptr<RowSource> makeGroupingSource(GroupingSpec spec);

}  // namespace mls::tsql
