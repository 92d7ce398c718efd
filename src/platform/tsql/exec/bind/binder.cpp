#include "platform/tsql/exec/bind/binder.h"

#include <algorithm>
#include <utility>

#include "platform/tsql/catalog/names.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/type_ast.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

bool sameText(std::string_view a, std::string_view b) {
  return compareText(a, b) == 0;
}

std::string joinParts(const std::vector<std::string>& parts) {
  std::string s;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) s += '.';
    s += parts[i];
  }
  return s;
}

CompareOp compareOp(ast::BinaryOp op) {
  switch (op) {
    case ast::BinaryOp::Eq:
      return CompareOp::Eq;
    case ast::BinaryOp::Ne:
      return CompareOp::Ne;
    case ast::BinaryOp::Lt:
      return CompareOp::Lt;
    case ast::BinaryOp::Gt:
      return CompareOp::Gt;
    case ast::BinaryOp::Le:
      return CompareOp::Le;
    default:
      return CompareOp::Ge;
  }
}

// A literal's value and type.
BoundExprPtr bindLiteral(const ast::Literal& l) {
  switch (l.literal) {
    case ast::LiteralKind::Null:
      return makeConstant(Value(), SqlType());
    case ast::LiteralKind::Integer:
    case ast::LiteralKind::Decimal:
    case ast::LiteralKind::Float: {
      auto [v, t] = numericLiteral(l.text);
      return makeConstant(std::move(v), t);
    }
    case ast::LiteralKind::String:
    case ast::LiteralKind::NString:
      return makeConstant(Value::string(l.text),
                          stringLiteralType(l.text, l.literal == ast::LiteralKind::NString));
    case ast::LiteralKind::Money: {  // $12.5: the number as money, rounded to 4 places
      auto [v, t] = numericLiteral(l.text);
      return makeConversion(makeConstant(std::move(v), t), SqlType(TypeId::Money), ConvertKind::Cast);
    }
  }
  throwSqlError(102, {""});
}

// @@ROWCOUNT and its kin (137 for an unknown name).
BoundExprPtr bindGlobal(const std::string& n) {
  if (n == "@@ROWCOUNT") return makeGlobal(GlobalId::RowCount);
  if (n == "@@ERROR") return makeGlobal(GlobalId::Error);
  if (n == "@@IDENTITY") return makeGlobal(GlobalId::Identity);
  if (n == "@@TRANCOUNT") return makeGlobal(GlobalId::TranCount);
  if (n == "@@FETCH_STATUS") return makeGlobal(GlobalId::FetchStatus);
  if (n == "@@LOCK_TIMEOUT") return makeGlobal(GlobalId::LockTimeout);
  if (n == "@@SPID") return makeGlobal(GlobalId::Spid);
  // SQL Server's other globals: refused by name, not undeclared
  static constexpr std::string_view kServerGlobals[] = {
      "@@CONNECTIONS",      "@@CPU_BUSY",        "@@CURSOR_ROWS",   "@@DATEFIRST",        "@@DBTS",
      "@@DEF_SORTORDER_ID", "@@DEFAULT_LANGID",  "@@IDLE",          "@@IO_BUSY",          "@@LANGID",
      "@@LANGUAGE",         "@@MAX_CONNECTIONS", "@@MAX_PRECISION", "@@MICROSOFTVERSION", "@@NESTLEVEL",
      "@@OPTIONS",          "@@PACK_RECEIVED",   "@@PACK_SENT",     "@@PACKET_ERRORS",    "@@PROCID",
      "@@REMSERVER",        "@@SERVERNAME",      "@@SERVICENAME",   "@@TEXTSIZE",         "@@TIMETICKS",
      "@@TOTAL_ERRORS",     "@@TOTAL_READ",      "@@TOTAL_WRITE",   "@@VERSION"};
  for (std::string_view server : kServerGlobals) {
    if (n == server) throwSqlError(40517, {n});
  }
  throwSqlError(137, {n});
}

}  // namespace

