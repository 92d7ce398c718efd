// The direct child expressions of an AST expression, for every walk over
// expressions: the parser's checks of client text and the binder's questions.
#pragma once

#include "platform/tsql/parse/ast.h"

namespace mls::tsql {

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

}  // namespace mls::tsql
