#include "platform/tsql/exec/ops/join_source.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <utility>

#include "platform/tsql/exec/ops/filter.h"
#include "platform/tsql/exec/ops/hash_chains.h"
#include "platform/tsql/exec/ops/table_scan.h"
#include "platform/tsql/types/operators.h"

namespace mls::tsql {

namespace {

// A run finds the left rows through the right keys when the scan would read
// at least kProbeMinimum rows and kProbeRatio times as many as the right has.
constexpr size_t kProbeMinimum = 64;
constexpr size_t kProbeRatio = 4;

bool isTrue(Bool3 b) {
  return b && *b;
}

class JoinSource final : public RowSource {
 public:
  explicit JoinSource(JoinSpec spec) : s_(std::move(spec)) {}

  void doOpen(const Value** slots, const EvalContext& ctx) override {
    slots_ = slots;
    // The right input is read when the left gives its first row (or, for
    // RIGHT and FULL joins, at the end), so a left input without rows costs
    // no read of the right.
    rightRead_ = kept_ && s_.keepRight;
    std::fill(matched_.begin(), matched_.end(), 0);
    s_.left->open(slots, ctx);
    // Left rows find their right rows through the index until they are too
    // many (a binary search of storage order costs more than a hash probe);
    // the right input read already is used as it is.  A left scan reading no
    // more rows than the right table holds looks up rather than reading the
    // right input to probe the left.
    const size_t rightRows = s_.rightScan ? s_.rightScan->table()->rowCount() : 0;
    lookups_ = s_.rightScan && !rightRead_ && rightRows >= kProbeMinimum;
    if (lookups_) {
      const bool unique =
          s_.lookupIndex && s_.lookupIndex->unique && s_.lookupKeys.size() == s_.lookupIndex->keys.size();
      lookupLimit_ =
          rightRows / (unique ? kProbeRatio : std::max<size_t>(kProbeRatio, std::bit_width(rightRows)));
    }
    if (s_.leftScan && !(lookups_ && s_.leftScan->candidateCount() <= rightRows)) probeLeft(ctx);
    lookups_ = lookups_ && !rightRead_;
    lookupsOpen_ = lookingUp_ = false;
    leftSeen_ = 0;
    haveLeft_ = leftDone_ = false;
    unmatchedPos_ = 0;
  }

  // The left input streams: its rows stand in the left slots until the
  // rows of RIGHT and FULL joins that met no left row come.
  std::optional<RowId> rowIdOf(int slot) const override {
    if (leftDone_ || std::find(s_.leftSlots.begin(), s_.leftSlots.end(), slot) == s_.leftSlots.end())
      return std::nullopt;
    return s_.left->rowIdOf(slot);
  }

  bool doNext(const EvalContext& ctx) override {
    for (;;) {
      if (haveLeft_) {
        while (candidate_ != HashChains::kEnd) {
          uint32_t e = candidate_;
          candidate_ = advance(e);
          if (!noKeys() && !sameKeys(e)) continue;
          setRight(e);
          if (s_.residual && !isTrue(s_.residual->test(ctx))) continue;
          if (!matched_.empty()) matched_[e] = 1;
          leftMatched_ = true;
          return true;
        }
        haveLeft_ = false;
        if (!leftMatched_ && (s_.kind == JoinKind::Left || s_.kind == JoinKind::Full)) {
          setNull(s_.rightSlots);
          return true;
        }
      }
      if (lookingUp_) {
        while (lookupPos_ < lookupIds_.size()) {
          if (!meets(lookupIds_[lookupPos_++], ctx)) continue;
          leftMatched_ = true;
          return true;
        }
        lookingUp_ = false;
        if (!leftMatched_ && s_.kind == JoinKind::Left) {
          setNull(s_.rightSlots);
          return true;
        }
      }
      if (!leftDone_ && s_.left->next(ctx)) {
        if (lookups_ && ++leftSeen_ > lookupLimit_) lookups_ = false;
        if (lookups_ && findRightRows(ctx)) {
          lookingUp_ = true;
          leftMatched_ = false;
          continue;
        }
        lookups_ = false;
        readRight(ctx);
        haveLeft_ = true;
        leftMatched_ = false;
        candidate_ = firstCandidate(ctx);
        continue;
      }
      leftDone_ = true;
      if (s_.kind == JoinKind::Inner || s_.kind == JoinKind::Left) return false;
      readRight(ctx);
      while (unmatchedPos_ < count_) {
        uint32_t e = static_cast<uint32_t>(unmatchedPos_++);
        if (matched_[e]) continue;
        setRight(e);
        setNull(s_.leftSlots);
        return true;
      }
      return false;
    }
  }

 private:
  // Without keys every kept row is a candidate.
  bool noKeys() const { return s_.leftKeys.empty(); }

