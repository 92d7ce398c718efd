#include "platform/tsql/exec/ops/top_n.h"

#include <algorithm>
#include <cassert>

namespace mls::tsql {

bool TopNSource::before(size_t a, size_t b) const {
  const size_t nk = keys_.size();
  int c = compareSortKeys(&keyValues_[a * nk], &keyValues_[b * nk], keys_);
  return c != 0 ? c < 0 : arrival_[a] < arrival_[b];
}

void TopNSource::keep(size_t at, size_t arrival, std::vector<Value>& candidate) {
  const size_t nk = keys_.size();
  assert((at + 1) * slotCount_ <= kept_.size() && (at + 1) * nk <= keyValues_.size());
  std::copy_n(slots_, slotCount_, kept_.begin() + static_cast<ptrdiff_t>(at * slotCount_));
  std::move(candidate.begin(), candidate.end(), keyValues_.begin() + static_cast<ptrdiff_t>(at * nk));
  arrival_[at] = arrival;
}

void TopNSource::doOpen(const Value** slots, const EvalContext& ctx) {
  assert(n_ > 0 && "TOP 0 reads no rows");
  slots_ = slots;
  kept_.clear();
  keyValues_.clear();
  arrival_.clear();
  heap_.clear();
  next_ = 0;
  input_.open(slots, ctx);
  const size_t nk = keys_.size();
  auto cmp = [this](size_t a, size_t b) { return before(a, b); };
  std::vector<Value> candidate(nk);
  for (size_t count = 0; input_.next(ctx); ++count) {
    for (size_t k = 0; k < nk; ++k)
      candidate[k] = keys_[k].expr->eval(ctx);
    size_t at;
    if (heap_.size() < n_) {
      at = heap_.size();
      kept_.resize((at + 1) * slotCount_);
      keyValues_.resize((at + 1) * nk);
      arrival_.push_back(0);
    } else {
      if (compareSortKeys(candidate.data(), &keyValues_[heap_.front() * nk], keys_) >= 0) continue;
      std::pop_heap(heap_.begin(), heap_.end(), cmp);
      at = heap_.back();
      heap_.pop_back();
    }
    keep(at, count, candidate);
    heap_.push_back(at);
    std::push_heap(heap_.begin(), heap_.end(), cmp);
  }
  std::sort_heap(heap_.begin(), heap_.end(), cmp);
}

bool TopNSource::doNext(const EvalContext&) {
  if (next_ >= heap_.size()) return false;
  restoreSlots(kept_, heap_[next_++], slotCount_, slots_);
  return true;
}

}  // namespace mls::tsql
