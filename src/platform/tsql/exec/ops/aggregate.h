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

#include "platform/tsql/exec/ops/query_plan.h"

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
