#include "ast_dump.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/tsql/parse/parser.h"

namespace mls::tsql::test {

using namespace ast;

namespace {

std::string join(const std::vector<std::string>& parts, const char* sep) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i)
    out += (i ? sep : "") + parts[i];
  return out;
}

const char* opText(BinaryOp op) {
  static const char* const kText[] = {"+", "-",  "*", "/", "%",  "&",  "|",   "^",
                                      "=", "<>", "<", ">", "<=", ">=", "AND", "OR"};
  return kText[static_cast<int>(op)];
}

std::string dumpList(const std::vector<ExprPtr>& list) {
  std::vector<std::string> parts;
  for (const auto& e : list)
    parts.push_back(dump(*e));
  return join(parts, " ");
}

std::string dumpSelect(const SelectBlock& s) {
  std::string out = "SELECT";
  if (s.distinct) out += " DISTINCT";
  if (s.top) {
    out += " TOP " + dump(*s.top->count);
    if (s.top->percent) out += " PERCENT";
    if (s.top->withTies) out += " WITH TIES";
  }
  std::vector<std::string> items;
  for (const auto& item : s.items) {
    std::string text = dump(*item.expr);
    if (!item.variable.empty()) text = item.variable + " = " + text;
    if (!item.alias.empty()) text += " AS " + item.alias;
    items.push_back(text);
  }
  out += " " + join(items, ", ");
  if (s.into) out += " INTO " + s.into->text();
  if (!s.from.empty()) {
    std::vector<std::string> from;
    for (const auto& t : s.from)
      from.push_back(dump(*t));
    out += " FROM " + join(from, ", ");
  }
  if (s.where) out += " WHERE " + dump(*s.where);
  if (!s.groupBy.empty()) out += " GROUP BY " + dumpList(s.groupBy);
  if (s.withRollup) out += " WITH ROLLUP";
  if (s.having) out += " HAVING " + dump(*s.having);
  return out;
}

}  // namespace

std::string dump(const TypeName& t) {
  std::string out = t.name;
  if (t.max) return out + "(MAX)";
  if (t.args.empty()) return out;
  out += "(";
  for (size_t i = 0; i < t.args.size(); ++i)
    out += (i ? "," : "") + std::to_string(t.args[i]);
  return out + ")";
}

std::string dump(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal: {
      const auto& l = e.as<Literal>();
      if (l.literal == LiteralKind::String) return "'" + l.text + "'";
      if (l.literal == LiteralKind::NString) return "N'" + l.text + "'";
      return l.text;
    }
    case ExprKind::Variable:
      return e.as<Variable>().name;
    case ExprKind::GlobalVariable:
      return e.as<GlobalVariable>().name;
    case ExprKind::Parameter:
      return "?" + std::to_string(e.as<Parameter>().index);
    case ExprKind::ColumnRef:
      return join(e.as<ColumnRef>().parts, ".");
    case ExprKind::Star: {
      const auto& q = e.as<Star>().qualifier;
      return q.empty() ? "*" : join(q, ".") + ".*";
    }
    case ExprKind::Binary: {
      const auto& b = e.as<BinaryExpr>();
      return std::string("(") + opText(b.op) + " " + dump(*b.left) + " " + dump(*b.right) + ")";
    }
    case ExprKind::Exists:
      return "(EXISTS {" + dump(*e.as<ExistsExpr>().query) + "})";
    case ExprKind::Subquery:
      return "{" + dump(*e.as<SubqueryExpr>().query) + "}";
    case ExprKind::Function: {
      const auto& f = e.as<FunctionCall>();
      std::string out = f.name.text() + "(";
      if (f.distinct) out += "DISTINCT ";
      if (f.star) out += "*";
      return out + dumpList(f.args) + ")";
    }
    default:
      return "?";  // forms no test here dumps
  }
}

std::string dump(const Query& q) {
  std::string out;
  switch (q.kind) {
    case Query::Kind::Select:
      out = dumpSelect(*q.select);
      break;
    case Query::Kind::Union:
    case Query::Kind::Except:
    case Query::Kind::Intersect: {
      const char* op = q.kind == Query::Kind::Union    ? (q.unionAll ? "UNION ALL" : "UNION")
                       : q.kind == Query::Kind::Except ? "EXCEPT"
                                                       : "INTERSECT";
      out = std::string("(") + op + " {" + dump(*q.left) + "} {" + dump(*q.right) + "})";
      break;
    }
  }
  if (!q.orderBy.empty()) {
    std::vector<std::string> items;
    for (const auto& o : q.orderBy)
      items.push_back(dump(*o.expr) + (o.descending ? " DESC" : ""));
    out += " ORDER BY " + join(items, ", ");
  }
  return out;
}

std::string dump(const TableRef& t) {
  switch (t.kind) {
    case TableRefKind::Named: {
      const auto& n = t.as<NamedTable>();
      std::string out = n.name.text();
      if (!n.alias.empty()) out += " AS " + n.alias;
      if (!n.hints.empty()) out += " WITH(" + join(n.hints, ",") + ")";
      return out;
    }
    case TableRefKind::Derived: {
      const auto& d = t.as<DerivedTable>();
      std::string out = "{" + dump(*d.query) + "} AS " + d.alias;
      if (!d.columnAliases.empty()) out += "(" + join(d.columnAliases, ",") + ")";
      return out;
    }
    case TableRefKind::Join: {
      const auto& j = t.as<JoinRef>();
      static const char* const kType[] = {"INNER", "LEFT", "RIGHT", "FULL", "CROSS"};
      return std::string("(") + kType[static_cast<int>(j.type)] + " " + dump(*j.left) + " " + dump(*j.right) +
             (j.on ? " " + dump(*j.on) : "") + ")";
    }
  }
  return "?";
}

namespace {

const Query& onlyQuery(const std::vector<StmtPtr>& stmts) {
  if (stmts.size() != 1 || stmts[0]->kind != StmtKind::Select) throw std::runtime_error("not one SELECT");
  return *stmts[0]->as<SelectStmt>().query;
}

}  // namespace

std::string dumpValue(std::string_view text) {
  auto stmts = parseBatch("SELECT " + std::string(text));
  return dump(*onlyQuery(stmts).select->items.at(0).expr);
}

std::string dumpQuery(std::string_view text) {
  return dump(onlyQuery(parseBatch(text)));
}

SqlError parseError(std::string_view text) {
  try {
    parseBatch(text);
  } catch (const SqlError& e) {
    return e;
  }
  ADD_FAILURE() << "no error for: " << text;
  return SqlError(0, 0, 0, 0, "");
}

}  // namespace mls::tsql::test
