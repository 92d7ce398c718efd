// Row sources: the operators a query's rows are pulled through.  A source
// fills the slots it owns (slots[i] for its tables) with its current row's
// values at each next(); the rows stay in place until the query ends.  A
// query's plan chains them: a scan or join, then the filter, sort or top-n,
// distinct and top stages of QueryPlan::run.
#pragma once

#include <cassert>
#include <optional>
#include <utility>
#include <vector>

#include "platform/tsql/catalog/index.h"
#include "platform/tsql/exec/expr/runtime.h"

namespace mls::tsql {

// Receives the rows of a query in order; returning false stops the query.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual bool push(std::vector<Value>& row) = 0;
};

// Produces the combinations of source rows a query reads.  open() is called
// once per run (with the run's slots) before any next(); each next() points
// the slots the source owns at its next row, false when there is none.
class RowSource {
 public:
  virtual ~RowSource() = default;
  void open(const Value** slots, const EvalContext& ctx) {
    assert(slots != nullptr && "a row source opens over the slots of its query");
    opened_ = true;
    doOpen(slots, ctx);
  }
  bool next(const EvalContext& ctx) {
    assert(opened_ && "a row source gives rows only once opened");
    return doNext(ctx);
  }
  // The id of the table row the last row given holds in `slot`, when this
  // source streams it from a scan of that slot; else nothing.
  virtual std::optional<RowId> rowIdOf(int slot) const {
    (void)slot;
    return std::nullopt;
  }

 protected:
  virtual void doOpen(const Value** slots, const EvalContext& ctx) = 0;
  virtual bool doNext(const EvalContext& ctx) = 0;

 private:
  bool opened_ = false;
};

// The single row of a query without FROM.
class SingleRow final : public RowSource {
 private:
  void doOpen(const Value**, const EvalContext&) override { given_ = false; }
  bool doNext(const EvalContext&) override { return !std::exchange(given_, true); }
  bool given_ = false;
};

// A sink that keeps every row.
class CollectSink final : public RowSink {
 public:
  std::vector<std::vector<Value>> rows;
  bool push(std::vector<Value>& row) override {
    rows.push_back(std::move(row));
    return true;
  }
};

}  // namespace mls::tsql