std::string selectItemName(const ast::SelectItem& item) {
  if (!item.alias.empty()) return item.alias;
  if (item.expr && item.expr->kind == ast::ExprKind::ColumnRef)
    return item.expr->as<ast::ColumnRef>().column();
  return {};
}

int Binder::variable(const std::string& name, ast::Pos at) const {
  const Frame& f = *context_.frame();
  int i = f.find(name);
  if (i < 0) throwSqlError(137, {name});
  const ast::Pos d = f.at(i).declaredAt;
  if (d.line > at.line || (d.line == at.line && d.column > at.column)) throwSqlError(137, {name});
  return i;
}

TrackedExpr Binder::bindTracked(const ast::Expr& e, const Scope& scope, bool condition) {
  TrackedExpr t;
  trackers_.emplace_back(&scope, &t);
  struct Pop {
    std::vector<std::pair<const Scope*, TrackedExpr*>>& v;
    ~Pop() { v.pop_back(); }
  } pop{trackers_};
  t.expr = condition ? bindCondition(e, &scope) : bind(e, &scope);
  if (e.kind != ast::ExprKind::ColumnRef) t.columnSlot = t.columnIndex = -1;
  return t;
}

BoundExprPtr Binder::bindCondition(const ast::Expr& e, const Scope* scope) {
  if (!ast::isPredicate(e)) throwSqlError(4145, {"", ""});
  return bind(e, scope);
}

BoundExprPtr Binder::bind(const ast::Expr& e, const Scope* scope) {
  if (grouping_ && scope == grouping_->source) {
    if (BoundExprPtr g = bindGrouped(e)) return g;
  }
  switch (e.kind) {
    case ast::ExprKind::Literal:
      return bindLiteral(e.as<ast::Literal>());
    case ast::ExprKind::Variable: {
      const auto& v = e.as<ast::Variable>();
      int i = variable(v.name, v.pos);
      for (auto& tracker : trackers_)
        tracker.second->varying = true;
      return makeVariable(i, context_.frame()->at(i).type);
    }
    case ast::ExprKind::GlobalVariable:
      return bindGlobal(e.as<ast::GlobalVariable>().name);
    case ast::ExprKind::Parameter: {
      int i = context_.parameterSlot(e.as<ast::Parameter>().index);
      return makeVariable(i, context_.frame()->at(i).type);
    }
    case ast::ExprKind::ColumnRef:
      return bindColumn(e.as<ast::ColumnRef>(), scope);
    case ast::ExprKind::Star:
      throwSqlError(102, {"*"});
    case ast::ExprKind::Default:
      throwSqlError(156, {"DEFAULT"});
    case ast::ExprKind::Unary:
      return bindUnary(e.as<ast::UnaryExpr>(), scope);
    case ast::ExprKind::Binary:
      return bindBinary(e.as<ast::BinaryExpr>(), scope);
    case ast::ExprKind::IsNull: {
      const auto& n = e.as<ast::IsNullExpr>();
      return makeIsNull(bind(*n.operand, scope), n.negated);
    }
    case ast::ExprKind::Like: {
      const auto& l = e.as<ast::LikeExpr>();
      return makeLike(bind(*l.operand, scope), bind(*l.pattern, scope),
                      l.escape ? bind(*l.escape, scope) : nullptr, l.negated);
    }
    case ast::ExprKind::Between:
      return bindBetween(e.as<ast::BetweenExpr>(), scope);
    case ast::ExprKind::InList: {
      const auto& in = e.as<ast::InListExpr>();
      return makeInList(bind(*in.operand, scope), bindArgs(in.list, scope), in.negated);
    }
    case ast::ExprKind::InSubquery: {
      const auto& in = e.as<ast::InSubqueryExpr>();
      return bindSubquery(SubqueryKind::In, *in.query, scope, bind(*in.operand, scope), in.negated);
    }
    case ast::ExprKind::Exists:
      return bindSubquery(SubqueryKind::Exists, *e.as<ast::ExistsExpr>().query, scope, nullptr, false);
    case ast::ExprKind::Quantified: {
      const auto& q = e.as<ast::QuantifiedExpr>();
      return bindSubquery(q.all ? SubqueryKind::All : SubqueryKind::Any, *q.query, scope,
                          bind(*q.operand, scope), false, compareOp(q.op));
    }
    case ast::ExprKind::Subquery:
      return bindSubquery(SubqueryKind::Scalar, *e.as<ast::SubqueryExpr>().query, scope, nullptr, false);
    case ast::ExprKind::Case:
      return bindCase(e.as<ast::CaseExpr>(), scope);
    case ast::ExprKind::Cast: {
      const auto& c = e.as<ast::CastExpr>();
      return makeConversion(bind(*c.operand, scope), castTargetType(c.type), ConvertKind::Cast);
    }
    case ast::ExprKind::Convert: {
      const auto& c = e.as<ast::ConvertExpr>();
      BoundExprPtr operand = bind(*c.operand, scope);
      SqlType to = castTargetType(c.type);
      if (!c.style) return makeConversion(std::move(operand), to, ConvertKind::Cast);
      return makeConvertStyle(std::move(operand), to, bind(*c.style, scope));
    }
    case ast::ExprKind::Function:
      return bindFunction(e.as<ast::FunctionCall>(), scope);
    case ast::ExprKind::Collate: {
      // the parser lets through only the collations that compare as the
      // database's own: the operand compares as it is
      BoundExprPtr operand = bind(*e.as<ast::CollateExpr>().operand, scope);
      const SqlType& t = operand->type();
      if (!t.isString() && !t.isNull()) throwSqlError(447, {t.typeName()});
      return operand;
    }
  }
  throwSqlError(102, {""});
}

