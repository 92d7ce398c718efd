// Entries filed by hash in buckets of chained entries, for hash joins and
// keyed scans: entries are numbered 0..n-1 by the caller, each bucket's chain
// keeps ascending entry order (so matches come back in the order the entries
// were read), and the caller compares keys of entries with equal hashes.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mls::tsql {

class HashChains {
 public:
  static constexpr uint32_t kEnd = UINT32_MAX;

  // Files the entries whose `use` flag is set under their hashes.
  void build(const std::vector<size_t>& hashes, const std::vector<uint8_t>& use) {
    size_t buckets = 16;
    shift_ = 60;
    while (buckets < hashes.size() * 2) {
      buckets <<= 1;
      --shift_;
    }
    heads_.assign(buckets, kEnd);
    next_.assign(hashes.size(), kEnd);
    for (size_t i = hashes.size(); i-- > 0;) {
      if (!use[i]) continue;
      uint32_t& head = heads_[bucket(hashes[i])];
      next_[i] = head;
      head = static_cast<uint32_t>(i);
    }
  }
  uint32_t first(size_t hash) const { return heads_.empty() ? kEnd : heads_[bucket(hash)]; }
  uint32_t next(uint32_t entry) const {
    assert(entry < next_.size() && "an entry filed by build()");
    return next_[entry];
  }

 private:
  // The high bits of a multiplicative mix: integer keys hash to themselves.
  size_t bucket(size_t hash) const { return static_cast<uint64_t>(hash) * 0x9e3779b97f4a7c15ULL >> shift_; }

  int shift_ = 60;
  std::vector<uint32_t> heads_;
  std::vector<uint32_t> next_;
};

}  // namespace mls::tsql
