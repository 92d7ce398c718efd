// DECLARE CURSOR, OPEN, FETCH, CLOSE and DEALLOCATE.  A cursor is GLOBAL (the
// session's, until DEALLOCATE) unless declared LOCAL (its level's).
#include <memory>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/cursor.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/exec/stmt/executor.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

const char* fetchTypeName(ast::FetchStmt::Direction d) {
  using D = ast::FetchStmt::Direction;
  switch (d) {
    case D::Next:
      return "NEXT";
    case D::Prior:
      return "PRIOR";
    case D::First:
      return "FIRST";
    case D::Last:
      return "LAST";
    case D::Absolute:
      return "ABSOLUTE";
    case D::Relative:
      return "RELATIVE";
  }
  return "";
}

}  // namespace

Cursor& Executor::findCursor(const std::string& name, bool global) {
  Cursor* c = global ? nullptr : session_.scope()->cursors.find(name);
  if (!c) c = session_.globalCursors().find(name);
  if (!c) throwSqlError(16916, {name});
  return *c;
}

void Executor::declareCursor(const ast::DeclareCursorStmt& s) {
  const bool local = s.hasOption("LOCAL");
  CursorSet& set = local ? session_.scope()->cursors : session_.globalCursors();
  if (set.find(s.name)) throwSqlError(16915, {s.name});
  set.add(std::make_unique<Cursor>(s, *session_.frame()));
  session_.globals().rowCount = 0;
}

void Executor::cursorStatement(const ast::CursorStmt& s) {
  Cursor& c = findCursor(s.name, s.global);
  session_.globals().rowCount = 0;
  if (s.kind == ast::StmtKind::Deallocate) {
    CursorSet& local = session_.scope()->cursors;
    (local.find(s.name) == &c ? local : session_.globalCursors()).remove(c);
    return;
  }
  if (s.kind == ast::StmtKind::Close) {
    if (!c.isOpen()) throwSqlError(16917);
    c.close();
    return;
  }
  if (c.isOpen()) throwSqlError(16905);
  // The query runs in a level holding the variables as they were at DECLARE.
  ExecScope snapshot;
  snapshot.frame = c.variables();
  snapshot.identity = session_.scope()->identity;
  ScopeGuard guard(session_, snapshot);
  Binder binder(session_);
  std::unique_ptr<QueryPlan> plan = binder.bindQuery(c.query(), nullptr);
  if (!plan->assignments.empty()) throwSqlError(141);
  ExecEnv env = env_;
  env.frame = &snapshot.frame;
  CollectSink sink;
  plan->run(env, nullptr, sink, rowLimit());  // a static cursor's rows are limited by SET ROWCOUNT
  std::vector<ColumnInfo> columns;
  for (const OutputColumn& oc : plan->columns)
    columns.push_back({oc.name, oc.type, oc.nullable});
  c.open(std::move(columns), std::move(sink.rows));
}

void Executor::fetch(const ast::FetchStmt& s) {
  Cursor& c = findCursor(s.cursor, s.global);
  if (!c.isOpen()) throwSqlError(16917);
  if (s.direction != ast::FetchStmt::Direction::Next && !c.scrollable()) {
    throwSqlError(16911, {"fetch", fetchTypeName(s.direction)});
  }
  int64_t offset = 0;
  if (s.offset) {
    BoundExprPtr e = binder_.bind(*s.offset, nullptr);
    EvalContext ctx{nullptr, nullptr, &env_};
    Value v = e->eval(ctx);
    if (!v.isNull()) offset = castValue(v, e->type(), SqlType(TypeId::BigInt)).asInt();
  }
  std::vector<int> targets;
  for (const std::string& name : s.into)
    targets.push_back(binder_.variable(name, s.pos));
  if (!targets.empty() && targets.size() != c.columns().size()) throwSqlError(16924);

  const std::vector<Value>* row = c.fetch(s.direction, offset);
  session_.globals().fetchStatus = row ? 0 : -1;
  session_.globals().rowCount = row ? 1 : 0;
  if (targets.empty()) {
    ResultItem item;
    item.kind = ResultItem::Kind::Rowset;
    item.rowset.columns = c.columns();
    if (row) item.rowset.rows.push_back(*row);
    out_.items.push_back(std::move(item));
    return;
  }
  if (!row) return;
  for (size_t i = 0; i < targets.size(); ++i)
    assign(targets[i], (*row)[i], c.columns()[i].type);
}

}  // namespace mls::tsql
