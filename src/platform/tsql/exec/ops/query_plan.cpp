#include "platform/tsql/exec/ops/query_plan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/ops/distinct.h"
#include "platform/tsql/exec/ops/filter.h"
#include "platform/tsql/exec/ops/row_set.h"
#include "platform/tsql/exec/ops/top.h"
#include "platform/tsql/exec/ops/top_n.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// TOP n ... ORDER BY with n up to this keeps n rows rather than sorting all.
constexpr int64_t kPartialSortLimit = 4096;

}  // namespace

// The stages of one run, on its stack; each borrows the one below it.
struct QueryPlan::Chain {
  SingleRow single;
  std::optional<FilterSource> filter;
  std::optional<SortSource> sort;
  std::optional<TopNSource> topN;
  std::optional<DistinctSource> distinct;
  std::optional<TopSource> top;
  RowSource* last = nullptr;
};

int64_t QueryPlan::topCount(const EvalContext& ctx, double& percent) const {
  if (!top) return -1;
  Value v = top->eval(ctx);
  if (topPercent) {
    percent = v.isNull() ? 0 : castValue(v, top->type(), SqlType(TypeId::Float)).asFloat();
    if (percent < 0 || percent > 100) throwSqlError(1031);
    return -1;
  }
  int64_t limit = v.isNull() ? 0 : castValue(v, top->type(), SqlType(TypeId::BigInt)).asInt();
  if (limit < 0) throwSqlError(1060);
  return limit;
}

int64_t QueryPlan::percentOf(double percent, SortSource& sort, const EvalContext& ctx) const {
  size_t base = sort.size();
  if (distinct && assignments.empty()) {
    RowSet rows;
    base = 0;
    for (size_t i = 0; i < sort.size(); ++i) {
      sort.pointAt(i);
      if (rows.insert(evalEach(outputs, ctx))) ++base;
    }
  }
  return static_cast<int64_t>(std::ceil(static_cast<double>(base) * percent / 100.0));
}

bool QueryPlan::emit(Chain& chain, const EvalContext& ctx, RowSink& sink) const {
  if (!assignments.empty()) {
    for (const VariableAssignment& a : assignments)
      ctx.env->frame->at(a.frameIndex).value = a.value->eval(ctx);
    return true;
  }
  std::vector<Value> row = chain.distinct ? std::move(chain.distinct->row()) : evalEach(outputs, ctx);
  return sink.push(row);
}

void QueryPlan::build(Chain& c, int64_t limit, size_t slots) const {
  c.last = source ? source.get() : &c.single;
  if (where) c.last = &c.filter.emplace(*c.last, *where);
  // Without ORDER BY the rows stream; a small TOP n ... ORDER BY keeps n rows
  // in a heap (TOP 0 reads none); any other ORDER BY or TOP PERCENT sorts.
  const bool stream = orderBy.empty() && !topPercent;
  const bool heap = !stream && limit >= 0 && limit <= kPartialSortLimit && !withTies && !distinct;
  if (heap && limit > 0) {
    c.last = &c.topN.emplace(*c.last, orderBy, slots, static_cast<size_t>(limit));
  } else if (!stream && !heap) {
    c.last = &c.sort.emplace(*c.last, orderBy, slots);
  }
  // DISTINCT applies to the select list, not to assignments.
  if (distinct && assignments.empty()) c.last = &c.distinct.emplace(*c.last, outputs);
  if ((limit >= 0 && !(heap && limit > 0)) || topPercent) {
    c.last = &c.top.emplace(*c.last, limit, withTies && c.sort ? &*c.sort : nullptr);
  }
}

int64_t QueryPlan::run(ExecEnv& env, const EvalContext* outer, RowSink& sink, int64_t rowLimit) const {
  // A run of a correlated subquery per outer row: its few slots on the stack.
  constexpr size_t kInlineSlots = 8;
  std::array<const Value*, kInlineSlots> inlineSlots{};
  std::vector<const Value*> heapSlots;
  std::span<const Value*> slots(inlineSlots.data(), std::max<size_t>(slotCount, 1));
  if (slots.size() > kInlineSlots) {
    heapSlots.assign(slots.size(), nullptr);
    slots = std::span<const Value*>(heapSlots);
  }
  EvalContext ctx{slots.data(), outer, &env};
  double percent = 0;
  const int64_t limit = topCount(ctx, percent);

  Chain c;
  build(c, limit, slots.size());
  c.last->open(slots.data(), ctx);
  if (topPercent) c.top->setLimit(percentOf(percent, *c.sort, ctx));

  int64_t produced = 0;
  while ((rowLimit <= 0 || produced < rowLimit) && c.last->next(ctx)) {
    ++produced;
    if (!emit(c, ctx, sink)) break;
  }
  return produced;
}

}  // namespace mls::tsql