BoundExprPtr Binder::bindUnary(const ast::UnaryExpr& u, const Scope* scope) {
  switch (u.op) {
    case ast::UnaryOp::Minus:
      return makeNegate(bind(*u.operand, scope));
    case ast::UnaryOp::Plus:
      return bind(*u.operand, scope);
    case ast::UnaryOp::BitNot:
      return makeBitNot(bind(*u.operand, scope));
    case ast::UnaryOp::Not:
      return makeNot(bindCondition(*u.operand, scope));
  }
  throwSqlError(102, {""});
}

// x BETWEEN a AND b is x >= a AND x <= b; NOT BETWEEN is x < a OR x > b.
BoundExprPtr Binder::bindBetween(const ast::BetweenExpr& b, const Scope* scope) {
  if (b.negated) {
    return makeOr(makeComparison(CompareOp::Lt, bind(*b.operand, scope), bind(*b.low, scope)),
                  makeComparison(CompareOp::Gt, bind(*b.operand, scope), bind(*b.high, scope)));
  }
  return makeAnd(makeComparison(CompareOp::Ge, bind(*b.operand, scope), bind(*b.low, scope)),
                 makeComparison(CompareOp::Le, bind(*b.operand, scope), bind(*b.high, scope)));
}

BoundExprPtr Binder::bindBinary(const ast::BinaryExpr& b, const Scope* scope) {
  switch (b.op) {
    case ast::BinaryOp::Add:
      return makeArithmetic(ArithOp::Add, bind(*b.left, scope), bind(*b.right, scope));
    case ast::BinaryOp::Sub:
      return makeArithmetic(ArithOp::Subtract, bind(*b.left, scope), bind(*b.right, scope));
    case ast::BinaryOp::Mul:
      return makeArithmetic(ArithOp::Multiply, bind(*b.left, scope), bind(*b.right, scope));
    case ast::BinaryOp::Div:
      return makeArithmetic(ArithOp::Divide, bind(*b.left, scope), bind(*b.right, scope));
    case ast::BinaryOp::Mod:
      return makeArithmetic(ArithOp::Modulo, bind(*b.left, scope), bind(*b.right, scope));
    case ast::BinaryOp::BitAnd:
      return makeBitwise(BitOp::And, bind(*b.left, scope), bind(*b.right, scope));
    case ast::BinaryOp::BitOr:
      return makeBitwise(BitOp::Or, bind(*b.left, scope), bind(*b.right, scope));
    case ast::BinaryOp::BitXor:
      return makeBitwise(BitOp::Xor, bind(*b.left, scope), bind(*b.right, scope));
    case ast::BinaryOp::And:
      return makeAnd(bindCondition(*b.left, scope), bindCondition(*b.right, scope));
    case ast::BinaryOp::Or:
      return makeOr(bindCondition(*b.left, scope), bindCondition(*b.right, scope));
    case ast::BinaryOp::Distinct:
    case ast::BinaryOp::NotDistinct:
      return makeDistinct(bind(*b.left, scope), bind(*b.right, scope), b.op == ast::BinaryOp::Distinct);
    default:
      return makeComparison(compareOp(b.op), bind(*b.left, scope), bind(*b.right, scope));
  }
}

