#include "platform/tsql/exec/expr/bound_expr.h"

#include <cassert>
#include <optional>
#include <string>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/expr/type_class.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

std::vector<Value> evalEach(const std::vector<BoundExprPtr>& exprs, const EvalContext& c) {
  std::vector<Value> row;
  row.reserve(exprs.size());
  for (const BoundExprPtr& e : exprs)
    row.push_back(e->eval(c));
  return row;
}

Bool3 BoundExpr::test(const EvalContext& c) const {
  Value s;
  const Value& v = ref(c, s);
  if (v.isNull()) return std::nullopt;
  return v.kind() != Value::Kind::Int || v.asInt() != 0;
}

namespace {

Value fromBool3(Bool3 b) {
  return b ? Value::boolean(*b) : Value();
}

// ---------------------------------------------------------------- leaves

class ConstantNode final : public BoundExpr {
 public:
  ConstantNode(Value v, SqlType t) : BoundExpr(t, v.isNull()), v_(std::move(v)) {}
  Value eval(const EvalContext&) const override { return v_; }
  const Value& ref(const EvalContext&, Value&) const override { return v_; }
  const Value* constant() const override { return &v_; }

 private:
  Value v_;
};

class LocalColumnNode final : public BoundExpr {
 public:
  LocalColumnNode(int slot, int index, SqlType t, bool nullable)
      : BoundExpr(t, nullable), slot_(slot), index_(index) {}
  Value eval(const EvalContext& c) const override { return row(c)[index_]; }
  const Value& ref(const EvalContext& c, Value&) const override { return row(c)[index_]; }

 private:
  const Value* row(const EvalContext& c) const {
    assert(c.rows[slot_] != nullptr && "a column is read only from a slot its source filled");
    return c.rows[slot_];
  }
  int slot_, index_;
};

class OuterColumnNode final : public BoundExpr {
 public:
  OuterColumnNode(int depth, int slot, int index, SqlType t, bool nullable)
      : BoundExpr(t, nullable), depth_(depth), slot_(slot), index_(index) {}
  Value eval(const EvalContext& c) const override { return get(c); }
  const Value& ref(const EvalContext& c, Value&) const override { return get(c); }

 private:
  const Value& get(const EvalContext& c) const {
    const EvalContext* p = &c;
    for (int d = 0; d < depth_; ++d)
      p = p->outer;
    assert(p != nullptr && p->rows[slot_] != nullptr && "an outer column reads a filled slot of its query");
    return p->rows[slot_][index_];
  }
  int depth_, slot_, index_;
};

class VariableNode final : public BoundExpr {
 public:
  VariableNode(int index, SqlType t) : BoundExpr(t, true), index_(index) {}
  Value eval(const EvalContext& c) const override { return c.env->frame->at(index_).value; }
  const Value& ref(const EvalContext& c, Value&) const override { return c.env->frame->at(index_).value; }

 private:
  int index_;
};

class GlobalNode final : public BoundExpr {
 public:
  GlobalNode(GlobalId id, SqlType t) : BoundExpr(t, id == GlobalId::Identity), id_(id) {}
  Value eval(const EvalContext& c) const override {
    const GlobalState& g = *c.env->globals;
    switch (id_) {
      case GlobalId::RowCount:
        return Value::integer(g.rowCount);
      case GlobalId::Error:
        return Value::integer(g.error);
      case GlobalId::Identity:
        return g.identity;
      case GlobalId::TranCount:
        return Value::integer(g.tranCount);
      case GlobalId::FetchStatus:
        return Value::integer(g.fetchStatus);
      case GlobalId::LockTimeout:
        return Value::integer(g.lockTimeout);
      case GlobalId::Spid:
        return Value::integer(g.spid);
    }
    return Value();
  }

