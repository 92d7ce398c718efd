#include "platform/tsql/parse/ast.h"

#include <algorithm>

namespace mls::tsql::ast {

std::string ObjectName::text() const {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += '.';
    out += parts[i];
  }
  return out;
}

namespace {

// Digits before and after the point of a decimal literal, leading zeros of the
// integer part not counted.
std::pair<int, int> decimalDigits(const std::string& text) {
  size_t point = text.find('.');
  std::string_view whole(text.data(), point == std::string::npos ? text.size() : point);
  size_t firstNonZero = whole.find_first_not_of('0');
  int intDigits = firstNonZero == std::string_view::npos ? 0 : static_cast<int>(whole.size() - firstNonZero);
  int scale = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
  return {intDigits, scale};
}

}  // namespace

int Literal::decimalPrecision() const {
  auto [intDigits, scale] = decimalDigits(text);
  return std::max(1, intDigits + scale);
}

int Literal::decimalScale() const {
  return decimalDigits(text).second;
}

bool isPredicate(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Binary:
      switch (e.as<BinaryExpr>().op) {
        case BinaryOp::Eq:
        case BinaryOp::Ne:
        case BinaryOp::Lt:
        case BinaryOp::Gt:
        case BinaryOp::Le:
        case BinaryOp::Ge:
        case BinaryOp::Distinct:
        case BinaryOp::NotDistinct:
        case BinaryOp::And:
        case BinaryOp::Or:
          return true;
        default:
          return false;
      }
    case ExprKind::Unary:
      return e.as<UnaryExpr>().op == UnaryOp::Not;
    case ExprKind::IsNull:
    case ExprKind::Like:
    case ExprKind::Between:
    case ExprKind::InList:
    case ExprKind::InSubquery:
    case ExprKind::Exists:
    case ExprKind::Quantified:
      return true;
    default:
      return false;
  }
}

bool DeclareCursorStmt::hasOption(const std::string& upper) const {
  return std::find(options.begin(), options.end(), upper) != options.end();
}

}  // namespace mls::tsql::ast