std::vector<BoundExprPtr> Binder::bindArgs(const std::vector<ast::ExprPtr>& args, const Scope* scope) {
  std::vector<BoundExprPtr> out;
  out.reserve(args.size());
  for (const ast::ExprPtr& a : args)
    out.push_back(bind(*a, scope));
  return out;
}

BoundExprPtr Binder::bindColumn(const ast::ColumnRef& c, const Scope* scope) {
  const std::string& column = c.column();
  const std::string* qualifier = c.parts.size() >= 2 ? &c.parts[c.parts.size() - 2] : nullptr;
  // db.schema.table.column: a table of another database is none of the query's.
  if (c.parts.size() >= 4 &&
      !isLocalName({c.parts.begin(), c.parts.end() - 1}, context_.catalog().database()))
    throwSqlError(4104, {joinParts(c.parts)});
  bool qualifierSeen = false;
  int depth = 0;
  for (const Scope* s = scope; s != nullptr; s = s->outer, ++depth) {
    const SourceBinding* found = nullptr;
    size_t foundIndex = 0;
    for (const SourceBinding& src : s->sources) {
      if (qualifier && !sameText(*qualifier, src.name)) continue;
      qualifierSeen = true;
      for (size_t i = 0; i < src.columns.size(); ++i) {
        if (!sameText(src.columns[i].name, column)) continue;
        if (found) throwSqlError(209, {column});
        found = &src;
        foundIndex = i;
      }
    }
    if (found) {
      // A grouped enclosing query reads as its group row: the column must be
      // one of its keys.
      const GroupingBinding* grouped = nullptr;
      for (const GroupingBinding* g : outerGroupings_) {
        if (depth > 0 && g->source == s) grouped = g;
      }
      int key = -1;
      if (grouped) {
        const auto& keys = grouped->keyTexts;
        key = static_cast<int>(std::find(keys.begin(), keys.end(), groupingKey(c, s)) - keys.begin());
        if (key == static_cast<int>(keys.size())) key = -1;
      }
      if (grouping_ && s == grouping_->source)
        throwSqlError(ungroupedError_, {found->name + "." + found->columns[foundIndex].name});
      if (grouped && key < 0) throwSqlError(8120, {found->name + "." + found->columns[foundIndex].name});
      for (const Scope* m = scope; m != s; m = m->outer)
        m->correlated = true;
      for (auto& [trackScope, tracked] : trackers_) {
        if (trackScope == s) {
          tracked->slots.set(static_cast<size_t>(found->slot));
          tracked->columnSlot = found->slot;
          tracked->columnIndex = static_cast<int>(foundIndex);
        }
        for (const Scope* m = trackScope->outer; m != nullptr; m = m->outer)
          tracked->varying = tracked->varying || m == s;
      }
      if (grouped) {
        const OutputColumn& k = grouped->keyColumns[static_cast<size_t>(key)];
        return makeColumn(depth, grouped->groupSlot, key, k.type, k.nullable);
      }
      const OutputColumn& col = found->columns[foundIndex];
      return makeColumn(depth, found->slot, static_cast<int>(foundIndex), col.type, col.nullable);
    }
  }
  if (qualifier && !qualifierSeen) throwSqlError(4104, {joinParts(c.parts)});
  throwSqlError(207, {column});
}