 private:
  GlobalId id_;
};

// ----------------------------------------------------------- conversions

class ConversionNode final : public BoundExpr {
 public:
  ConversionNode(BoundExprPtr e, SqlType to, ConvertKind kind)
      : BoundExpr(to, e->nullable()), e_(std::move(e)), kind_(kind) {}
  Value eval(const EvalContext& c) const override {
    Value s;
    const Value& v = e_->ref(c, s);
    if (v.isNull()) return Value();
    return nullOnArithmeticError(c, [&] {
      switch (kind_) {
        case ConvertKind::Implicit:
          return implicitConvert(v, e_->type(), type_);
        case ConvertKind::Cast:
          return castValue(v, e_->type(), type_);
        case ConvertKind::Assign:
          return assignToColumn(v, e_->type(), type_);
      }
      return Value();
    });
  }

 private:
  BoundExprPtr e_;
  ConvertKind kind_;
};

class ConvertStyleNode final : public BoundExpr {
 public:
  ConvertStyleNode(BoundExprPtr e, SqlType to, BoundExprPtr style)
      : BoundExpr(to, true), e_(std::move(e)), style_(std::move(style)) {}
  Value eval(const EvalContext& c) const override {
    Value s;
    const Value& v = e_->ref(c, s);
    Value st = style_->eval(c);
    if (v.isNull() || st.isNull()) return Value();  // a NULL style gives NULL
    int style = static_cast<int>(castValue(st, style_->type(), SqlType(TypeId::Int)).asInt());
    return nullOnArithmeticError(c, [&] { return convertValue(v, e_->type(), type_, style); });
  }

 private:
  BoundExprPtr e_, style_;
};

// ------------------------------------------------------------- operators

class ArithmeticNode final : public BoundExpr {
 public:
  ArithmeticNode(ArithOp op, BoundExprPtr a, BoundExprPtr b, SqlType ta, SqlType tb, SqlType result)
      : BoundExpr(result, a->nullable() || b->nullable()),
        op_(op),
        a_(std::move(a)),
        b_(std::move(b)),
        ta_(ta),
        tb_(tb) {}
  Value eval(const EvalContext& c) const override {
    Value s1, s2;
    const Value& x = a_->ref(c, s1);
    if (x.isNull()) return Value();
    const Value& y = b_->ref(c, s2);
    if (y.isNull()) return Value();
    return nullOnArithmeticError(c, [&] { return arithmetic(op_, x, ta_, y, tb_, type_); });
  }

 private:
  ArithOp op_;
  BoundExprPtr a_, b_;
  SqlType ta_, tb_;
};

class BitwiseNode final : public BoundExpr {
 public:
  BitwiseNode(BitOp op, BoundExprPtr a, BoundExprPtr b, SqlType t)
      : BoundExpr(t, true), op_(op), a_(std::move(a)), b_(std::move(b)) {}
  Value eval(const EvalContext& c) const override {
    Value x = a_->eval(c), y = b_->eval(c);
    if (x.isNull() || y.isNull()) return Value();
    int64_t l = x.asInt(), r = y.asInt();
    switch (op_) {
      case BitOp::And:
        return Value::integer(l & r);
      case BitOp::Or:
        return Value::integer(l | r);
      case BitOp::Xor:
        return Value::integer(l ^ r);
    }
    return Value();
  }

 private:
  BitOp op_;
  BoundExprPtr a_, b_;
};

class BitNotNode final : public BoundExpr {
 public:
  explicit BitNotNode(BoundExprPtr a) : BoundExpr(a->type(), a->nullable()), a_(std::move(a)) {}
  Value eval(const EvalContext& c) const override {
    Value x = a_->eval(c);
    if (x.isNull()) return x;
    if (type_.id == TypeId::Bit) return Value::integer(x.asInt() ? 0 : 1);
    if (type_.id == TypeId::TinyInt) return Value::integer(~x.asInt() & 0xff);
    return Value::integer(~x.asInt());
  }

 private:
  BoundExprPtr a_;
};

class NegateNode final : public BoundExpr {
 public:
  explicit NegateNode(BoundExprPtr a) : BoundExpr(a->type(), a->nullable()), a_(std::move(a)) {}
  Value eval(const EvalContext& c) const override {
    Value s;
    const Value& x = a_->ref(c, s);
    if (x.isNull()) return Value();
    return nullOnArithmeticError(c, [&] { return negate(x, type_); });
  }

 private:
  BoundExprPtr a_;
};

}  // namespace

