#include "platform/tsql/exec/ops/sort.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/operators.h"

namespace mls::tsql {

namespace {

// Orders two values of a key ascending: NULL first, then by value.
int compareKey(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
  return compareValues(a, b);
}

}  // namespace

int compareSortKeys(const Value* a, const Value* b, const std::vector<SortKey>& keys) {
  for (size_t k = 0; k < keys.size(); ++k) {
    int r = compareKey(a[k], b[k]);
    if (r != 0) return keys[k].descending ? -r : r;
  }
  return 0;
}

void SortColumn::add(Value v) {
  if (asValues_) {
    values_.push_back(std::move(v));
    return;
  }
  if (v.isNull()) {
    nulls_.resize(numbers_.size());
    nulls_.push_back(1);
    numbers_.push_back(0);
    return;
  }
  if (!fits(v)) {
    keepValues();
    values_.push_back(std::move(v));
    return;
  }
  if (!nulls_.empty()) nulls_.push_back(0);
  numbers_.push_back(v.kind() == Value::Kind::Int        ? v.asInt()
                     : v.kind() == Value::Kind::DateTime ? v.asDateTime().ticks()
                                                         : static_cast<int64_t>(v.asDecimal().mantissa()));
}

bool SortColumn::fits(const Value& v) {
  const Value::Kind k = v.kind();
  if (k != Value::Kind::Int && k != Value::Kind::Decimal && k != Value::Kind::DateTime) return false;
  if (!kind_) {
    kind_ = k;
    if (k == Value::Kind::Decimal) scale_ = v.asDecimal().scale();
  }
  if (k != *kind_) return false;
  if (k != Value::Kind::Decimal) return true;
  const Decimal128 d = v.asDecimal();
  return d.scale() == scale_ && d.mantissa() >= std::numeric_limits<int64_t>::min() &&
         d.mantissa() <= std::numeric_limits<int64_t>::max();
}

void SortColumn::keepValues() {
  asValues_ = true;
  values_.reserve(numbers_.size() + 1);
  for (size_t i = 0; i < numbers_.size(); ++i) {
    const int64_t n = numbers_[i];
    if (!nulls_.empty() && nulls_[i]) {
      values_.emplace_back();
    } else if (*kind_ == Value::Kind::Int) {
      values_.push_back(Value::integer(n));
    } else if (*kind_ == Value::Kind::DateTime) {
      values_.push_back(Value::dateTime(DateTime(n)));
    } else {
      values_.push_back(Value::decimal(Decimal128(n, scale_)));
    }
  }
  std::vector<int64_t>().swap(numbers_);
  std::vector<uint8_t>().swap(nulls_);
}

int SortColumn::compare(uint32_t a, uint32_t b) const {
  if (asValues_) {
    assert(a < values_.size() && b < values_.size() && "rows compared were kept");
    return compareKey(values_[a], values_[b]);
  }
  assert(a < numbers_.size() && b < numbers_.size() && "rows compared were kept");
  if (!nulls_.empty() && (nulls_[a] || nulls_[b]))
    return static_cast<int>(nulls_[b]) - static_cast<int>(nulls_[a]);
  return numbers_[a] < numbers_[b] ? -1 : numbers_[a] > numbers_[b];
}

void SortColumn::clear() {
  *this = SortColumn();
}

int SortSource::compareRows(uint32_t a, uint32_t b) const {
  for (size_t k = 0; k < keys_.size(); ++k) {
    const int r = columns_[k].compare(a, b);
    if (r != 0) return keys_[k].descending ? -r : r;
  }
  return 0;
}

void SortSource::pointAt(size_t i) {
  restoreSlots(kept_, i, slotCount_, slots_);
}

void SortSource::onlyTiesOfCurrent() {
  assert(next_ > 0 && !keys_.empty() && keepKeys_ && "ties follow a row given, by its sort keys");
  tiesOf_ = order_[next_ - 1];
}

void SortSource::doOpen(const Value** slots, const EvalContext& ctx) {
  slots_ = slots;
  kept_.clear();
  columns_.assign(keys_.size(), SortColumn());
  next_ = 0;
  tiesOf_.reset();
  input_.open(slots, ctx);
  size_t count = 0;
  while (input_.next(ctx)) {
    kept_.insert(kept_.end(), slots, slots + slotCount_);
    for (size_t k = 0; k < keys_.size(); ++k)
      columns_[k].add(keys_[k].expr->eval(ctx));
    ++count;
  }
  if (count > std::numeric_limits<uint32_t>::max()) throwSqlError(701);
  order_.resize(count);
  std::iota(order_.begin(), order_.end(), uint32_t{0});
  if (keys_.empty()) return;
  std::stable_sort(order_.begin(), order_.end(),
                   [this](uint32_t a, uint32_t b) { return compareRows(a, b) < 0; });
  if (!keepKeys_) {
    for (SortColumn& c : columns_)
      c.clear();
  }
}

bool SortSource::doNext(const EvalContext&) {
  if (next_ >= order_.size()) return false;
  const uint32_t i = order_[next_];
  if (tiesOf_ && compareRows(*tiesOf_, i) != 0) return false;
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
