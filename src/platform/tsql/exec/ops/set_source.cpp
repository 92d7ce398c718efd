#include "platform/tsql/exec/ops/set_source.h"

#include <utility>
#include <vector>

#include "platform/tsql/exec/ops/row_set.h"

namespace mls::tsql {

namespace {

class SetSource final : public RowSource {
 public:
  SetSource(SetOperation op, std::unique_ptr<QueryPlan> left, std::unique_ptr<QueryPlan> right)
      : op_(op), left_(std::move(left)), right_(std::move(right)) {}

  void doOpen(const Value** slots, const EvalContext& ctx) override {
    slots_ = slots;
    pos_ = 0;
    rows_.clear();
    CollectSink left;
    left_->run(*ctx.env, ctx.outer, left);
    if (op_ == SetOperation::UnionAll || op_ == SetOperation::Union) {
      CollectSink& both = left;
      right_->run(*ctx.env, ctx.outer, both);
      if (op_ == SetOperation::UnionAll) {
        rows_ = std::move(both.rows);
        return;
      }
      RowSet seen;
      for (std::vector<Value>& r : both.rows) {
        if (seen.insert(r)) rows_.push_back(std::move(r));
      }
      return;
    }
    CollectSink right;
    right_->run(*ctx.env, ctx.outer, right);
    RowSet other;
    for (const std::vector<Value>& r : right.rows)
      other.insert(r);
    const bool keepFound = op_ == SetOperation::Intersect;
    RowSet seen;
    for (std::vector<Value>& r : left.rows) {
      if (other.contains(r) == keepFound && seen.insert(r)) rows_.push_back(std::move(r));
    }
  }

  bool doNext(const EvalContext&) override {
    if (pos_ >= rows_.size()) return false;
    slots_[0] = rows_[pos_++].data();
    return true;
  }

 private:
  SetOperation op_;
  std::unique_ptr<QueryPlan> left_, right_;
  const Value** slots_ = nullptr;
  std::vector<std::vector<Value>> rows_;
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<RowSource> makeSetSource(SetOperation op, std::unique_ptr<QueryPlan> left,
                                         std::unique_ptr<QueryPlan> right) {
  return std::make_unique<SetSource>(op, std::move(left), std::move(right));
}

}  // namespace mls::tsql
