// CASE, COALESCE, ISNULL, NULLIF, built-in function calls and engine
// callbacks (subqueries run plans: ops/subquery.cpp).
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/exec/expr/type_class.h"
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
    return nullOnArithmeticError(c,
                                 [&] { return callFunction(def_, values, types_, type_, c.env->functions); });
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

BoundExprPtr makeNative(NativeFn fn, std::vector<BoundExprPtr> args, SqlType type) {
  return std::make_unique<NativeNode>(fn, std::move(args), type);
}

}  // namespace mls::tsql
