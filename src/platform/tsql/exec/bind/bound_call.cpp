// CASE, COALESCE, ISNULL, NULLIF, built-in function calls, subqueries and
// engine callbacks.
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/bound_expr.h"
#include "platform/tsql/exec/bind/type_class.h"
#include "platform/tsql/exec/ops/hash_chains.h"
#include "platform/tsql/exec/ops/query_plan.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// The type of CASE / COALESCE values: their combined type, NULLs aside
// (all NULL: int).
SqlType combinedType(const std::vector<const BoundExpr*>& values) {
  SqlType t;
  for (const BoundExpr* v : values) {
    if (v->type().isNull()) continue;
    t = t.isNull() ? v->type() : combineTypes(t, v->type());
  }
  return t.isNull() ? SqlType(TypeId::Int) : t;
}

class CaseNode final : public BoundExpr {
 public:
  CaseNode(SqlType t, std::vector<std::pair<BoundExprPtr, BoundExprPtr>> whens, BoundExprPtr elseValue)
      : BoundExpr(t, true), whens_(std::move(whens)), else_(std::move(elseValue)) {}
  Value eval(const EvalContext& c) const override {
    for (const auto& [cond, value] : whens_) {
      Bool3 b = cond->test(c);
      if (b && *b) return value->eval(c);
    }
    return else_ ? else_->eval(c) : Value();
  }

 private:
  std::vector<std::pair<BoundExprPtr, BoundExprPtr>> whens_;
  BoundExprPtr else_;
};

class CoalesceNode final : public BoundExpr {
 public:
  CoalesceNode(SqlType t, std::vector<BoundExprPtr> args) : BoundExpr(t, true), args_(std::move(args)) {
    nullable_ = true;
    for (const BoundExprPtr& a : args_)
      nullable_ = nullable_ && a->nullable();
  }
  Value eval(const EvalContext& c) const override {
    for (const BoundExprPtr& a : args_) {
      Value v = a->eval(c);
      if (!v.isNull()) return v;
    }
    return Value();
  }

 private:
  std::vector<BoundExprPtr> args_;
};

// NULLIF(a, b): NULL when a = b, else a (of a's type).
class NullIfNode final : public BoundExpr {
 public:
  NullIfNode(BoundExprPtr a, BoundExprPtr b)
      : BoundExpr(a->type(), true),
        a_(std::move(a)),
        b_(std::move(b)),
        compareType_(comparisonType(a_->type(), b_->type())) {}
  Value eval(const EvalContext& c) const override {
    Value x = a_->eval(c);
    if (x.isNull()) return x;
    Value y = b_->eval(c);
    if (y.isNull()) return x;
    Value cx =
        differentRepresentation(a_->type(), compareType_) ? implicitConvert(x, a_->type(), compareType_) : x;
    Value cy =
        differentRepresentation(b_->type(), compareType_) ? implicitConvert(y, b_->type(), compareType_) : y;
    return compareValues(cx, cy) == 0 ? Value() : x;
  }

 private:
  BoundExprPtr a_, b_;
  SqlType compareType_;
};

class FunctionNode final : public BoundExpr {
 public:
  FunctionNode(const FunctionDef& def, std::vector<BoundExprPtr> args, SqlType result)
      : BoundExpr(result, true), def_(def), args_(std::move(args)) {
    for (const BoundExprPtr& a : args_)
      types_.push_back(a->type());
  }
  Value eval(const EvalContext& c) const override {
    std::vector<Value> values;
    values.reserve(args_.size());
    for (const BoundExprPtr& a : args_)
      values.push_back(a->eval(c));
    return callFunction(def_, values, types_, type_, c.env->functions);
  }

 private:
  const FunctionDef& def_;
  std::vector<BoundExprPtr> args_;
  std::vector<SqlType> types_;
};

class NativeNode final : public BoundExpr {
 public:
  NativeNode(NativeFn fn, std::vector<BoundExprPtr> args, SqlType t)
      : BoundExpr(t, true), fn_(fn), args_(std::move(args)) {}
  Value eval(const EvalContext& c) const override {
    std::vector<Value> values;
    values.reserve(args_.size());
    for (const BoundExprPtr& a : args_)
      values.push_back(a->eval(c));
    return fn_(values, c);
  }

 private:
  NativeFn fn_;
  std::vector<BoundExprPtr> args_;
};

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

class SubqueryNode final : public BoundExpr {
 public:
  SubqueryNode(SubqueryKind kind, std::unique_ptr<QueryPlan> plan, bool correlated, BoundExprPtr operand,
               bool negated, SqlType t)
      : BoundExpr(t, true),
        kind_(kind),
        plan_(std::move(plan)),
        correlated_(correlated),
        operand_(std::move(operand)),
        negated_(negated) {}

