// Entries filed by hash in buckets of chained entries, for hash joins and
// keyed scans: entries are numbered 0..n-1 by the caller, each bucket's chain
// keeps ascending entry order (so matches come back in the order the entries
// were read), and the caller compares keys of entries with equal hashes.
// How many entries one hash holds is counted once, at its first count().
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
    counts_.clear();
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
  // The entries filed under `hash` (`hashes` as given to build()): the chain
  // is walked at the first count of a hash only, and the count kept with its
  // first entry, so a key probed once per outer row costs no walk after the
  // first.
  uint32_t count(size_t hash, const std::vector<size_t>& hashes) const {
    uint32_t e = first(hash);
    while (e != kEnd && hashes[e] != hash)
      e = next_[e];
    if (e == kEnd) return 0;
    if (counts_.empty()) counts_.assign(next_.size(), 0);
    uint32_t& n = counts_[e];
    if (n == 0) {
      for (uint32_t f = e; f != kEnd; f = next_[f])
        n += hashes[f] == hash ? 1 : 0;
    }
    return n;
  }

 private:
  // The high bits of a multiplicative mix: integer keys hash to themselves.
  size_t bucket(size_t hash) const { return static_cast<uint64_t>(hash) * 0x9e3779b97f4a7c15ULL >> shift_; }

  int shift_ = 60;
  std::vector<uint32_t> heads_;
  std::vector<uint32_t> next_;
  // By entry: the count of its hash when it is the hash's first entry and was
  // counted, else 0; made at the first count().
  mutable std::vector<uint32_t> counts_;
};

}  // namespace mls::tsql