bool compareHolds(CompareOp op, int order) {
  switch (op) {
    case CompareOp::Eq:
      return order == 0;
    case CompareOp::Ne:
      return order != 0;
    case CompareOp::Lt:
      return order < 0;
    case CompareOp::Gt:
      return order > 0;
    case CompareOp::Le:
      return order <= 0;
    case CompareOp::Ge:
      return order >= 0;
  }
  return false;
}

namespace {

template <CompareOp Op>
class CompareNode final : public BoundExpr {
 public:
  CompareNode(BoundExprPtr a, BoundExprPtr b)
      : BoundExpr(SqlType(TypeId::Bit), true), a_(std::move(a)), b_(std::move(b)) {}
  Value eval(const EvalContext& c) const override { return fromBool3(test(c)); }
  Bool3 test(const EvalContext& c) const override {
    Value s1, s2;
    const Value& x = a_->ref(c, s1);
    if (x.isNull()) return std::nullopt;
    const Value& y = b_->ref(c, s2);
    if (y.isNull()) return std::nullopt;
    return compareHolds(Op, compareValues(x, y));
  }

 private:
  BoundExprPtr a_, b_;
};

class DistinctNode final : public BoundExpr {
 public:
  DistinctNode(BoundExprPtr a, BoundExprPtr b, bool distinct)
      : BoundExpr(SqlType(TypeId::Bit), false), a_(std::move(a)), b_(std::move(b)), distinct_(distinct) {}
  Value eval(const EvalContext& c) const override { return fromBool3(test(c)); }
  Bool3 test(const EvalContext& c) const override {
    Value s1, s2;
    const Value& x = a_->ref(c, s1);
    const Value& y = b_->ref(c, s2);
    const bool same = x.isNull() || y.isNull() ? x.isNull() && y.isNull() : compareValues(x, y) == 0;
    return same != distinct_;
  }

 private:
  BoundExprPtr a_, b_;
  bool distinct_;
};

class UnknownNode final : public BoundExpr {
 public:
  UnknownNode() : BoundExpr(SqlType(TypeId::Bit), true) {}
  Value eval(const EvalContext&) const override { return Value(); }
  Bool3 test(const EvalContext&) const override { return std::nullopt; }
};

class AndNode final : public BoundExpr {
 public:
  AndNode(BoundExprPtr a, BoundExprPtr b)
      : BoundExpr(SqlType(TypeId::Bit), true), a_(std::move(a)), b_(std::move(b)) {}
  Value eval(const EvalContext& c) const override { return fromBool3(test(c)); }
  Bool3 test(const EvalContext& c) const override {
    Bool3 x = a_->test(c);
    if (x && !*x) return false;
    return and3(x, b_->test(c));
  }

 private:
  BoundExprPtr a_, b_;
};

class OrNode final : public BoundExpr {
 public:
  OrNode(BoundExprPtr a, BoundExprPtr b)
      : BoundExpr(SqlType(TypeId::Bit), true), a_(std::move(a)), b_(std::move(b)) {}
  Value eval(const EvalContext& c) const override { return fromBool3(test(c)); }
  Bool3 test(const EvalContext& c) const override {
    Bool3 x = a_->test(c);
    if (x && *x) return true;
    return or3(x, b_->test(c));
  }

 private:
  BoundExprPtr a_, b_;
};

class NotNode final : public BoundExpr {
 public:
  explicit NotNode(BoundExprPtr a) : BoundExpr(SqlType(TypeId::Bit), true), a_(std::move(a)) {}
  Value eval(const EvalContext& c) const override { return fromBool3(test(c)); }
  Bool3 test(const EvalContext& c) const override { return not3(a_->test(c)); }

 private:
  BoundExprPtr a_;
};

class IsNullNode final : public BoundExpr {
 public:
  IsNullNode(BoundExprPtr a, bool negated)
      : BoundExpr(SqlType(TypeId::Bit), false), a_(std::move(a)), negated_(negated) {}
  Value eval(const EvalContext& c) const override { return fromBool3(test(c)); }
  Bool3 test(const EvalContext& c) const override {
    Value s;
    return a_->ref(c, s).isNull() != negated_;
  }

