#include "platform/tsql/exec/ops/derived_source.h"

#include <utility>
#include <vector>

namespace mls::tsql {

namespace {

class DerivedSource final : public RowSource {
 public:
  DerivedSource(std::unique_ptr<QueryPlan> plan, bool correlated, int slot, BoundExprPtr filter)
      : plan_(std::move(plan)), correlated_(correlated), slot_(slot), filter_(std::move(filter)) {}

  void doOpen(const Value** slots, const EvalContext& ctx) override {
    slots_ = slots;
    pos_ = 0;
    if (ran_ && !correlated_) return;
    CollectSink sink;
    plan_->run(*ctx.env, ctx.outer, sink);
    rows_ = std::move(sink.rows);
    ran_ = true;
  }

  bool doNext(const EvalContext& ctx) override {
    while (pos_ < rows_.size()) {
      slots_[slot_] = rows_[pos_++].data();
      if (!filter_) return true;
      Bool3 b = filter_->test(ctx);
      if (b && *b) return true;
    }
    return false;
  }

 private:
  std::unique_ptr<QueryPlan> plan_;
  bool correlated_;
  int slot_;
  BoundExprPtr filter_;
  const Value** slots_ = nullptr;
  std::vector<std::vector<Value>> rows_;
  size_t pos_ = 0;
  bool ran_ = false;
};

}  // namespace

std::unique_ptr<RowSource> makeDerivedSource(std::unique_ptr<QueryPlan> plan, bool correlated, int slot,
                                             BoundExprPtr filter) {
  return std::make_unique<DerivedSource>(std::move(plan), correlated, slot, std::move(filter));
}

}  // namespace mls::tsql
