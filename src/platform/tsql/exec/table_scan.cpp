#include "platform/tsql/exec/table_scan.h"

#include <span>
#include <utility>

namespace mls::tsql {

namespace {

class TableScan final : public RowSource {
 public:
  TableScan(std::shared_ptr<Table> table, int slot) : table_(std::move(table)), slot_(slot) {}
  void open(const Value** slots, const EvalContext&) override {
    slots_ = slots;
    ids_ = table_->scanOrder();
    pos_ = 0;
  }
  bool next(const EvalContext&) override {
    if (pos_ >= ids_.size()) return false;
    slots_[slot_] = table_->row(ids_[pos_++]).data();
    return true;
  }

 private:
  std::shared_ptr<Table> table_;
  int slot_;
  const Value** slots_ = nullptr;
  std::span<const RowId> ids_;
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<RowSource> makeTableScan(std::shared_ptr<Table> table, int slot) {
  return std::make_unique<TableScan>(std::move(table), slot);
}

}  // namespace mls::tsql