 private:
  BoundExprPtr a_;
  bool negated_;
};

class LikeNode final : public BoundExpr {
 public:
  LikeNode(BoundExprPtr text, BoundExprPtr pattern, BoundExprPtr escape, bool negated, bool unicode)
      : BoundExpr(SqlType(TypeId::Bit), true),
        text_(std::move(text)),
        pattern_(std::move(pattern)),
        escape_(std::move(escape)),
        negated_(negated),
        unicode_(unicode) {}
  Value eval(const EvalContext& c) const override { return fromBool3(test(c)); }
  Bool3 test(const EvalContext& c) const override {
    Value s1, s2, s3;
    const Value& t = text_->ref(c, s1);
    if (t.isNull()) return std::nullopt;
    const Value& p = pattern_->ref(c, s2);
    if (p.isNull()) return std::nullopt;
    char32_t esc = 0;
    if (escape_) {
      const Value& e = escape_->ref(c, s3);
      if (e.isNull()) return std::nullopt;
      std::string_view es = e.asString();
      size_t pos = 0;
      if (!es.empty()) esc = utf8Next(es, pos);
    }
    std::string_view text = t.asString();
    // Non-Unicode matching ignores the text's trailing blanks; Unicode
    // matching counts them.
    if (!unicode_) text = text.substr(0, text.find_last_not_of(' ') + 1);
    // A pattern is compiled when it differs from the last one (once for a
    // constant pattern).
    if (!compiled_ || esc != compiledEscape_ || p.asString() != compiledText_) {
      compiled_.emplace(p.asString(), esc);
      compiledText_ = p.asString();
      compiledEscape_ = esc;
    }
    return compiled_->matches(text) != negated_;
  }

 private:
  BoundExprPtr text_, pattern_, escape_;
  bool negated_;
  bool unicode_;  // some argument is nchar or nvarchar
  mutable std::optional<LikePattern> compiled_;
  mutable std::string compiledText_;
  mutable char32_t compiledEscape_ = 0;
};

class InListNode final : public BoundExpr {
 public:
  struct Item {
    BoundExprPtr value;  // converted to `compareType`
    SqlType compareType;
    bool convertOperand;
  };
  InListNode(BoundExprPtr operand, std::vector<Item> items, bool negated)
      : BoundExpr(SqlType(TypeId::Bit), true),
        operand_(std::move(operand)),
        items_(std::move(items)),
        negated_(negated) {}
  Value eval(const EvalContext& c) const override { return fromBool3(test(c)); }
  Bool3 test(const EvalContext& c) const override {
    Value s;
    const Value& v = operand_->ref(c, s);
    if (v.isNull()) return std::nullopt;
    Bool3 result = false;
    for (const Item& item : items_) {
      Value s2;
      const Value& w = item.value->ref(c, s2);
      if (w.isNull()) {
        result = std::nullopt;
        continue;
      }
      int r = item.convertOperand ? compareValues(implicitConvert(v, operand_->type(), item.compareType), w)
                                  : compareValues(v, w);
      if (r == 0) {
        result = true;
        break;
      }
    }
    return negated_ ? not3(result) : result;
  }

 private:
  BoundExprPtr operand_;
  std::vector<Item> items_;
  bool negated_;
};

// The side of a comparison converted to the comparison type, folded when it is
// a constant that converts cleanly.
BoundExprPtr toCompareType(BoundExprPtr e, const SqlType& t) {
  if (!differentRepresentation(e->type(), t)) return e;
  return makeConversion(std::move(e), t, ConvertKind::Implicit);
}

}  // namespace

// ------------------------------------------------------------- factories

BoundExprPtr makeConstant(Value v, SqlType type) {
  return std::make_unique<ConstantNode>(std::move(v), type);
}

BoundExprPtr makeColumn(int depth, int slot, int index, SqlType type, bool nullable) {
  assert(depth >= 0 && slot >= 0 && index >= 0 && "a column names a slot and a position in its row");
  if (depth == 0) return std::make_unique<LocalColumnNode>(slot, index, type, nullable);
  return std::make_unique<OuterColumnNode>(depth, slot, index, type, nullable);
}

