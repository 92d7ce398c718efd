#include "platform/tsql/exec/ops/sort.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "platform/tsql/types/operators.h"

namespace mls::tsql {

namespace {

// Orders two values of a key ascending: NULL first, then by value.
int compareKey(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
  return compareValues(a, b);
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
    assert(i * nk + k < keys.size() && "a row's keys lie within the keys kept");
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

int compareSortKeys(const Value* a, const Value* b, const std::vector<SortKey>& keys) {
  for (size_t k = 0; k < keys.size(); ++k) {
    int r = compareKey(a[k], b[k]);
    if (r != 0) return keys[k].descending ? -r : r;
  }
  return 0;
}

void SortSource::pointAt(size_t i) {
  restoreSlots(kept_, i, slotCount_, slots_);
}

void SortSource::onlyTiesOfCurrent() {
  assert(next_ > 0 && !keys_.empty() && "ties follow a row given, by its sort keys");
  tiesOf_ = &keyValues_[order_[next_ - 1] * keys_.size()];
}

void SortSource::doOpen(const Value** slots, const EvalContext& ctx) {
  slots_ = slots;
  kept_.clear();
  keyValues_.clear();
  next_ = 0;
  tiesOf_ = nullptr;
  input_.open(slots, ctx);
  size_t count = 0;
  while (input_.next(ctx)) {
    kept_.insert(kept_.end(), slots, slots + slotCount_);
    for (const SortKey& k : keys_)
      keyValues_.push_back(k.expr->eval(ctx));
    ++count;
  }
  order_.resize(count);
  std::iota(order_.begin(), order_.end(), size_t{0});
  if (!keys_.empty()) sortRows(order_, keyValues_, keys_);
}

bool SortSource::doNext(const EvalContext&) {
  if (next_ >= order_.size()) return false;
  const size_t i = order_[next_];
  const size_t nk = keys_.size();
  if (tiesOf_ != nullptr && compareSortKeys(tiesOf_, &keyValues_[i * nk], keys_) != 0) return false;
  // Sorted rows are read out of the order they lie in: fetch the rows a few
  // places ahead (their first two cache lines) while this one is used.
  constexpr size_t kAhead = 8;
  if (next_ + kAhead < order_.size()) {
    for (size_t s = 0; s < slotCount_; ++s) {
      if (const Value* row = kept_[order_[next_ + kAhead] * slotCount_ + s]) {
        __builtin_prefetch(row);
        __builtin_prefetch(row + 4);
      }
    }
  }
  pointAt(i);
  ++next_;
  return true;
}

}  // namespace mls::tsql
