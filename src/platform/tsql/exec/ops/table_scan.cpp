#include "platform/tsql/exec/ops/table_scan.h"

#include <algorithm>
#include <cassert>
#include <tuple>
#include <utility>

#include "platform/tsql/exec/expr/type_class.h"
#include "platform/tsql/types/operators.h"

namespace mls::tsql {

namespace {

bool isTrue(Bool3 b) {
  return b && *b;
}

}  // namespace

bool ScanKey::has(size_t column) const {
  return std::find(columns.begin(), columns.end(), column) != columns.end();
}

TableScan::TableScan(std::shared_ptr<Table> table, int slot, BoundExprPtr filter, std::optional<ScanKey> key)
    : table_(std::move(table)), slot_(slot), filter_(std::move(filter)), key_(std::move(key)) {
  table_->addScan();
  if (key_) chooseAccess();
}

TableScan::~TableScan() {
  table_->dropScan();
}

size_t TableScan::usablePart(size_t column) const {
  const size_t parts = key_ ? key_->columns.size() : 0;
  for (size_t p = 0; p < parts; ++p) {
    if (key_->columns[p] == column &&
        !differentRepresentation(table_->column(column).type, key_->values[p]->type()))
      return p;
  }
  return parts;
}

void TableScan::chooseAccess() {
  const size_t parts = key_->columns.size();
  keyValues_.resize(parts);
  auto cover = [&](const IndexDef& def, bool prefixOnly) {
    std::vector<size_t> used;
    for (const KeyColumn& k : def.keys) {
      size_t p = usablePart(k.column);
      if (p == parts) {
        if (prefixOnly) break;
        return std::vector<size_t>{};
      }
      used.push_back(p);
    }
    return used;
  };
  const IndexDef* clustered = table_->clusteredIndex();
  // A unique index the key covers finds at most one row.
  for (const IndexDef& def : table_->indexes()) {
    if (!def.unique) continue;
    std::vector<size_t> used = cover(def, false);
    if (used.empty()) continue;
    access_ = Access::Index;
    index_ = &def;
    accessParts_ = std::move(used);
    exact_ = accessParts_.size() == parts;
    return;
  }
  // The clustered key's leading columns: a range of storage order.
  if (clustered) {
    std::vector<size_t> used = cover(*clustered, true);
    if (!used.empty()) {
      access_ = Access::ClusteredRange;
      index_ = clustered;
      accessParts_ = std::move(used);
      exact_ = accessParts_.size() == parts;
    }
    return;
  }
  // A heap's row ids follow its storage order: any index the key covers.
  for (const IndexDef& def : table_->indexes()) {
    std::vector<size_t> used = cover(def, false);
    if (used.size() > accessParts_.size()) {
      access_ = Access::Index;
      index_ = &def;
      accessParts_ = std::move(used);
    }
  }
  exact_ = access_ == Access::Index && accessParts_.size() == parts;
  if (access_ != Access::Hash) return;
  // No index: the table's own hash of the columns whose values arrive in
  // their own representation.
  for (size_t p = 0; p < parts; ++p) {
    if (usablePart(key_->columns[p]) == p) autoColumns_.push_back(key_->columns[p]);
  }
  std::sort(autoColumns_.begin(), autoColumns_.end());
}

void TableScan::doOpen(const Value** slots, const EvalContext& ctx) {
  assert(slot_ >= 0 && "a scan fills a slot of its query");
  slots_ = slots;
  pos_ = 0;
  reading_ = Reading::All;
  checkKey_ = false;
  all_ = table_->scanOrder();
  end_ = all_.size();
  // An empty table gives no rows and evaluates no key (which may not convert).
  if (!key_ || all_.empty()) return;
  ++runs_;
  bool null = false;
  for (size_t p = 0; p < keyValues_.size(); ++p) {
    keyValues_[p] = key_->values[p]->eval(ctx);
    null = null || keyValues_[p].isNull();
  }
  reading_ = Reading::Ids;
  ids_.clear();
  if (null) return;
  checkKey_ = !exact_;
  // A unique index finds at most one row; another inexact access may find
  // many, so later runs take the hash of the whole key instead.
  const bool repeat = runs_ > 1 && !exact_ && !(access_ == Access::Index && index_->unique);
  if (access_ == Access::Index && !repeat) {
    std::vector<Value> key;
    key.reserve(accessParts_.size());
    for (size_t p : accessParts_)
      key.push_back(keyValues_[p]);
    table_->lookup(*index_, key, ids_);
    return;
  }
  if (access_ == Access::Hash && !autoColumns_.empty()) {
    std::vector<Value> key;
    key.reserve(autoColumns_.size());
    for (size_t c : autoColumns_)
      key.push_back(keyValues_[usablePart(c)]);
    if (table_->lookupUnindexed(autoColumns_, key, ids_)) {
      checkKey_ = autoColumns_.size() != keyValues_.size();
      return;
    }
  }
  if (access_ == Access::ClusteredRange && !repeat) {
    reading_ = Reading::All;
    findRange();
    return;
  }
  if (runs_ == 1) {
    reading_ = Reading::All;
    checkKey_ = true;
    return;
  }
  // The chain of the key's hash, walked as the rows are read.
  checkKey_ = false;
  if (!hashed_) buildHash(ctx);
  keyHash_ = keyHash(keyValues_.data());
  chain_ = chains_.first(keyHash_);
  reading_ = Reading::Chain;
}

size_t TableScan::candidateCount() const {
  switch (reading_) {
    case Reading::All:
      return end_ - pos_;
    case Reading::Ids:
      return ids_.size() - pos_;
    case Reading::Chain:
      break;
  }
  return chains_.count(keyHash_, hashes_);
}

bool TableScan::nextInChain(RowId& id) {
  const size_t parts = keyValues_.size();
  while (chain_ != HashChains::kEnd) {
    const uint32_t e = chain_;
    chain_ = chains_.next(e);
    if (hashes_[e] != keyHash_) continue;
    const Value* k = &hashKeys_[e * parts];
    bool same = true;
    for (size_t p = 0; p < parts && same; ++p)
      same = compareValues(k[p], keyValues_[p]) == 0;
    if (!same) continue;
    id = hashIds_[e];
    // The rows of one key lie far apart: fetch the next one's values while
    // this one is used.
    if (chain_ != HashChains::kEnd) {
      __builtin_prefetch(&hashKeys_[chain_ * parts]);
      table_->prefetchRow(hashIds_[chain_]);
    }
    return true;
  }
  return false;
}

void TableScan::restrictTo(std::vector<RowId> ids) {
  ids_ = std::move(ids);
  reading_ = Reading::Ids;
  pos_ = 0;
  checkKey_ = key_.has_value();
}

void TableScan::findRange() {
  std::vector<Value> prefix;
  prefix.reserve(accessParts_.size());
  for (size_t p : accessParts_)
    prefix.push_back(keyValues_[p]);
  std::tie(pos_, end_) = table_->clusteredRange(prefix);
}

size_t TableScan::keyHash(const Value* values) const {
  size_t h = 0;
  for (size_t p = 0; p < keyValues_.size(); ++p)
    h = h * 0x100000001b3ULL ^ hashValue(values[p]);
  return h;
}

void TableScan::buildHash(const EvalContext& ctx) {
  const size_t parts = keyValues_.size();
  hashIds_.assign(all_.begin(), all_.end());
  hashKeys_.resize(hashIds_.size() * parts);
  hashes_.resize(hashIds_.size());
  std::vector<uint8_t> use(hashIds_.size(), 0);
  for (size_t i = 0; i < hashIds_.size(); ++i) {
    slots_[slot_] = table_->row(hashIds_[i]).data();
    Value* k = &hashKeys_[i * parts];
    bool null = false;
    for (size_t p = 0; p < parts; ++p) {
      k[p] = key_->columnValues[p]->eval(ctx);
      null = null || k[p].isNull();
    }
    if (null) continue;
    hashes_[i] = keyHash(k);
    use[i] = 1;
  }
  chains_.build(hashes_, use);
  hashed_ = true;
}

void TableScan::openForLookups(const Value** slots, const EvalContext& ctx) {
  slots_ = slots;
  keyNull_ = false;
  for (size_t p = 0; p < keyValues_.size(); ++p) {
    keyValues_[p] = key_->values[p]->eval(ctx);
    keyNull_ = keyNull_ || keyValues_[p].isNull();
  }
}

bool TableScan::accepts(RowId id, const EvalContext& ctx) {
  if (keyNull_) return false;
  slots_[slot_] = table_->row(id).data();
  if (key_ && !keyMatches(ctx)) return false;
  if (filter_ && !isTrue(filter_->test(ctx))) return false;
  current_ = id;
  return true;
}

bool TableScan::keyMatches(const EvalContext& ctx) const {
  Value scratch;
  for (size_t p = 0; p < keyValues_.size(); ++p) {
    const Value& v = key_->columnValues[p]->ref(ctx, scratch);
    if (v.isNull() || compareValues(v, keyValues_[p]) != 0) return false;
  }
  return true;
}

bool TableScan::doNext(const EvalContext& ctx) {
  for (;;) {
    RowId id;
    if (reading_ == Reading::All) {
      if (pos_ >= end_) return false;
      id = all_[pos_++];
    } else if (reading_ == Reading::Ids) {
      if (pos_ >= ids_.size()) return false;
      id = ids_[pos_++];
    } else if (!nextInChain(id)) {
      return false;
    }
    slots_[slot_] = table_->row(id).data();
    if (checkKey_ && !keyMatches(ctx)) continue;
    if (filter_ && !isTrue(filter_->test(ctx))) continue;
    current_ = id;
    return true;
  }
}

}  // namespace mls::tsql