BoundExprPtr makeVariable(int frameIndex, SqlType type) {
  return std::make_unique<VariableNode>(frameIndex, type);
}

BoundExprPtr makeGlobal(GlobalId id) {
  SqlType t(TypeId::Int);
  if (id == GlobalId::Identity) t = SqlType::decimal(38, 0);
  if (id == GlobalId::Spid) t = SqlType(TypeId::SmallInt);
  return std::make_unique<GlobalNode>(id, t);
}

BoundExprPtr makeConversion(BoundExprPtr e, SqlType to, ConvertKind kind) {
  // CAST(NULL AS t) is a NULL of type t: it types a SELECT INTO column, a
  // UNION, ISNULL's result.
  if (kind == ConvertKind::Cast && e->type().isNull() && !to.isNull()) {
    if (e->constant()) return makeConstant(Value(), to);
    return std::make_unique<ConversionNode>(std::move(e), to, kind);
  }
  if (!needsConversion(e->type(), to, kind)) return e;
  if (const Value* k = e->constant()) {
    // Fold a constant that converts cleanly; one that fails raises its error
    // only when evaluated, as the server does for a branch never taken.
    try {
      Value v;
      if (!k->isNull()) {
        switch (kind) {
          case ConvertKind::Implicit:
            v = implicitConvert(*k, e->type(), to);
            break;
          case ConvertKind::Cast:
            v = castValue(*k, e->type(), to);
            break;
          case ConvertKind::Assign:
            v = assignToColumn(*k, e->type(), to);
            break;
        }
      }
      return makeConstant(std::move(v), to);
    } catch (const SqlError&) {
    }
  }
  return std::make_unique<ConversionNode>(std::move(e), to, kind);
}

BoundExprPtr makeConvertStyle(BoundExprPtr e, SqlType to, BoundExprPtr style) {
  return std::make_unique<ConvertStyleNode>(std::move(e), to, std::move(style));
}

namespace {

// An integer literal meeting a decimal takes the precision of its digits
// (1.0 / 3 is decimal(2,1) / decimal(1,0)), not int's ten.
BoundExprPtr literalAsDecimal(BoundExprPtr e, const SqlType& other) {
  const Value* k = e->constant();
  if (k == nullptr || k->isNull() || e->type().id != TypeId::Int || other.id != TypeId::Decimal) return e;
  Decimal128 d = Decimal128::fromInt(k->asInt());
  return makeConstant(Value::decimal(d), SqlType::decimal(d.digits(), 0));
}

}  // namespace

BoundExprPtr makeArithmetic(ArithOp op, BoundExprPtr a, BoundExprPtr b) {
  a = literalAsDecimal(std::move(a), b->type());
  b = literalAsDecimal(std::move(b), a->type());
  SqlType ta = a->type(), tb = b->type();
  if (ta.isNull()) ta = tb.isNull() ? SqlType(TypeId::Int) : tb;
  if (tb.isNull()) tb = ta;
  SqlType result = arithmeticResultType(op, ta, tb);
  return std::make_unique<ArithmeticNode>(op, std::move(a), std::move(b), ta, tb, result);
}

BoundExprPtr makeBitwise(BitOp op, BoundExprPtr a, BoundExprPtr b) {
  SqlType ta = a->type(), tb = b->type();
  for (const SqlType* t : {&ta, &tb}) {
    if (!t->isNull() && !t->isInteger()) throwSqlError(402, {ta.typeName(), tb.typeName(), "boolean AND"});
  }
  SqlType result = typePrecedence(ta.id) >= typePrecedence(tb.id) ? ta : tb;
  if (result.isNull()) result = SqlType(TypeId::Int);
  return std::make_unique<BitwiseNode>(op, std::move(a), std::move(b), result);
}

BoundExprPtr makeBitNot(BoundExprPtr a) {
  if (!a->type().isNull() && !a->type().isInteger())
    throwSqlError(8117, {a->type().typeName(), "bitwise not"});
  return std::make_unique<BitNotNode>(std::move(a));
}