  Value eval(const EvalContext& c) const override {
    if (kind_ == SubqueryKind::Scalar) {
      if (!correlated_ && cached_) return cachedValue_;
      FirstRowsSink sink(2);
      plan_->run(*c.env, &c, sink);
      if (sink.rows.size() > 1) throwSqlError(512);
      Value v = sink.rows.empty() ? Value() : std::move(sink.rows[0][0]);
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
    return testIn(c);
  }

 private:
  // x IN (subquery): true on a match, UNKNOWN when no match but a NULL was met
  // (or x is NULL and the subquery is not empty), else false.
  Bool3 testIn(const EvalContext& c) const {
    if (correlated_ || !cached_) {
      CollectSink sink;
      plan_->run(*c.env, &c, sink);
      values_.clear();
      hashes_.clear();
      holdsNull_ = false;
      std::vector<uint8_t> use;
      for (auto& r : sink.rows) {
        holdsNull_ = holdsNull_ || r[0].isNull();
        use.push_back(r[0].isNull() ? 0 : 1);
        hashes_.push_back(r[0].isNull() ? 0 : hashValue(r[0]));
        values_.push_back(std::move(r[0]));
      }
      chains_.build(hashes_, use);
      cached_ = !correlated_;
    }
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
  mutable bool cached_ = false;
  mutable Value cachedValue_;
  mutable bool cachedBool_ = false;
  mutable std::vector<Value> values_;  // IN: the subquery's values, hashed
  mutable std::vector<size_t> hashes_;
  mutable HashChains chains_;
  mutable bool holdsNull_ = false;
};

}  // namespace

BoundExprPtr makeCase(std::vector<std::pair<BoundExprPtr, BoundExprPtr>> whens, BoundExprPtr elseValue) {
  std::vector<const BoundExpr*> values;
  for (const auto& w : whens)
    values.push_back(w.second.get());
  if (elseValue) values.push_back(elseValue.get());
  SqlType t = combinedType(values);
  for (auto& w : whens)
    w.second = makeConversion(std::move(w.second), t, ConvertKind::Implicit);
  if (elseValue) elseValue = makeConversion(std::move(elseValue), t, ConvertKind::Implicit);
  return std::make_unique<CaseNode>(t, std::move(whens), std::move(elseValue));
}

BoundExprPtr makeCoalesce(std::vector<BoundExprPtr> args) {
  std::vector<const BoundExpr*> values;
  for (const BoundExprPtr& a : args)
    values.push_back(a.get());
  SqlType t = combinedType(values);
  for (BoundExprPtr& a : args)
    a = makeConversion(std::move(a), t, ConvertKind::Implicit);
  return std::make_unique<CoalesceNode>(t, std::move(args));
}

BoundExprPtr makeIsNullFunction(BoundExprPtr a, BoundExprPtr b) {
  SqlType t = a->type().isNull() ? (b->type().isNull() ? SqlType(TypeId::Int) : b->type())
                                 : isnullType(a->type(), b->type());
  a = makeConversion(std::move(a), t, ConvertKind::Implicit);
  b = makeConversion(std::move(b), t, ConvertKind::Implicit);
  std::vector<BoundExprPtr> args;
  args.push_back(std::move(a));
  args.push_back(std::move(b));
  return std::make_unique<CoalesceNode>(t, std::move(args));
}

BoundExprPtr makeNullIf(BoundExprPtr a, BoundExprPtr b) {
  if (a->type().isNull() || b->type().isNull()) return a;
  return std::make_unique<NullIfNode>(std::move(a), std::move(b));
}

BoundExprPtr makeFunction(const FunctionDef& def, std::vector<BoundExprPtr> args, SqlType result) {
  return std::make_unique<FunctionNode>(def, std::move(args), result);
}

BoundExprPtr makeSubquery(SubqueryKind kind, std::unique_ptr<QueryPlan> plan, bool correlated,
                          BoundExprPtr operand, bool negated) {
  SqlType t(TypeId::Bit);
  if (kind == SubqueryKind::Scalar) {
    if (plan->columns.size() != 1) throwSqlError(116);
    t = plan->columns[0].type;
  }
  if (kind == SubqueryKind::In) {
    if (plan->columns.size() != 1) throwSqlError(116);
    SqlType ct = comparisonType(operand->type(), plan->columns[0].type);
    operand = makeConversion(std::move(operand), ct, ConvertKind::Implicit);
    if (differentRepresentation(plan->columns[0].type, ct)) {
      plan->outputs[0] = makeConversion(std::move(plan->outputs[0]), ct, ConvertKind::Implicit);
      plan->columns[0].type = ct;
    }
  }
  return std::make_unique<SubqueryNode>(kind, std::move(plan), correlated, std::move(operand), negated, t);
}

BoundExprPtr makeNative(NativeFn fn, std::vector<BoundExprPtr> args, SqlType type) {
  return std::make_unique<NativeNode>(fn, std::move(args), type);
}

}  // namespace mls::tsql
