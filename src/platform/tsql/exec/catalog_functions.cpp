#include "platform/tsql/exec/catalog_functions.h"

#include <optional>
#include <unordered_map>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/catalog/system_views.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

const SqlType kName = SqlType::nvarchar(SqlType::kMax);

std::string_view trimmed(const Value& v) {
  return trimRightSpaces(v.asString());
}

Value scopeIdentity(const std::vector<Value>&, const EvalContext& c) {
  return c.env->session->scope()->identity;
}

// IDENT_CURRENT('t'): the last identity value handed out (the seed before the first).
Value identCurrent(const std::vector<Value>& args, const EvalContext& c) {
  if (args[0].isNull()) return Value();
  std::shared_ptr<Table> t = tableNamed(*c.env->session, trimmed(args[0]));
  if (!t || !t->identityColumn()) return Value();
  return Value::decimal(Decimal128::fromInt(t->identityCurrent()));
}

// COL_LENGTH('t', 'c'): the column's size in bytes (-1 for max types).
Value colLength(const std::vector<Value>& args, const EvalContext& c) {
  if (args[0].isNull() || args[1].isNull()) return Value();
  std::shared_ptr<Table> t = tableNamed(*c.env->session, trimmed(args[0]));
  if (!t) return Value();
  std::optional<size_t> i = t->findColumn(trimmed(args[1]));
  return i ? Value::integer(columnMaxLength(t->column(*i).type)) : Value();
}

// OBJECTPROPERTY(id, 'IsUserTable'): 1 for a table, 0 for another object of
// the database, NULL for an unknown id or property.
Value objectProperty(const std::vector<Value>& args, const EvalContext& c) {
  if (args[0].isNull() || args[1].isNull()) return Value();
  if (compareText(trimmed(args[1]), "IsUserTable") != 0) return Value();
  const auto id = static_cast<int32_t>(args[0].asInt());
  const TableSet& set = c.env->session->database().permanent();
  if (set.findById(id)) return Value::integer(1);
  for (const auto& t : set.tables()) {
    for (const IndexDef& d : t->indexes()) {
      if (d.isConstraint() && d.constraintId == id) return Value::integer(0);
    }
    for (const Column& col : t->columns()) {
      if (col.defaultId == id) return Value::integer(0);
    }
  }
  return Value();
}

// OBJECT_ID(name [, type]) against the running session's catalog.
Value objectIdOf(const std::vector<Value>& args, const EvalContext& c) {
  if (args[0].isNull()) return Value();
  std::string_view type = args.size() > 1 && !args[1].isNull() ? args[1].asString() : std::string_view{};
  std::optional<int32_t> id =
      c.env->session->catalog().objectId(trimRightSpaces(args[0].asString()), trimRightSpaces(type));
  return id ? Value::integer(*id) : Value();
}

// DB_NAME([id]): the database's name (its id is 1).
Value dbName(const std::vector<Value>& args, const EvalContext&) {
  if (!args.empty() && (args[0].isNull() || args[0].asInt() != 1)) return Value();
  return Value::string(kDatabaseName);
}

}  // namespace

const SessionFunction* SessionImpl::sessionFunction(std::string_view upperName) const {
  static const std::unordered_map<std::string_view, SessionFunction> functions = {
      {"OBJECT_ID", {&objectIdOf, SqlType(TypeId::Int), {kName, kName}, 1}},
      {"SCOPE_IDENTITY", {&scopeIdentity, SqlType::decimal(38, 0), {}, 0}},
      {"IDENT_CURRENT", {&identCurrent, SqlType::decimal(38, 0), {kName}, 1}},
      {"COL_LENGTH", {&colLength, SqlType(TypeId::SmallInt), {kName, kName}, 2}},
      {"OBJECTPROPERTY", {&objectProperty, SqlType(TypeId::Int), {SqlType(TypeId::Int), kName}, 2}},
      {"DB_NAME", {&dbName, SqlType::nvarchar(128), {SqlType(TypeId::Int)}, 0}},
  };
  auto it = functions.find(upperName);
  return it == functions.end() ? nullptr : &it->second;
}

std::shared_ptr<Table> tableNamed(SessionImpl& session, std::string_view text) {
  Catalog catalog = session.catalog();
  std::optional<int32_t> id = catalog.objectId(text, "U");
  if (!id) return nullptr;
  if (std::shared_ptr<Table> t = catalog.permanent().findById(*id)) return t;
  return catalog.temporary().findById(*id);
}

}  // namespace mls::tsql
