#include "platform/tsql/exec/ops/query_plan.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/ops/row_set.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// TOP n ... ORDER BY with n up to this keeps n rows rather than sorting all.
constexpr int64_t kPartialSortLimit = 4096;

bool isTrue(Bool3 b) {
  return b && *b;
}

// Orders two values of a key ascending: NULL first, then by value.
int compareKey(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
  return compareValues(a, b);
}

// Orders two rows' keys; `descending` reverses a key.
int compareKeys(const Value* a, const Value* b, const std::vector<SortKey>& keys) {
  for (size_t k = 0; k < keys.size(); ++k) {
    int r = compareKey(a[k], b[k]);
    if (r != 0) return keys[k].descending ? -r : r;
  }
  return 0;
}

// A sort key's values as plain numbers when they all are integers, or all
// decimals of one scale (NULLs apart): compared without looking at kinds.
struct NumericKey {
  bool usable = true;
  std::vector<__int128> numbers;
  std::vector<uint8_t> nulls;
};

NumericKey numericKey(const std::vector<Value>& keys, size_t k, size_t nk, size_t count) {
  NumericKey out;
  out.numbers.resize(count);
  out.nulls.resize(count);
  std::optional<Value::Kind> kind;
  int scale = -1;
  for (size_t i = 0; i < count && out.usable; ++i) {
    const Value& v = keys[i * nk + k];
    if (v.isNull()) {
      out.nulls[i] = 1;
      continue;
    }
    if (!kind) kind = v.kind();
    if (v.kind() != *kind) {
      out.usable = false;
    } else if (v.kind() == Value::Kind::Int) {
      out.numbers[i] = v.asInt();
    } else if (v.kind() == Value::Kind::Decimal) {
      Decimal128 d = v.asDecimal();
      if (scale < 0) scale = d.scale();
      out.usable = d.scale() == scale;
      out.numbers[i] = d.mantissa();
    } else {
      out.usable = false;
    }
  }
  return out;
}

// Orders the row numbers `order` stably by their keys (nk per row).
void sortRows(std::vector<size_t>& order, const std::vector<Value>& keys,
              const std::vector<SortKey>& orderBy) {
  const size_t nk = orderBy.size();
  std::vector<NumericKey> numeric;
  for (size_t k = 0; k < nk; ++k)
    numeric.push_back(numericKey(keys, k, nk, order.size()));
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    for (size_t k = 0; k < nk; ++k) {
      int r;
      const NumericKey& n = numeric[k];
      if (n.usable) {
        r = n.nulls[a] || n.nulls[b]      ? static_cast<int>(n.nulls[b]) - static_cast<int>(n.nulls[a])
            : n.numbers[a] < n.numbers[b] ? -1
                                          : n.numbers[a] > n.numbers[b];
      } else {
        r = compareKey(keys[a * nk + k], keys[b * nk + k]);
      }
      if (r != 0) return (orderBy[k].descending ? -r : r) < 0;
    }
    return false;
  });
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

  auto outputRow = [&] {
    std::vector<Value> row;
    row.reserve(outputs.size());
    for (const BoundExprPtr& e : outputs)
      row.push_back(e->eval(ctx));
    return row;
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
    std::vector<Value> row = outputRow();
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
  if (nk > 0) sortRows(order, keys, orderBy);
  if (topPercent) {
    // The percentage is of the rows the query returns: after DISTINCT.
    size_t base = count;
    if (distinct && assignments.empty()) {
      RowSet rows;
      base = 0;
      for (size_t i = 0; i < count; ++i) {
        std::copy(kept.begin() + static_cast<ptrdiff_t>(i * ns),
                  kept.begin() + static_cast<ptrdiff_t>((i + 1) * ns), slots.begin());
        if (rows.insert(outputRow())) ++base;
      }
    }
    limit = static_cast<int64_t>(std::ceil(static_cast<double>(base) * percent / 100.0));
  }
  const Value* lastKeys = nullptr;
  // Sorted rows are read out of the order they lie in: fetch the rows a few
  // places ahead (their first two cache lines) while this one is used.
  constexpr size_t kAhead = 8;
  for (size_t o = 0; o < order.size(); ++o) {
    const size_t i = order[o];
    if (o + kAhead < order.size()) {
      for (size_t s = 0; s < ns; ++s) {
        if (const Value* row = kept[order[o + kAhead] * ns + s]) {
          __builtin_prefetch(row);
          __builtin_prefetch(row + 4);
        }
      }
    }
    if (limit >= 0 && produced >= limit) {
      if (!withTies || lastKeys == nullptr || compareKeys(lastKeys, &keys[i * nk], orderBy) != 0) break;
    }
    std::copy(kept.begin() + static_cast<ptrdiff_t>(i * ns),
              kept.begin() + static_cast<ptrdiff_t>((i + 1) * ns), slots.begin());
    int64_t before = produced;
    if (!emit()) break;
    if (produced > before && nk > 0) lastKeys = &keys[i * nk];  // TOP PERCENT may sort by nothing
  }
  return produced;
}

}  // namespace mls::tsql
