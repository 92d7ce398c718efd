#include "platform/tsql/exec/query_plan.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/row_set.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// TOP n ... ORDER BY with n up to this keeps n rows rather than sorting all.
constexpr int64_t kPartialSortLimit = 4096;

bool isTrue(Bool3 b) {
  return b && *b;
}

// Orders two keys: NULL first, then by value; `descending` reverses.
int compareKeys(const Value* a, const Value* b, const std::vector<SortKey>& keys) {
  for (size_t k = 0; k < keys.size(); ++k) {
    int r;
    if (a[k].isNull() || b[k].isNull()) {
      r = a[k].isNull() == b[k].isNull() ? 0 : (a[k].isNull() ? -1 : 1);
    } else {
      r = compareValues(a[k], b[k]);
    }
    if (r != 0) return keys[k].descending ? -r : r;
  }
  return 0;
}

}  // namespace

int64_t QueryPlan::run(ExecEnv& env, const EvalContext* outer, RowSink& sink) const {
  std::vector<const Value*> slots(std::max<size_t>(slotCount, 1), nullptr);
  EvalContext ctx{slots.data(), outer, &env};

  // TOP n is read once, before the rows.
  int64_t limit = -1;
  double percent = 0;
  if (top) {
    Value v = top->eval(ctx);
    if (topPercent) {
      percent = v.isNull() ? 0 : castValue(v, top->type(), SqlType(TypeId::Float)).asFloat();
      if (percent < 0 || percent > 100) throwSqlError(1031);
    } else {
      limit = v.isNull() ? 0 : castValue(v, top->type(), SqlType(TypeId::BigInt)).asInt();
      if (limit < 0) throwSqlError(1060);
    }
  }

  bool single = false;
  if (source) source->open(slots.data(), ctx);
  auto nextRow = [&]() -> bool {
    if (source) return source->next(ctx);
    if (single) return false;
    single = true;
    return true;
  };

  RowSet seen;
  int64_t produced = 0;
  // Emits the current row; false when the sink wants no more.
  auto emit = [&]() -> bool {
    if (!assignments.empty()) {
      for (const VariableAssignment& a : assignments)
        env.frame->at(a.frameIndex).value = a.value->eval(ctx);
      ++produced;
      return true;
    }
    std::vector<Value> row;
    row.reserve(outputs.size());
    for (const BoundExprPtr& e : outputs)
      row.push_back(e->eval(ctx));
    if (distinct && !seen.insert(row)) return true;
    ++produced;
    return sink.push(row);
  };

  if (orderBy.empty() && !topPercent) {
    if (limit == 0) return 0;
    while (nextRow()) {
      if (where && !isTrue(where->test(ctx))) continue;
      if (!emit()) break;
      if (limit >= 0 && produced >= limit) break;
    }
    return produced;
  }

  const size_t nk = orderBy.size();
  const size_t ns = slots.size();
  if (limit >= 0 && limit <= kPartialSortLimit && !topPercent && !withTies && !distinct) {
    // TOP n ... ORDER BY: keep only the first n rows in order (ties in the
    // order read), the last of them on top of a heap.
    if (limit == 0) return 0;
    const auto n = static_cast<size_t>(limit);
    std::vector<const Value*> kept;
    std::vector<Value> keys, candidate(nk);
    std::vector<size_t> arrival, heap;
    auto before = [&](size_t a, size_t b) {
      int c = compareKeys(&keys[a * nk], &keys[b * nk], orderBy);
      return c != 0 ? c < 0 : arrival[a] < arrival[b];
    };
    for (size_t count = 0; nextRow(); ++count) {
      if (where && !isTrue(where->test(ctx))) continue;
      for (size_t k = 0; k < nk; ++k)
        candidate[k] = orderBy[k].expr->eval(ctx);
      size_t at;
      if (heap.size() < n) {
        at = heap.size();
        kept.resize((at + 1) * ns);
        keys.resize((at + 1) * nk);
        arrival.push_back(0);
      } else {
        if (compareKeys(candidate.data(), &keys[heap.front() * nk], orderBy) >= 0) continue;
        std::pop_heap(heap.begin(), heap.end(), before);
        at = heap.back();
        heap.pop_back();
      }
      std::copy(slots.begin(), slots.end(), kept.begin() + static_cast<ptrdiff_t>(at * ns));
      std::move(candidate.begin(), candidate.end(), keys.begin() + static_cast<ptrdiff_t>(at * nk));
      arrival[at] = count;
      heap.push_back(at);
      std::push_heap(heap.begin(), heap.end(), before);
    }
    std::sort_heap(heap.begin(), heap.end(), before);
    for (size_t i : heap) {
      std::copy(kept.begin() + static_cast<ptrdiff_t>(i * ns),
                kept.begin() + static_cast<ptrdiff_t>((i + 1) * ns), slots.begin());
      if (!emit()) break;
    }
    return produced;
  }

  // Sorted (or TOP PERCENT): keep the qualifying rows' slots and keys, order
  // them stably, then emit in order.
  std::vector<const Value*> kept;
  std::vector<Value> keys;
  size_t count = 0;
  while (nextRow()) {
    if (where && !isTrue(where->test(ctx))) continue;
    kept.insert(kept.end(), slots.begin(), slots.end());
    for (const SortKey& k : orderBy)
      keys.push_back(k.expr->eval(ctx));
    ++count;
  }
  std::vector<size_t> order(count);
  std::iota(order.begin(), order.end(), size_t{0});
  if (nk > 0) {
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return compareKeys(&keys[a * nk], &keys[b * nk], orderBy) < 0;
    });
  }
  if (topPercent) limit = static_cast<int64_t>(std::ceil(static_cast<double>(count) * percent / 100.0));
  const Value* lastKeys = nullptr;
  for (size_t i : order) {
    if (limit >= 0 && produced >= limit) {
      if (!withTies || lastKeys == nullptr || compareKeys(lastKeys, &keys[i * nk], orderBy) != 0) break;
    }
    std::copy(kept.begin() + static_cast<ptrdiff_t>(i * ns),
              kept.begin() + static_cast<ptrdiff_t>((i + 1) * ns), slots.begin());
    int64_t before = produced;
    if (!emit()) break;
    if (produced > before) lastKeys = &keys[i * nk];
  }
  return produced;
}

}  // namespace mls::tsql
