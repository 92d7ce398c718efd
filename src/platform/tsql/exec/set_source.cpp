#include "platform/tsql/exec/set_source.h"

#include <utility>
#include <vector>

#include "platform/tsql/exec/row_set.h"

namespace mls::tsql {

namespace {

class UnionSource final : public RowSource {
 public:
  UnionSource(std::unique_ptr<QueryPlan> left, std::unique_ptr<QueryPlan> right, bool distinct)
      : left_(std::move(left)), right_(std::move(right)), distinct_(distinct) {}

  void open(const Value** slots, const EvalContext& ctx) override {
    slots_ = slots;
    pos_ = 0;
    CollectSink sink;
    left_->run(*ctx.env, ctx.outer, sink);
    right_->run(*ctx.env, ctx.outer, sink);
    rows_.clear();
    if (!distinct_) {
      rows_ = std::move(sink.rows);
      return;
    }
    RowSet seen;
    for (std::vector<Value>& r : sink.rows) {
      if (seen.insert(r)) rows_.push_back(std::move(r));
    }
  }

  bool next(const EvalContext&) override {
    if (pos_ >= rows_.size()) return false;
    slots_[0] = rows_[pos_++].data();
    return true;
  }

 private:
  std::unique_ptr<QueryPlan> left_, right_;
  bool distinct_;
  const Value** slots_ = nullptr;
  std::vector<std::vector<Value>> rows_;
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<RowSource> makeUnionSource(std::unique_ptr<QueryPlan> left, std::unique_ptr<QueryPlan> right,
                                           bool distinct) {
  return std::make_unique<UnionSource>(std::move(left), std::move(right), distinct);
}

}  // namespace mls::tsql
