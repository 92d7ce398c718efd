#include "platform/tsql/exec/table_scan.h"

#include <utility>

#include "platform/tsql/exec/type_class.h"
#include "platform/tsql/types/operators.h"

namespace mls::tsql {

namespace {

bool isTrue(Bool3 b) {
  return b && *b;
}

}  // namespace

TableScan::TableScan(std::shared_ptr<Table> table, int slot, BoundExprPtr filter, std::optional<ScanKey> key)
    : table_(std::move(table)), slot_(slot), filter_(std::move(filter)), key_(std::move(key)) {
  if (!key_) return;
  // An index finds the key when the value arrives in the column's own
  // representation; a unique key gives at most one row, and a heap's row ids
  // follow its storage order.
  const SqlType& columnType = table_->column(key_->column).type;
  if (differentRepresentation(columnType, key_->value->type())) return;
  size_t columns[] = {key_->column};
  const IndexDef* def = table_->indexOn(columns);
  if (def && (def->unique || table_->clusteredIndex() == nullptr)) index_ = def;
}

void TableScan::open(const Value** slots, const EvalContext& ctx) {
  slots_ = slots;
  pos_ = 0;
  scanAll_ = true;
  checkKey_ = false;
  all_ = table_->scanOrder();
  // An empty table gives no rows and evaluates no key (which may not convert).
  if (!key_ || all_.empty()) return;
  ++runs_;
  keyValue_ = key_->value->eval(ctx);
  scanAll_ = false;
  ids_.clear();
  if (keyValue_.isNull()) return;
  if (index_) {
    table_->lookup(*index_, std::span<const Value>(&keyValue_, 1), ids_);
    return;
  }
  if (runs_ == 1) {
    scanAll_ = checkKey_ = true;
    return;
  }
  if (!hashed_) buildHash(ctx);
  size_t h = hashValue(keyValue_);
  for (uint32_t e = chains_.first(h); e != HashChains::kEnd; e = chains_.next(e)) {
    if (hashes_[e] == h && compareValues(hashKeys_[e], keyValue_) == 0) ids_.push_back(hashIds_[e]);
  }
}

void TableScan::buildHash(const EvalContext& ctx) {
  hashIds_.assign(all_.begin(), all_.end());
  hashKeys_.resize(hashIds_.size());
  hashes_.resize(hashIds_.size());
  std::vector<uint8_t> use(hashIds_.size(), 0);
  for (size_t i = 0; i < hashIds_.size(); ++i) {
    slots_[slot_] = table_->row(hashIds_[i]).data();
    hashKeys_[i] = key_->columnValue->eval(ctx);
    if (hashKeys_[i].isNull()) continue;
    hashes_[i] = hashValue(hashKeys_[i]);
    use[i] = 1;
  }
  chains_.build(hashes_, use);
  hashed_ = true;
}

bool TableScan::keyMatches(const EvalContext& ctx) const {
  Value scratch;
  const Value& v = key_->columnValue->ref(ctx, scratch);
  return !v.isNull() && compareValues(v, keyValue_) == 0;
}

bool TableScan::next(const EvalContext& ctx) {
  for (;;) {
    RowId id;
    if (scanAll_) {
      if (pos_ >= all_.size()) return false;
      id = all_[pos_++];
    } else {
      if (pos_ >= ids_.size()) return false;
      id = ids_[pos_++];
    }
    slots_[slot_] = table_->row(id).data();
    if (checkKey_ && !keyMatches(ctx)) continue;
    if (filter_ && !isTrue(filter_->test(ctx))) continue;
    current_ = id;
    return true;
  }
}

}  // namespace mls::tsql
