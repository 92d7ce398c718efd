// CREATE VIEW and DROP VIEW.
#include <memory>
#include <utility>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/catalog/view_set.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/exec/stmt/executor.h"

namespace mls::tsql {

void Executor::createView(const ast::CreateViewStmt& s) {
  session_.lock(s.view.name(), LockMode::SchemaModification);
  ViewSet& views = session_.database().views();
  if (views.find(s.view) || session_.catalog().findTable(s.view) ||
      session_.database().procedures().find(s.view.name())) {
    throwSqlError(2714, {s.view.name()});
  }
  const ast::SelectBlock* b = s.query->kind == ast::Query::Kind::Select ? s.query->select.get() : nullptr;
  if (s.checkOption && (!b || b->from.size() != 1 || b->from[0]->kind != ast::TableRefKind::Named))
    throwSqlError(40517, {"WITH CHECK OPTION on a view of other than one table"});
  // The query must bind now (its tables exist, its columns have names).
  std::unique_ptr<QueryPlan> plan = binder_.bindQuery(*s.query, nullptr);
  if (!s.columns.empty() && s.columns.size() != plan->columns.size()) {
    throwSqlError(s.columns.size() < plan->columns.size() ? 8158 : 8159, {s.view.name()});
  }
  for (size_t i = 0; s.columns.empty() && i < plan->columns.size(); ++i) {
    if (plan->columns[i].name.empty()) throwSqlError(4511, {s.view.name()});
  }
  views.add({s.view.name(), s.columns, s.query, s.definition, 0, env_.functions.now, s.checkOption});
  session_.undo().createdView(views, *views.find(s.view));
  session_.database().unsaved() = true;
  session_.globals().rowCount = 0;
}

void Executor::dropView(const ast::DropViewStmt& s) {
  ViewSet& views = session_.database().views();
  for (const ast::ObjectName& name : s.views) {
    session_.lock(name.name(), LockMode::SchemaModification);
    if (!views.find(name)) throwSqlError(3701, {"view", name.name()});
  }
  for (const ast::ObjectName& name : s.views) {
    if (const ViewDef* view = views.find(name)) {  // named once more, it is gone already
      session_.undo().droppingView(views, *view);
      views.remove(name);
    }
  }
  session_.database().unsaved() = true;
  session_.globals().rowCount = 0;
}

}  // namespace mls::tsql