BoundExprPtr Binder::bindCase(const ast::CaseExpr& c, const Scope* scope) {
  std::vector<std::pair<BoundExprPtr, BoundExprPtr>> whens;
  for (const ast::CaseExpr::When& w : c.whens) {
    // A simple CASE compares its operand to each value: operand = when.
    BoundExprPtr cond = c.operand
                            ? makeComparison(CompareOp::Eq, bind(*c.operand, scope), bind(*w.when, scope))
                            : bindCondition(*w.when, scope);
    whens.emplace_back(std::move(cond), bind(*w.then, scope));
  }
  return makeCase(std::move(whens), c.elseValue ? bind(*c.elseValue, scope) : nullptr);
}

BoundExprPtr Binder::bindFunction(const ast::FunctionCall& f, const Scope* scope) {
  std::string name = toUpper(f.name.name());
  if (f.name.parts.size() == 1 && aggregateKind(name)) throwSqlError(147);
  // dbo.f(...) or a column's method (t.shape.STArea()): no user functions, no CLR types here
  if (f.name.parts.size() > 1) throwSqlError(40517, {"The user-defined function or method " + f.name.text()});
  if (f.star || f.distinct) throwSqlError(195, {f.name.text()});
  auto arity = [&](size_t n) {
    if (f.args.size() != n) throwSqlError(174, {name, std::to_string(n)});
  };
  if (name == "ISNULL") {
    arity(2);
    return makeIsNullFunction(bind(*f.args[0], scope), bind(*f.args[1], scope));
  }
  if (name == "COALESCE") {
    if (f.args.size() < 2) throwSqlError(189, {name, "2", "255"});
    std::vector<BoundExprPtr> args = bindArgs(f.args, scope);
    if (std::all_of(args.begin(), args.end(), [](const BoundExprPtr& a) { return a->type().isNull(); }))
      throwSqlError(4127);
    return makeCoalesce(std::move(args));
  }
  if (name == "NULLIF") {
    arity(2);
    return makeNullIf(bind(*f.args[0], scope), bind(*f.args[1], scope));
  }
  if (const SessionFunction* sf = context_.sessionFunction(name)) {
    const size_t most = sf->params.size();
    if (f.args.size() < sf->minArgs || f.args.size() > most) {
      if (sf->minArgs == most) throwSqlError(174, {name, std::to_string(most)});
      throwSqlError(189, {name, std::to_string(sf->minArgs), std::to_string(most)});
    }
    std::vector<BoundExprPtr> args;
    for (size_t i = 0; i < f.args.size(); ++i)
      args.push_back(makeConversion(bind(*f.args[i], scope), sf->params[i], ConvertKind::Implicit));
    return makeNative(sf->fn, std::move(args), sf->result);
  }
  // The datepart of DATEADD / DATEDIFF / DATEPART / DATENAME is a bare word.
  bool datepart = name == "DATEADD" || name == "DATEDIFF" || name == "DATEPART" || name == "DATENAME";
  std::vector<BoundExprPtr> args;
  std::vector<FunctionArg> infos;
  for (size_t i = 0; i < f.args.size(); ++i) {
    const ast::Expr& a = *f.args[i];
    if (i == 0 && datepart && a.kind == ast::ExprKind::ColumnRef &&
        a.as<ast::ColumnRef>().parts.size() == 1) {
      const std::string& word = a.as<ast::ColumnRef>().column();
      args.push_back(makeConstant(Value::string(word), SqlType::varchar(static_cast<int>(word.size()))));
    } else {
      args.push_back(bind(a, scope));
    }
    FunctionArg info{args.back()->type(), std::nullopt};
    if (const Value* k = args.back()->constant()) info.constant = *k;
    infos.push_back(std::move(info));
  }
  auto [def, result] = resolveFunction(name, infos);
  return makeFunction(*def, std::move(args), result);
}

}  // namespace mls::tsql
