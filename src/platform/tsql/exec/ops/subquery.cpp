#include "platform/tsql/exec/ops/subquery.h"

#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/expr/type_class.h"
#include "platform/tsql/exec/ops/hash_chains.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// Keeps the first `limit` rows, counting every row it is offered.
class FirstRowsSink final : public RowSink {
 public:
  explicit FirstRowsSink(size_t limit) : limit_(limit) {}
  std::vector<std::vector<Value>> rows;
  bool push(std::vector<Value>& row) override {
    rows.push_back(std::move(row));
    return rows.size() < limit_;
  }

 private:
  size_t limit_;
};

// Keeps the first column of the first row and counts the rows, stopping at
// the second (a scalar subquery's answer).
class ScalarSink final : public RowSink {
 public:
  Value value;
  size_t rows = 0;
  bool push(std::vector<Value>& row) override {
    if (rows++ == 0) value = std::move(row[0]);
    return rows < 2;
  }
};

class SubqueryNode final : public BoundExpr {
 public:
  SubqueryNode(SubqueryKind kind, std::unique_ptr<QueryPlan> plan, bool correlated, BoundExprPtr operand,
               bool negated, CompareOp op, SqlType t)
      : BoundExpr(t, true),
        kind_(kind),
        plan_(std::move(plan)),
        correlated_(correlated),
        operand_(std::move(operand)),
        negated_(negated),
        op_(op) {}

  Value eval(const EvalContext& c) const override {
    if (kind_ == SubqueryKind::Scalar) {
      if (!correlated_ && cached_) return cachedValue_;
      ScalarSink sink;
      plan_->run(*c.env, &c, sink);
      if (sink.rows > 1) throwSqlError(512);
      Value v = std::move(sink.value);
      if (!correlated_) {
        cachedValue_ = v;
        cached_ = true;
      }
      return v;
    }
    Bool3 b = test(c);
    return b ? Value::boolean(*b) : Value();
  }

  Bool3 test(const EvalContext& c) const override {
    if (kind_ == SubqueryKind::Scalar) return BoundExpr::test(c);
    if (kind_ == SubqueryKind::Exists) {
      if (!correlated_ && cached_) return cachedBool_;
      FirstRowsSink sink(1);
      plan_->run(*c.env, &c, sink);
      bool found = !sink.rows.empty();
      if (!correlated_) {
        cachedBool_ = found;
        cached_ = true;
      }
      return found;
    }
    if (kind_ == SubqueryKind::In) return testIn(c);
    return testQuantified(c);
  }

 private:
  // Runs the plan for its values, unless an uncorrelated one already ran;
  // IN's values are hashed.
  void collect(const EvalContext& c) const {
    if (!correlated_ && cached_) return;
    CollectSink sink;
    plan_->run(*c.env, &c, sink);
    values_.clear();
    hashes_.clear();
    holdsNull_ = false;
    std::vector<uint8_t> use;
    for (auto& r : sink.rows) {
      holdsNull_ = holdsNull_ || r[0].isNull();
      if (kind_ == SubqueryKind::In) {
        use.push_back(r[0].isNull() ? 0 : 1);
        hashes_.push_back(r[0].isNull() ? 0 : hashValue(r[0]));
      }
      values_.push_back(std::move(r[0]));
    }
    if (kind_ == SubqueryKind::In) chains_.build(hashes_, use);
    cached_ = !correlated_;
  }

  // x op ANY (subquery): true when op holds for one value, x op ALL: false
  // when it fails for one; else UNKNOWN when a comparison met a NULL (x or a
  // value), else false for ANY and true for ALL (so with no rows at all).
  Bool3 testQuantified(const EvalContext& c) const {
    collect(c);
    Value scratch;
    const Value& v = operand_->ref(c, scratch);
    const bool all = kind_ == SubqueryKind::All;
    bool unknown = false;
    for (const Value& x : values_) {
      if (v.isNull() || x.isNull())
        unknown = true;
      else if (compareHolds(op_, compareValues(v, x)) != all)
        return !all;
    }
    if (unknown) return std::nullopt;
    return all;
  }

  // x IN (subquery): true on a match, UNKNOWN when no match but a NULL was met
  // (or x is NULL and the subquery is not empty), else false.
  Bool3 testIn(const EvalContext& c) const {
    collect(c);
    Value scratch;
    const Value& v = operand_->ref(c, scratch);
    Bool3 result = false;
    if (!values_.empty() && v.isNull()) {
      result = std::nullopt;
    } else if (!v.isNull()) {
      size_t h = hashValue(v);
      for (uint32_t e = chains_.first(h); e != HashChains::kEnd; e = chains_.next(e)) {
        if (hashes_[e] == h && compareValues(v, values_[e]) == 0) {
          result = true;
          break;
        }
      }
      if (!*result && holdsNull_) result = std::nullopt;
    }
    return negated_ ? not3(result) : result;
  }

  SubqueryKind kind_;
  std::unique_ptr<QueryPlan> plan_;
  bool correlated_;
  BoundExprPtr operand_;
  bool negated_;
  CompareOp op_;  // Any, All
  mutable bool cached_ = false;
  mutable Value cachedValue_;
  mutable bool cachedBool_ = false;
  mutable std::vector<Value> values_;  // IN, ANY, ALL: the subquery's values (IN's hashed)
  mutable std::vector<size_t> hashes_;
  mutable HashChains chains_;
  mutable bool holdsNull_ = false;
};

}  // namespace

BoundExprPtr makeSubquery(SubqueryKind kind, std::unique_ptr<QueryPlan> plan, bool correlated,
                          BoundExprPtr operand, bool negated, CompareOp op) {
  SqlType t(TypeId::Bit);
  if (kind == SubqueryKind::Scalar) {
    if (plan->columns.size() != 1) throwSqlError(116);
    t = plan->columns[0].type;
  }
  if (kind == SubqueryKind::In || kind == SubqueryKind::Any || kind == SubqueryKind::All) {
    if (plan->columns.size() != 1) throwSqlError(116);
    SqlType ct = comparisonType(operand->type(), plan->columns[0].type);
    // Decimals compare exactly whatever their scales (as in a plain
    // comparison): a conversion to the common type could round one side.
    if (differentRepresentation(operand->type(), ct))
      operand = makeConversion(std::move(operand), ct, ConvertKind::Implicit);
    if (differentRepresentation(plan->columns[0].type, ct)) {
      plan->outputs[0] = makeConversion(std::move(plan->outputs[0]), ct, ConvertKind::Implicit);
      plan->columns[0].type = ct;
    }
  }
  return std::make_unique<SubqueryNode>(kind, std::move(plan), correlated, std::move(operand), negated, op,
                                        t);
}

}  // namespace mls::tsql
