// Joins of two row sources.  The right input is read once per run, when the
// left gives its first row (RIGHT and FULL joins: at the latest at its end), and kept
// (its slot pointers and key values); the left input streams.  With equality
// keys the kept rows are hashed and each left row meets only the rows of its
// key (a hash join); without keys each left row meets every kept row (nested
// loops).  Matches come in left order, then right order.  LEFT and FULL joins
// give an unmatched left row once with the right slots NULL; RIGHT and FULL
// joins give the unmatched right rows at the end with the left slots NULL.
#pragma once

#include <memory>
#include <vector>

#include "platform/tsql/exec/ops/query_plan.h"

namespace mls::tsql {

class TableScan;
struct IndexDef;

enum class JoinKind { Inner, Left, Right, Full };

struct JoinSpec {
  JoinKind kind = JoinKind::Inner;
  std::unique_ptr<RowSource> left, right;
  std::vector<int> leftSlots, rightSlots;  // the slots each input sets
  // Equality keys: leftKeys[i] (over the left slots) = rightKeys[i] (over the
  // right slots), both of their comparison type.  NULL matches nothing.
  std::vector<BoundExprPtr> leftKeys, rightKeys;
  BoundExprPtr residual;  // the other ON conditions; null: none
  // The right rows stay the same from one run to the next (they read nothing
  // of enclosing queries, no variable): they are read on the first run only.
  bool keepRight = false;
  // An inner join whose left input is a table scan (`leftScan`, owned by
  // `left`) with an index over columns of the left keys and of the scan's own
  // key: when a run's right rows are far fewer than the rows the scan would
  // read, the right keys find the left rows through the index (in storage
  // order, as the scan reads them).  probeKeys: for each key column of
  // `probeIndex`, the position of its equality in leftKeys, or kScanKeyPart
  // for a column the scan's key fixes.
  static constexpr size_t kScanKeyPart = static_cast<size_t>(-1);
  TableScan* leftScan = nullptr;
  const IndexDef* probeIndex = nullptr;
  std::vector<size_t> probeKeys;
  // An inner or left join whose right input is a table scan (`rightScan`,
  // owned by `right`) with a unique index over columns of the right keys, or
  // a clustered index whose leading columns they are: while a run's left rows
  // are far fewer than the right table's rows, each finds its right rows
  // through the index (in storage order, tested against the scan's own
  // conditions) and the right input is not read.  lookupKeys: for each key
  // column of `lookupIndex` used, the position of its equality in leftKeys,
  // or (clustered index) kScanKeyPart for a column the right scan's key fixes.
  // Without `lookupIndex`, the rows are found through the hash the table
  // keeps of `lookupColumns` (Table::lookupUnindexed; lookupKeys parallel to
  // them); until the table keeps one, a run reads the right input.
  TableScan* rightScan = nullptr;
  const IndexDef* lookupIndex = nullptr;
  std::vector<size_t> lookupKeys;
  std::vector<size_t> lookupColumns;
  // Pointed at by the slots of the side a row lacks: NULLs, as wide as the
  // widest source.
  std::shared_ptr<const std::vector<Value>> nulls;
};

std::unique_ptr<RowSource> makeJoinSource(JoinSpec spec);

// The rows of `input` that pass `condition`.
std::unique_ptr<RowSource> makeFilterSource(std::unique_ptr<RowSource> input, BoundExprPtr condition);

}  // namespace mls::tsql
