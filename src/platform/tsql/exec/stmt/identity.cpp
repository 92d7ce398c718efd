// DBCC CHECKIDENT and SET IDENTITY_INSERT.
#include <memory>
#include <optional>
#include <string>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/catalog_functions.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/exec/stmt/executor.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

std::string valueText(std::optional<int64_t> v) {
  return v ? std::to_string(*v) : std::string("NULL");
}

// The largest identity value stored (the smallest for a negative step).
std::optional<int64_t> columnValue(const Table& t) {
  const size_t col = *t.identityColumn();
  const bool up = t.column(col).identity->step > 0;
  std::optional<int64_t> best;
  for (RowId id : t.scanOrder()) {
    const Value& v = t.row(id)[col];
    if (v.isNull()) continue;
    int64_t x = castValue(v, t.column(col).type, SqlType(TypeId::BigInt)).asInt();
    if (!best || (up ? x > *best : x < *best)) best = x;
  }
  return best;
}

}  // namespace

// DBCC CHECKIDENT (t [, NORESEED | RESEED [, n]]) [WITH NO_INFOMSGS].  RESEED n
// makes the next value n + step, or n itself on a table that had no row since
// it was created or truncated.  Without n (or without an option) the current
// value moves up to the largest stored value when it is behind it.
void Executor::dbcc(const ast::DbccStmt& s) {
  if (s.command != "CHECKIDENT" || s.args.empty() || s.args.size() > 3) throwSqlError(2526);
  const ast::Expr& target = *s.args[0];
  std::shared_ptr<Table> table;
  std::string written;
  if (target.kind == ast::ExprKind::ColumnRef) {
    ast::ObjectName name;
    name.parts = target.as<ast::ColumnRef>().parts;
    written = name.text();
    table = session_.catalog().findTable(name);
  } else {
    BoundExprPtr e = binder_.bind(target, nullptr);
    EvalContext ctx{nullptr, nullptr, &env_};
    Value v = e->eval(ctx);
    if (v.isNull() || !e->type().isString()) throwSqlError(2526);
    written = std::string(v.asString());
    table = tableNamed(session_, written);
  }
  if (!table || table->isSystemView()) throwSqlError(2501, {written});
  if (table->kind() == Table::Kind::User) session_.lock(table->name(), LockMode::Exclusive);
  if (!table->identityColumn()) throwSqlError(7997, {table->name()});

  std::string option = "RESEED";
  if (s.args.size() > 1) {
    const ast::Expr& o = *s.args[1];
    if (o.kind != ast::ExprKind::ColumnRef || o.as<ast::ColumnRef>().parts.size() != 1) throwSqlError(2526);
    option = toUpper(o.as<ast::ColumnRef>().column());
    if (option != "RESEED" && option != "NORESEED") throwSqlError(2526);
    if (option == "NORESEED" && s.args.size() > 2) throwSqlError(2526);
  }
  std::optional<int64_t> reseed;
  if (s.args.size() > 2) {
    BoundExprPtr e = binder_.bind(*s.args[2], nullptr);
    EvalContext ctx{nullptr, nullptr, &env_};
    Value v = e->eval(ctx);
    if (v.isNull() || !e->type().isNumeric()) throwSqlError(2526);
    reseed = castValue(v, e->type(), SqlType(TypeId::BigInt)).asInt();
  }

  const int64_t current = table->identityCurrent();
  std::string message;
  if (reseed) {
    session_.undo().reseeding(*table);
    table->reseedIdentity(*reseed);
    message = "Checking identity information: current identity value '" + std::to_string(current) + "'.";
  } else {
    std::optional<int64_t> stored = columnValue(*table);
    const bool up = table->column(*table->identityColumn()).identity->step > 0;
    if (option == "RESEED" && stored && (up ? *stored > current : *stored < current)) {
      session_.undo().reseeding(*table);
      table->reseedIdentity(*stored);
    }
    message = "Checking identity information: current identity value '" + std::to_string(current) +
              "', current column value '" + valueText(stored) + "'.";
  }
  session_.globals().rowCount = 0;
  for (const std::string& o : s.options) {
    if (o == "NO_INFOMSGS") return;
  }
  out_.messages.push_back(std::move(message));
  out_.messages.emplace_back(
      "DBCC execution completed. If DBCC printed error messages, contact your system administrator.");
}

// IDENTITY_INSERT is ON for one table of a session at a time (8107).
void Executor::setIdentityInsert(const ast::SetIdentityInsertStmt& s) {
  std::shared_ptr<Table> t = session_.catalog().getTable(s.table);
  if (!t->identityColumn()) throwSqlError(8106, {t->name()});
  std::shared_ptr<Table> current = session_.identityInsertTable();
  if (s.on) {
    if (current && current != t && current->identityInsert()) {
      throwSqlError(8107, {current->fullName(session_.databaseName()), s.table.text()});
    }
    t->setIdentityInsert(true);
    session_.setIdentityInsertTable(t);
  } else {
    t->setIdentityInsert(false);
    if (current == t) session_.setIdentityInsertTable(nullptr);
  }
  session_.globals().rowCount = 0;
}

}  // namespace mls::tsql
