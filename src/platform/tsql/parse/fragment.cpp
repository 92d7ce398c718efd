#include "platform/tsql/parse/fragment.h"

#include <algorithm>
#include <cctype>

#include "platform/common/ascii_text.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/parse/expr_children.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/parse/token.h"

namespace mls::tsql {
namespace {

using namespace ast;

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool listed(const std::vector<std::string>& names, std::string_view name) {
  const std::string u = upper(name);
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return upper(n) == u; });
}

// The first column reference outside the subqueries whose qualifier is none
// of `aliases`, as written ("" when there is none).
std::string foreignColumn(const Expr& e, const std::vector<std::string>& aliases) {
  if (e.kind == ExprKind::ColumnRef) {
    const auto& parts = e.as<ColumnRef>().parts;
    if (parts.size() == 1 || (parts.size() == 2 && listed(aliases, parts[0]))) return {};
    std::string text = parts[0];
    for (size_t i = 1; i < parts.size(); ++i)
      text += "." + parts[i];
    return text;
  }
  std::string found;
  forEachChild(e, [&](const Expr& operand) {
    if (found.empty()) found = foreignColumn(operand, aliases);
  });
  return found;
}

bool callable(const FunctionCall& f, const std::vector<AllowedFunction>& functions) {
  if (f.name.parts.size() != 1 || f.star || f.distinct) return false;
  const std::string name = upper(f.name.name());
  const int args = static_cast<int>(f.args.size());
  return std::any_of(functions.begin(), functions.end(), [&](const AllowedFunction& a) {
    return upper(a.name) == name && args >= a.least && args <= a.most;
  });
}

// What `e` holds that a formula may not ("" when nothing).
std::string formulaFault(const Expr& e, const std::vector<std::string>& columns,
                         const std::vector<AllowedFunction>& functions) {
  switch (e.kind) {
    case ExprKind::Literal:
      return {};
    case ExprKind::ColumnRef: {
      const auto& parts = e.as<ColumnRef>().parts;
      if (parts.size() == 1 && listed(columns, parts[0])) return {};
      return "the column " + parts.back() + " is not allowed";
    }
    case ExprKind::Variable:
    case ExprKind::GlobalVariable:
    case ExprKind::Parameter:
      return "a variable is not allowed";
    case ExprKind::InSubquery:
    case ExprKind::Exists:
    case ExprKind::Quantified:
    case ExprKind::Subquery:
      return "a subquery is not allowed";
    case ExprKind::Star:
    case ExprKind::Default:
      return "'*' and DEFAULT are not allowed";
    case ExprKind::Function: {
      const auto& f = e.as<FunctionCall>();
      if (!callable(f, functions)) return "the call of " + f.name.text() + " is not allowed";
      break;
    }
    default:
      break;
  }
  std::string found;
  forEachChild(e, [&](const Expr& operand) {
    if (found.empty()) found = formulaFault(operand, columns, functions);
  });
  return found;
}

}  // namespace

ConditionFragment checkConditionFragment(std::string_view text, const std::vector<std::string>& aliases) {
  ConditionFragment out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
      out.fault = "a carriage return without a line feed";
      return out;
    }
  }
  try {
    const std::vector<Token> tokens = tokenize(text);
    if (tokens.front().kind == TokenKind::End) {
      out.empty = true;
      return out;
    }
    size_t from = 0;
    if (tokens.front().kind == TokenKind::Keyword &&
        (tokens.front().text == "AND" || tokens.front().text == "OR")) {
      out.lead = tokens.front().text == "AND" ? Connective::And : Connective::Or;
      from = tokens[1].offset;
      if (tokens[1].kind == TokenKind::End) {
        out.fault = "no condition follows " + tokens.front().text;
        return out;
      }
    }
    // The rowset functions reach past the database (another server, a file,
    // a pass-through text no check reads): never in a client's condition.
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
      const Token& t = tokens[i];
      if (t.kind != TokenKind::Keyword && t.kind != TokenKind::Identifier) continue;
      for (const char* f : {"OPENROWSET", "OPENQUERY", "OPENDATASOURCE", "OPENXML"}) {
        if (ascii::equalsNoCase(t.text, f) && tokens[i + 1].kind == TokenKind::Symbol &&
            tokens[i + 1].text == "(") {
          out.fault = std::string("the rowset function ") + f;
          return out;
        }
      }
    }
    // SQL Server's grammar: what this engine lacks is its refusal to make
    // when the statement runs, not the check's
    std::vector<std::string> unsupported;
    ExprPtr condition = parseServerExpression(text.substr(from), unsupported);
    if (!isPredicate(*condition)) {
      out.fault = "a value where a condition is expected";
    } else if (std::string column = foreignColumn(*condition, aliases); !column.empty()) {
      out.fault = "the statement has no table named by " + column;
    }
  } catch (const SqlError& e) {
    out.fault = e.message();
  }
  return out;
}

std::string checkValueFragment(std::string_view text, const std::vector<std::string>& columns,
                               const std::vector<AllowedFunction>& functions) {
  try {
    ExprPtr value = parseExpression(text);
    if (isPredicate(*value)) return "a condition where a value is expected";
    return formulaFault(*value, columns, functions);
  } catch (const SqlError& e) {
    return e.message();
  }
}

}  // namespace mls::tsql
