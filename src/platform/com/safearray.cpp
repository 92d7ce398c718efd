#include <utility>

#include "platform/com/error.h"
#include "platform/com/variant.h"

namespace mls::com {

SafeArray::SafeArray(std::vector<Bound> bounds) : bounds_(std::move(bounds)) {
  size_t total = bounds_.empty() ? 0 : 1;
  for (const Bound& b : bounds_) {
    if (b.count < 0) raise(err::kSubscript);
    total *= static_cast<size_t>(b.count);
  }
  elems_.resize(total);
}

SafeArray SafeArray::vector(std::vector<Variant> items, int32_t lower) {
  SafeArray a;
  a.bounds_.push_back({lower, static_cast<int32_t>(items.size())});
  a.elems_ = std::move(items);
  return a;
}

int32_t SafeArray::lbound(int dim) const {
  if (dim < 1 || dim > dims()) raise(err::kSubscript);
  return bounds_[static_cast<size_t>(dim - 1)].lower;
}

int32_t SafeArray::ubound(int dim) const {
  if (dim < 1 || dim > dims()) raise(err::kSubscript);
  const Bound& b = bounds_[static_cast<size_t>(dim - 1)];
  return b.lower + b.count - 1;
}

size_t SafeArray::offset(const int32_t* idx, size_t n) const {
  if (n != bounds_.size() || n == 0) raise(err::kSubscript);
  size_t off = 0, stride = 1;
  for (size_t d = 0; d < n; ++d) {
    int64_t rel = static_cast<int64_t>(idx[d]) - bounds_[d].lower;
    if (rel < 0 || rel >= bounds_[d].count) raise(err::kSubscript);
    off += static_cast<size_t>(rel) * stride;
    stride *= static_cast<size_t>(bounds_[d].count);
  }
  return off;
}

Variant& SafeArray::at(std::initializer_list<int32_t> idx) {
  return elems_[offset(idx.begin(), idx.size())];
}
const Variant& SafeArray::at(std::initializer_list<int32_t> idx) const {
  return elems_[offset(idx.begin(), idx.size())];
}
Variant& SafeArray::at(const std::vector<int32_t>& idx) {
  return elems_[offset(idx.data(), idx.size())];
}
const Variant& SafeArray::at(const std::vector<int32_t>& idx) const {
  return elems_[offset(idx.data(), idx.size())];
}

}  // namespace mls::com