  void probeLeft(const EvalContext& ctx) {
    if (s_.leftScan->candidateCount() < kProbeMinimum) return;
    readRight(ctx);
    if (s_.leftScan->candidateCount() <= count_ * kProbeRatio) return;
    const Table& table = *s_.leftScan->table();
    const size_t nk = s_.rightKeys.size();
    std::vector<RowId> ids;
    std::vector<Value> key(s_.probeKeys.size());
    for (size_t e = 0; e < count_; ++e) {
      if (!use_[e]) continue;
      for (size_t i = 0; i < key.size(); ++i) {
        const size_t k = s_.probeKeys[i];
        assert((k == JoinSpec::kScanKeyPart || k < nk) &&
               "a probe key part is a scan key part or a join key");
        key[i] = k == JoinSpec::kScanKeyPart ? s_.leftScan->fixedValue(s_.probeIndex->keys[i].column)
                                             : keyValues_[e * nk + k];
      }
      table.lookup(*s_.probeIndex, key, ids);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    table.sortInStorageOrder(ids);
    s_.leftScan->restrictTo(std::move(ids));
  }

  // The right rows of the current left row's keys, through the index or the
  // table's hash of the key columns; false when the table keeps no such hash
  // yet (the right input is then read and hashed as without lookups).
  bool findRightRows(const EvalContext& ctx) {
    if (!lookupsOpen_) {
      s_.rightScan->openForLookups(slots_, ctx);
      lookupsOpen_ = true;
    }
    lookupIds_.clear();
    lookupPos_ = 0;
    const size_t nk = s_.leftKeys.size();
    probe_.resize(nk);
    for (size_t k = 0; k < nk; ++k) {
      probe_[k] = s_.leftKeys[k]->eval(ctx);
      if (probe_[k].isNull()) return true;
    }
    lookupKey_.resize(s_.lookupKeys.size());
    for (size_t i = 0; i < lookupKey_.size(); ++i) {
      const size_t k = s_.lookupKeys[i];
      if (k != JoinSpec::kScanKeyPart) {
        lookupKey_[i] = probe_[k];
        continue;
      }
      // A leading column the right scan's own key fixes (never NULL: the
      // scan then accepts no row).
      lookupKey_[i] = s_.rightScan->fixedValue(s_.lookupIndex->keys[i].column);
      if (lookupKey_[i].isNull()) return true;
    }
    const Table& table = *s_.rightScan->table();
    if (!s_.lookupIndex) {
      if (table.lookupUnindexed(s_.lookupColumns, lookupKey_, lookupIds_)) return true;
      // The first lookup since the table changed builds nothing: this run
      // hashes the right input.
      return false;
    }
    if (s_.lookupIndex->unique && s_.lookupKeys.size() == s_.lookupIndex->keys.size()) {
      table.lookup(*s_.lookupIndex, lookupKey_, lookupIds_);
    } else if (!lookUpLeadingColumns(table)) {
      auto [first, last] = table.clusteredRange(lookupKey_);
      std::span<const RowId> order = table.scanOrder();
      lookupIds_.assign(order.begin() + static_cast<ptrdiff_t>(first),
                        order.begin() + static_cast<ptrdiff_t>(last));
    }
    return true;
  }

  // The rows of the clustered key's leading columns through the table's hash
  // of them (a probe, where the range is a binary search); false before the
  // table keeps one.
  bool lookUpLeadingColumns(const Table& table) {
    if (leadingColumns_.empty()) {
      for (size_t i = 0; i < s_.lookupKeys.size(); ++i)
        leadingColumns_.push_back(s_.lookupIndex->keys[i].column);
    }
    return table.lookupUnindexed(leadingColumns_, lookupKey_, lookupIds_);
  }

  // Right row `id` meets the current left row: the scan's conditions, every
  // key and the residual hold.
  bool meets(RowId id, const EvalContext& ctx) {
    if (!s_.rightScan->accepts(id, ctx)) return false;
    Value scratch;
    for (size_t k = 0; k < probe_.size(); ++k) {
      const Value& v = s_.rightKeys[k]->ref(ctx, scratch);
      if (v.isNull() || compareValues(probe_[k], v) != 0) return false;
    }
    return !s_.residual || isTrue(s_.residual->test(ctx));
  }

  void readRight(const EvalContext& ctx) {
    if (rightRead_) return;
    keep(ctx);
    kept_ = rightRead_ = true;
  }

  // Reads the right input, keeping its rows (and hashing their keys).
  void keep(const EvalContext& ctx) {
    const size_t ns = s_.rightSlots.size();
    const size_t nk = s_.rightKeys.size();
    ptrs_.clear();
    keyValues_.clear();
    hashes_.clear();
    use_.clear();
    s_.right->open(slots_, ctx);
    while (s_.right->next(ctx)) {
      for (int slot : s_.rightSlots)
        ptrs_.push_back(slots_[slot]);
      if (nk == 0) continue;
      size_t h = 0;
      bool null = false;
      for (const BoundExprPtr& k : s_.rightKeys) {
        keyValues_.push_back(k->eval(ctx));
        null = null || keyValues_.back().isNull();
        h = h * 0x100000001b3ULL ^ hashValue(keyValues_.back());
      }
      hashes_.push_back(h);
      use_.push_back(null ? 0 : 1);
    }
    count_ = ptrs_.size() / ns;
    if (nk > 0) chains_.build(hashes_, use_);
    matched_.assign(s_.kind == JoinKind::Right || s_.kind == JoinKind::Full ? count_ : 0, 0);
    probe_.resize(nk);
  }

  uint32_t firstCandidate(const EvalContext& ctx) {
    if (noKeys()) return count_ == 0 ? HashChains::kEnd : 0;
    size_t h = 0;
    for (size_t k = 0; k < probe_.size(); ++k) {
      probe_[k] = s_.leftKeys[k]->eval(ctx);
      if (probe_[k].isNull()) return HashChains::kEnd;
      h = h * 0x100000001b3ULL ^ hashValue(probe_[k]);
    }
    probeHash_ = h;
    return chains_.first(h);
  }

  uint32_t advance(uint32_t e) const {
    if (noKeys()) return e + 1 < count_ ? e + 1 : HashChains::kEnd;
    return chains_.next(e);
  }

  bool sameKeys(uint32_t e) const {
    if (hashes_[e] != probeHash_) return false;
    const Value* kv = &keyValues_[e * probe_.size()];
    for (size_t k = 0; k < probe_.size(); ++k) {
      if (compareValues(probe_[k], kv[k]) != 0) return false;
    }
    return true;
  }

  void setRight(uint32_t e) {
    const size_t ns = s_.rightSlots.size();
    assert((e + 1) * ns <= ptrs_.size() && "a right row kept by the join");
    const Value* const* p = &ptrs_[e * ns];
    for (size_t i = 0; i < ns; ++i)
      slots_[s_.rightSlots[i]] = p[i];
  }

  void setNull(const std::vector<int>& slots) {
    for (int slot : slots)
      slots_[slot] = s_.nulls->data();
  }

  JoinSpec s_;
  const Value** slots_ = nullptr;
  std::vector<const Value*> ptrs_;  // kept right rows: one pointer per right slot
  std::vector<Value> keyValues_;    // their keys
  std::vector<size_t> hashes_;
  std::vector<uint8_t> use_;  // by kept row: its keys hold no NULL
  HashChains chains_;
  size_t count_ = 0;
  std::vector<uint8_t> matched_;  // RIGHT / FULL: kept rows that met a left row
  std::vector<Value> probe_;      // the current left row's keys
  size_t probeHash_ = 0;
  bool kept_ = false;       // the right input was read once
  bool rightRead_ = false;  // ... in this run (or is kept from an earlier one)
  bool haveLeft_ = false, leftDone_ = false, leftMatched_ = false;
  uint32_t candidate_ = HashChains::kEnd;
  size_t unmatchedPos_ = 0;
  bool lookups_ = false;      // this run's left rows find their right row through the index
  bool lookupsOpen_ = false;  // ... and the right scan's key is evaluated for the run
  bool lookingUp_ = false;    // the current left row meets lookupIds_[lookupPos_..]
  size_t leftSeen_ = 0;
  size_t lookupLimit_ = 0;  // the left rows of a run that look up
  std::vector<Value> lookupKey_;
  std::vector<size_t> leadingColumns_;  // the lookup index's columns the lookup keys give
  std::vector<RowId> lookupIds_;
  size_t lookupPos_ = 0;
};

// The filter stage, owning its input and condition (a plan's stages borrow).
class OwningFilter final : public RowSource {
 public:
  OwningFilter(std::unique_ptr<RowSource> input, BoundExprPtr condition)
      : input_(std::move(input)), condition_(std::move(condition)), filter_(*input_, *condition_) {}
  std::optional<RowId> rowIdOf(int slot) const override { return filter_.rowIdOf(slot); }

 private:
  void doOpen(const Value** slots, const EvalContext& ctx) override { filter_.open(slots, ctx); }
  bool doNext(const EvalContext& ctx) override { return filter_.next(ctx); }

  std::unique_ptr<RowSource> input_;
  BoundExprPtr condition_;
  FilterSource filter_;
};

}  // namespace

std::unique_ptr<RowSource> makeJoinSource(JoinSpec spec) {
  return std::make_unique<JoinSource>(std::move(spec));
}

std::unique_ptr<RowSource> makeFilterSource(std::unique_ptr<RowSource> input, BoundExprPtr condition) {
  return std::make_unique<OwningFilter>(std::move(input), std::move(condition));
}

}  // namespace mls::tsql