BoundExprPtr makeNegate(BoundExprPtr a) {
  if (a->type().isString() || a->type().isDateTime()) throwSqlError(8117, {a->type().typeName(), "minus"});
  if (const Value* k = a->constant())
    return makeConstant(k->isNull() ? Value() : negate(*k, a->type()), a->type());
  return std::make_unique<NegateNode>(std::move(a));
}

BoundExprPtr makeComparison(CompareOp op, BoundExprPtr a, BoundExprPtr b) {
  if (a->type().isNull() || b->type().isNull()) return std::make_unique<UnknownNode>();
  SqlType t = comparisonType(a->type(), b->type());
  a = toCompareType(std::move(a), t);
  b = toCompareType(std::move(b), t);
  switch (op) {
    case CompareOp::Eq:
      return std::make_unique<CompareNode<CompareOp::Eq>>(std::move(a), std::move(b));
    case CompareOp::Ne:
      return std::make_unique<CompareNode<CompareOp::Ne>>(std::move(a), std::move(b));
    case CompareOp::Lt:
      return std::make_unique<CompareNode<CompareOp::Lt>>(std::move(a), std::move(b));
    case CompareOp::Gt:
      return std::make_unique<CompareNode<CompareOp::Gt>>(std::move(a), std::move(b));
    case CompareOp::Le:
      return std::make_unique<CompareNode<CompareOp::Le>>(std::move(a), std::move(b));
    case CompareOp::Ge:
      return std::make_unique<CompareNode<CompareOp::Ge>>(std::move(a), std::move(b));
  }
  return nullptr;
}

BoundExprPtr makeDistinct(BoundExprPtr a, BoundExprPtr b, bool distinct) {
  if (!a->type().isNull() && !b->type().isNull()) {
    SqlType t = comparisonType(a->type(), b->type());
    a = toCompareType(std::move(a), t);
    b = toCompareType(std::move(b), t);
  }
  return std::make_unique<DistinctNode>(std::move(a), std::move(b), distinct);
}

BoundExprPtr makeAnd(BoundExprPtr a, BoundExprPtr b) {
  return std::make_unique<AndNode>(std::move(a), std::move(b));
}
BoundExprPtr makeOr(BoundExprPtr a, BoundExprPtr b) {
  return std::make_unique<OrNode>(std::move(a), std::move(b));
}
BoundExprPtr makeNot(BoundExprPtr a) {
  return std::make_unique<NotNode>(std::move(a));
}
BoundExprPtr makeIsNull(BoundExprPtr a, bool negated) {
  return std::make_unique<IsNullNode>(std::move(a), negated);
}

BoundExprPtr makeLike(BoundExprPtr text, BoundExprPtr pattern, BoundExprPtr escape, bool negated) {
  const bool unicode =
      text->type().isUnicode() || pattern->type().isUnicode() || (escape && escape->type().isUnicode());
  SqlType textType = SqlType::nvarchar(SqlType::kMax);
  if (!text->type().isString()) text = makeConversion(std::move(text), textType, ConvertKind::Implicit);
  if (!pattern->type().isString())
    pattern = makeConversion(std::move(pattern), textType, ConvertKind::Implicit);
  if (escape && !escape->type().isString())
    escape = makeConversion(std::move(escape), textType, ConvertKind::Implicit);
  return std::make_unique<LikeNode>(std::move(text), std::move(pattern), std::move(escape), negated, unicode);
}

BoundExprPtr makeInList(BoundExprPtr operand, std::vector<BoundExprPtr> items, bool negated) {
  std::vector<InListNode::Item> bound;
  bound.reserve(items.size());
  for (BoundExprPtr& e : items) {
    if (e->type().isNull()) {
      bound.push_back({std::move(e), operand->type(), false});
      continue;
    }
    SqlType t = comparisonType(operand->type(), e->type());
    bool convertOperand = differentRepresentation(operand->type(), t);
    bound.push_back({toCompareType(std::move(e), t), t, convertOperand});
  }
  return std::make_unique<InListNode>(std::move(operand), std::move(bound), negated);
}

}  // namespace mls::tsql
