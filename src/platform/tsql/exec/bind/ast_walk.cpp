#include "platform/tsql/exec/bind/ast_walk.h"

#include "platform/tsql/exec/expr/aggregate_spec.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

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
