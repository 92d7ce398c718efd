#include "platform/tsql/exec/bind/ast_walk.h"

#include "platform/tsql/exec/expr/aggregate_spec.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

// Calls `f` on each direct child expression of `e` (subqueries excluded).
// Every kind is listed, without a default, so that a new kind with children
// cannot be skipped silently (the compiler asks for it).
template <class F>
void forEachChild(const ast::Expr& e, F&& f) {
  switch (e.kind) {
    case ast::ExprKind::Literal:
    case ast::ExprKind::Variable:
    case ast::ExprKind::GlobalVariable:
    case ast::ExprKind::Parameter:
    case ast::ExprKind::ColumnRef:
    case ast::ExprKind::Star:
    case ast::ExprKind::Default:
    case ast::ExprKind::Exists:    // a subquery only
    case ast::ExprKind::Subquery:  // a subquery only
      break;
    case ast::ExprKind::Unary:
      f(*e.as<ast::UnaryExpr>().operand);
      break;
    case ast::ExprKind::Binary:
      f(*e.as<ast::BinaryExpr>().left);
      f(*e.as<ast::BinaryExpr>().right);
      break;
    case ast::ExprKind::IsNull:
      f(*e.as<ast::IsNullExpr>().operand);
      break;
    case ast::ExprKind::Like: {
      const auto& l = e.as<ast::LikeExpr>();
      f(*l.operand);
      f(*l.pattern);
      if (l.escape) f(*l.escape);
      break;
    }
    case ast::ExprKind::Between: {
      const auto& b = e.as<ast::BetweenExpr>();
      f(*b.operand);
      f(*b.low);
      f(*b.high);
      break;
    }
    case ast::ExprKind::InList:
      f(*e.as<ast::InListExpr>().operand);
      for (const ast::ExprPtr& x : e.as<ast::InListExpr>().list)
        f(*x);
      break;
    case ast::ExprKind::InSubquery:
      f(*e.as<ast::InSubqueryExpr>().operand);
      break;
    case ast::ExprKind::Quantified:
      f(*e.as<ast::QuantifiedExpr>().operand);
      break;
    case ast::ExprKind::Collate:
      f(*e.as<ast::CollateExpr>().operand);
      break;
    case ast::ExprKind::Case: {
      const auto& c = e.as<ast::CaseExpr>();
      if (c.operand) f(*c.operand);
      for (const auto& w : c.whens) {
        f(*w.when);
        f(*w.then);
      }
      if (c.elseValue) f(*c.elseValue);
      break;
    }
    case ast::ExprKind::Cast:
      f(*e.as<ast::CastExpr>().operand);
      break;
    case ast::ExprKind::Convert:
      f(*e.as<ast::ConvertExpr>().operand);
      if (e.as<ast::ConvertExpr>().style) f(*e.as<ast::ConvertExpr>().style);
      break;
    case ast::ExprKind::Function:
      for (const ast::ExprPtr& x : e.as<ast::FunctionCall>().args)
        f(*x);
      break;
  }
}

}  // namespace

bool containsAggregate(const ast::Expr& e) {
  if (e.kind == ast::ExprKind::Function) {
    const auto& f = e.as<ast::FunctionCall>();
    if (f.name.parts.size() == 1 && aggregateKind(toUpper(f.name.name()))) return true;
  }
  bool found = false;
  forEachChild(e, [&](const ast::Expr& c) { found = found || containsAggregate(c); });
  return found;
}

std::string exprKey(const ast::Expr& e, const std::function<std::string(const ast::ColumnRef&)>& column) {
  std::string k = std::to_string(static_cast<int>(e.kind)) + "(";
  switch (e.kind) {
    case ast::ExprKind::Literal:
      k += std::to_string(static_cast<int>(e.as<ast::Literal>().literal)) + ":" + e.as<ast::Literal>().text;
      break;
    case ast::ExprKind::Variable:
      k += toUpper(e.as<ast::Variable>().name);
      break;
    case ast::ExprKind::GlobalVariable:
      k += e.as<ast::GlobalVariable>().name;
      break;
    case ast::ExprKind::ColumnRef:
      k += column(e.as<ast::ColumnRef>());
      break;
    case ast::ExprKind::Unary:
      k += std::to_string(static_cast<int>(e.as<ast::UnaryExpr>().op));
      break;
    case ast::ExprKind::Binary:
      k += std::to_string(static_cast<int>(e.as<ast::BinaryExpr>().op));
      break;
    case ast::ExprKind::IsNull:
      k += e.as<ast::IsNullExpr>().negated ? "!" : "";
      break;
    case ast::ExprKind::Like:
      k += e.as<ast::LikeExpr>().negated ? "!" : "";
      break;
    case ast::ExprKind::Between:
      k += e.as<ast::BetweenExpr>().negated ? "!" : "";
      break;
    case ast::ExprKind::InList:
      k += e.as<ast::InListExpr>().negated ? "!" : "";
      break;
    case ast::ExprKind::Cast:
    case ast::ExprKind::Convert: {
      const ast::TypeName& t =
          e.kind == ast::ExprKind::Cast ? e.as<ast::CastExpr>().type : e.as<ast::ConvertExpr>().type;
      k += t.name + (t.max ? "max" : "");
      for (int64_t a : t.args)
        k += "," + std::to_string(a);
      break;
    }
    case ast::ExprKind::Function: {
      const auto& f = e.as<ast::FunctionCall>();
      k += toUpper(f.name.text()) + (f.star ? "*" : "") + (f.distinct ? "D" : "");
      break;
    }
    case ast::ExprKind::Case:
      k += e.as<ast::CaseExpr>().operand ? "S" : "";
      break;
    case ast::ExprKind::Collate:
      k += toUpper(e.as<ast::CollateExpr>().collation);
      break;
    case ast::ExprKind::Parameter:
    case ast::ExprKind::Star:
    case ast::ExprKind::Default:
    case ast::ExprKind::InSubquery:
    case ast::ExprKind::Exists:
    case ast::ExprKind::Quantified:
    case ast::ExprKind::Subquery:
      // These never match another expression.
      k += std::to_string(reinterpret_cast<uintptr_t>(&e));
      break;
  }
  forEachChild(e, [&](const ast::Expr& c) { k += exprKey(c, column) + ","; });
  return k + ")";
}

}  // namespace mls::tsql
