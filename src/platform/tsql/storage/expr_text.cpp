#include "platform/tsql/storage/expr_text.h"

#include <stdexcept>

namespace mls::tsql::storage {

namespace {

std::string quoted(std::string_view s, char open, char close) {
  std::string out(1, open);
  for (char c : s) {
    out += c;
    if (c == close) out += close;
  }
  out += close;
  return out;
}

std::string typeText(const ast::TypeName& t) {
  std::string out = t.name;
  if (t.max) return out + "(MAX)";
  for (size_t i = 0; i < t.args.size(); ++i)
    out += (i == 0 ? "(" : ", ") + std::to_string(t.args[i]);
  if (!t.args.empty()) out += ')';
  return out;
}

const char* binaryOperator(ast::BinaryOp op) {
  using ast::BinaryOp;
  switch (op) {
    case BinaryOp::Add:
      return "+";
    case BinaryOp::Sub:
      return "-";
    case BinaryOp::Mul:
      return "*";
    case BinaryOp::Div:
      return "/";
    case BinaryOp::Mod:
      return "%";
    case BinaryOp::BitAnd:
      return "&";
    case BinaryOp::BitOr:
      return "|";
    case BinaryOp::BitXor:
      return "^";
    case BinaryOp::Eq:
      return "=";
    case BinaryOp::Ne:
      return "<>";
    case BinaryOp::Lt:
      return "<";
    case BinaryOp::Gt:
      return ">";
    case BinaryOp::Le:
      return "<=";
    case BinaryOp::Ge:
      return ">=";
    case BinaryOp::Distinct:
      return "IS DISTINCT FROM";
    case BinaryOp::NotDistinct:
      return "IS NOT DISTINCT FROM";
    case BinaryOp::And:
      return "AND";
    case BinaryOp::Or:
      return "OR";
  }
  return "?";
}

std::string literalText(const ast::Literal& l) {
  switch (l.literal) {
    case ast::LiteralKind::Null:
      return "NULL";
    case ast::LiteralKind::String:
      return quoted(l.text, '\'', '\'');
    case ast::LiteralKind::NString:
      return "N" + quoted(l.text, '\'', '\'');
    case ast::LiteralKind::Money:
      return "$" + l.text;
    default:
      return l.text;
  }
}

std::string negation(bool negated) {
  return negated ? " NOT" : "";
}

std::string columnText(const ast::ColumnRef& c) {
  std::string out;
  for (const std::string& part : c.parts)
    out += (out.empty() ? "" : ".") + quoted(part, '[', ']');
  return out;
}

std::string unaryText(const ast::UnaryExpr& u) {
  const char* op = u.op == ast::UnaryOp::Minus  ? "-"
                   : u.op == ast::UnaryOp::Plus ? "+"
                   : u.op == ast::UnaryOp::Not  ? "NOT "
                                                : "~";
  return std::string(op) + "(" + expressionText(*u.operand) + ")";
}

std::string likeText(const ast::LikeExpr& l) {
  std::string out =
      "(" + expressionText(*l.operand) + negation(l.negated) + " LIKE " + expressionText(*l.pattern);
  if (l.escape) out += " ESCAPE " + expressionText(*l.escape);
  return out + ")";
}

std::string inListText(const ast::InListExpr& in) {
  std::string out = "(" + expressionText(*in.operand) + negation(in.negated) + " IN (";
  for (size_t i = 0; i < in.list.size(); ++i)
    out += (i ? ", " : "") + expressionText(*in.list[i]);
  return out + "))";
}

std::string caseText(const ast::CaseExpr& c) {
  std::string out = "CASE";
  if (c.operand) out += " " + expressionText(*c.operand);
  for (const auto& w : c.whens)
    out += " WHEN " + expressionText(*w.when) + " THEN " + expressionText(*w.then);
  if (c.elseValue) out += " ELSE " + expressionText(*c.elseValue);
  return out + " END";
}

std::string convertText(const ast::ConvertExpr& c) {
  std::string out = "CONVERT(" + typeText(c.type) + ", " + expressionText(*c.operand);
  if (c.style) out += ", " + expressionText(*c.style);
  return out + ")";
}

std::string functionText(const ast::FunctionCall& f) {
  std::string out = f.name.text() + "(";
  if (f.star) out += "*";
  if (f.distinct) out += "DISTINCT ";
  for (size_t i = 0; i < f.args.size(); ++i)
    out += (i ? ", " : "") + expressionText(*f.args[i]);
  return out + ")";
}

}  // namespace

std::string expressionText(const ast::Expr& e) {
  using ast::ExprKind;
  switch (e.kind) {
    case ExprKind::Literal:
      return literalText(e.as<ast::Literal>());
    case ExprKind::Variable:
      return e.as<ast::Variable>().name;
    case ExprKind::GlobalVariable:
      return e.as<ast::GlobalVariable>().name;
    case ExprKind::Parameter:
      return "?";
    case ExprKind::ColumnRef:
      return columnText(e.as<ast::ColumnRef>());
    case ExprKind::Star:
      return "*";
    case ExprKind::Default:
      return "DEFAULT";
    case ExprKind::Unary:
      return unaryText(e.as<ast::UnaryExpr>());
    case ExprKind::Binary: {
      const auto& b = e.as<ast::BinaryExpr>();
      return "(" + expressionText(*b.left) + " " + binaryOperator(b.op) + " " + expressionText(*b.right) +
             ")";
    }
    case ExprKind::IsNull: {
      const auto& n = e.as<ast::IsNullExpr>();
      return "(" + expressionText(*n.operand) + " IS" + negation(n.negated) + " NULL)";
    }
    case ExprKind::Like:
      return likeText(e.as<ast::LikeExpr>());
    case ExprKind::Between: {
      const auto& b = e.as<ast::BetweenExpr>();
      return "(" + expressionText(*b.operand) + negation(b.negated) + " BETWEEN " + expressionText(*b.low) +
             " AND " + expressionText(*b.high) + ")";
    }
    case ExprKind::InList:
      return inListText(e.as<ast::InListExpr>());
    case ExprKind::Case:
      return caseText(e.as<ast::CaseExpr>());
    case ExprKind::Cast: {
      const auto& c = e.as<ast::CastExpr>();
      return "CAST(" + expressionText(*c.operand) + " AS " + typeText(c.type) + ")";
    }
    case ExprKind::Convert:
      return convertText(e.as<ast::ConvertExpr>());
    case ExprKind::Function:
      return functionText(e.as<ast::FunctionCall>());
    case ExprKind::Collate: {
      const auto& c = e.as<ast::CollateExpr>();
      return "(" + expressionText(*c.operand) + " COLLATE " + c.collation + ")";
    }
    case ExprKind::InSubquery:
    case ExprKind::Exists:
    case ExprKind::Quantified:
    case ExprKind::Subquery:
      break;
  }
  throw std::invalid_argument("an expression holding a query has no stored text");
}

}  // namespace mls::tsql::storage
