// The scan of one table for one slot, in storage order, with the conditions
// pushed down to it.  An equality of a column with a value fixed for the run
// (constants, variables, columns of enclosing queries) finds its rows by key:
// through a unique index, or any index of a heap, when the types allow; else
// the first run scans and later runs (a correlated subquery runs once per
// outer row) look the key up in a hash of the column built on the second run.
// Rows found by key keep storage order.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/tsql/catalog/table.h"
#include "platform/tsql/exec/hash_chains.h"
#include "platform/tsql/exec/query_plan.h"

namespace mls::tsql {

// column = value: `column` reads the scanned column, `value` reads no column
// of the scan's query level; both of the comparison type.
struct ScanKey {
  size_t column = 0;
  BoundExprPtr columnValue;
  BoundExprPtr value;
};

class TableScan final : public RowSource {
 public:
  TableScan(std::shared_ptr<Table> table, int slot, BoundExprPtr filter, std::optional<ScanKey> key);

  void open(const Value** slots, const EvalContext& ctx) override;
  bool next(const EvalContext& ctx) override;
  // The row the scan stands on.
  RowId currentId() const { return current_; }

 private:
  bool keyMatches(const EvalContext& ctx) const;
  void buildHash(const EvalContext& ctx);

  std::shared_ptr<Table> table_;
  int slot_;
  BoundExprPtr filter_;
  std::optional<ScanKey> key_;
  const IndexDef* index_ = nullptr;  // the index serving the key, if any

  const Value** slots_ = nullptr;
  std::vector<RowId> ids_;      // the rows of this run (by key), or empty with scanAll_
  std::span<const RowId> all_;  // storage order
  bool scanAll_ = true;
  bool checkKey_ = false;  // a full scan that tests the key per row
  size_t pos_ = 0;
  RowId current_ = 0;
  Value keyValue_;
  int runs_ = 0;

  // The hash of the key column: entries are positions in hashIds_.
  bool hashed_ = false;
  std::vector<RowId> hashIds_;
  std::vector<Value> hashKeys_;
  std::vector<size_t> hashes_;
  HashChains chains_;
};

}  // namespace mls::tsql
