// The scan of one table for one slot, in storage order, with the conditions
// pushed down to it.  The equalities of columns with values fixed for the run
// (constants, variables, columns of enclosing queries) form one key, whatever
// order they were written in, and find their rows, when the values arrive in
// the columns' own types:
// - through a unique index all of whose columns the key holds;
// - else through a range of the clustered key's leading columns (a binary
//   search of storage order);
// - else, on a heap, through the index holding most of the key's columns;
// - else through a hash of the key's columns the table keeps until its next
//   change, built at the second lookup since then (a statement run once per
//   call probes it on every call);
// - else the first run scans and later runs (a correlated subquery runs once
//   per outer row) look the whole key up in a hash built on the second run.
// Key columns the access does not cover are tested per row.  Rows found by key
// keep storage order.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/tsql/catalog/table.h"
#include "platform/tsql/exec/ops/hash_chains.h"
#include "platform/tsql/exec/ops/query_plan.h"

namespace mls::tsql {

// column = value for each part: `columnValues[i]` reads scanned column
// `columns[i]`, `values[i]` reads no column of the scan's query level; both of
// their comparison type.  Each column appears once.
struct ScanKey {
  std::vector<size_t> columns;
  std::vector<BoundExprPtr> columnValues;
  std::vector<BoundExprPtr> values;

  void add(size_t column, BoundExprPtr columnValue, BoundExprPtr value) {
    columns.push_back(column);
    columnValues.push_back(std::move(columnValue));
    values.push_back(std::move(value));
  }
  bool has(size_t column) const;
};

class TableScan final : public RowSource {
 public:
  TableScan(std::shared_ptr<Table> table, int slot, BoundExprPtr filter, std::optional<ScanKey> key);
  ~TableScan() override;
  TableScan(const TableScan&) = delete;
  TableScan& operator=(const TableScan&) = delete;

  void doOpen(const Value** slots, const EvalContext& ctx) override;
  bool doNext(const EvalContext& ctx) override;
  // The row the scan stands on.
  RowId currentId() const { return current_; }
  std::optional<RowId> rowIdOf(int slot) const override {
    return slot == slot_ ? std::optional<RowId>(current_) : std::nullopt;
  }
  const std::shared_ptr<Table>& table() const { return table_; }
  // After open(), before next(): how many rows the run would read (before
  // its tests).  A hash lookup answers the entries of the key's hash, counted
  // at the first run of that key only.
  size_t candidateCount() const;
  // The key holds an equality of `column` whose value arrives in the column's
  // own representation; after open(), fixedValue() is that value.
  bool fixesColumn(size_t column) const { return usablePart(column) < keyValues_.size(); }
  const Value& fixedValue(size_t column) const { return keyValues_[usablePart(column)]; }
  // Instead of open() and next(), for rows found by id: openForLookups()
  // evaluates the run's key, accepts() stands the scan on row `id` and tests
  // it against the key and the filter.
  void openForLookups(const Value** slots, const EvalContext& ctx);
  bool accepts(RowId id, const EvalContext& ctx);
  // After open(), before next(): the run reads only `ids` (in storage order),
  // each tested against the whole key and the filter.
  void restrictTo(std::vector<RowId> ids);

 private:
  enum class Access { Index, ClusteredRange, Hash };
  enum class Reading { All, Ids, Chain };  // all_[pos_, end_), ids_[pos_..], the hash chain

  void chooseAccess();
  // The part of the key on `column` whose value arrives in the column's own
  // representation (so an index can find it), or the number of parts.
  size_t usablePart(size_t column) const;
  bool keyMatches(const EvalContext& ctx) const;
  bool nextInChain(RowId& id);
  void findRange();
  void buildHash(const EvalContext& ctx);
  size_t keyHash(const Value* values) const;

  std::shared_ptr<Table> table_;
  int slot_;
  BoundExprPtr filter_;
  std::optional<ScanKey> key_;
  Access access_ = Access::Hash;
  const IndexDef* index_ = nullptr;  // Index: the index; ClusteredRange: the clustered index
  std::vector<size_t> accessParts_;  // the key parts the access uses, in the index's key order
  std::vector<size_t> autoColumns_;  // Hash: the key's columns usable in the table's hash, ascending
  bool exact_ = false;               // the access finds only rows matching the whole key

  const Value** slots_ = nullptr;
  Reading reading_ = Reading::All;
  std::vector<RowId> ids_;      // the rows of this run (by key)
  std::span<const RowId> all_;  // storage order
  bool checkKey_ = false;       // rows are tested against the key
  bool keyNull_ = false;        // openForLookups(): the run's key holds NULL
  size_t pos_ = 0, end_ = 0;
  RowId current_ = 0;
  std::vector<Value> keyValues_;  // parallel to the key's parts
  int runs_ = 0;

  // The hash of the key columns: entries are positions in hashIds_.
  bool hashed_ = false;
  std::vector<RowId> hashIds_;
  std::vector<Value> hashKeys_;  // hashIds_.size() * parts
  std::vector<size_t> hashes_;
  HashChains chains_;
  size_t keyHash_ = 0;                 // this run's key
  uint32_t chain_ = HashChains::kEnd;  // its next entry
};

}  // namespace mls::tsql
