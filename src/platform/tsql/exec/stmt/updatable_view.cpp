#include "platform/tsql/exec/stmt/updatable_view.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/ast_walk.h"
#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/types/collation.h"

namespace mls::tsql {

namespace {

[[noreturn]] void unsupported(const std::string& form) {
  throwSqlError(40517, {form});
}

// The named tables of a FROM item, left to right.
void collectSources(const ast::TableRef& ref, const ViewSet& views,
                    std::vector<const ast::NamedTable*>& out) {
  switch (ref.kind) {
    case ast::TableRefKind::Named: {
      const auto& t = ref.as<ast::NamedTable>();
      if (views.find(t.name)) unsupported("A change through a view of a view");
      out.push_back(&t);
      return;
    }
    case ast::TableRefKind::Join:
      collectSources(*ref.as<ast::JoinRef>().left, views, out);
      collectSources(*ref.as<ast::JoinRef>().right, views, out);
      return;
    case ast::TableRefKind::Derived:
      unsupported("A change through a view of a derived table");
  }
}

// The name a table of the view's FROM goes by there.
const std::string& exposedName(const ast::NamedTable& t) {
  return t.alias.empty() ? t.name.name() : t.alias;
}

}  // namespace

UpdatableView::UpdatableView(const ViewDef& view, const ViewSet& views, const Catalog& catalog)
    : view_(view) {
  const ast::Query& q = *view.query;
  if (q.kind != ast::Query::Kind::Select) throwSqlError(q.unionAll ? 4436 : 4403, {view.name});
  const ast::SelectBlock& b = *q.select;
  bool aggregates = false;
  for (const ast::SelectItem& item : b.items)
    aggregates = aggregates || containsAggregate(*item.expr);
  if (b.distinct || !b.groupBy.empty() || b.having || aggregates) throwSqlError(4403, {view.name});
  for (const ast::TableRefPtr& ref : b.from)
    collectSources(*ref, views, sources_);

  auto sourceOf = [&](const std::vector<std::string>& qualifier) {
    for (size_t i = 0; i < sources_.size(); ++i) {
      if (qualifier.empty() || compareText(exposedName(*sources_[i]), qualifier.back()) == 0)
        return static_cast<int>(i);
    }
    return -1;
  };
  for (const ast::SelectItem& item : b.items) {
    const ast::Expr& e = *item.expr;
    if (e.kind == ast::ExprKind::Star) {
      // * or t.*: the columns of the tables it names, as they are now
      const std::vector<std::string>& qualifier = e.as<ast::Star>().qualifier;
      for (size_t i = 0; i < sources_.size(); ++i) {
        if (!qualifier.empty() && static_cast<int>(i) != sourceOf(qualifier)) continue;
        for (const Column& c : catalog.getTable(sources_[i]->name, false)->columns())
          columns_.push_back({c.name, static_cast<int>(i), c.name});
      }
      continue;
    }
    ViewColumn c{item.alias, -1, {}};
    if (e.kind == ast::ExprKind::ColumnRef) {
      const auto& ref = e.as<ast::ColumnRef>();
      std::vector<std::string> qualifier(ref.parts.begin(), ref.parts.end() - 1);
      for (size_t i = 0; i < sources_.size() && c.source < 0; ++i) {
        const bool named =
            qualifier.empty()
                ? catalog.getTable(sources_[i]->name, false)->findColumn(ref.column()).has_value()
                : static_cast<int>(i) == sourceOf(qualifier);
        if (named) c = {item.alias.empty() ? ref.column() : item.alias, static_cast<int>(i), ref.column()};
      }
    }
    columns_.push_back(std::move(c));
  }
  // CREATE VIEW v (a, b): the view's own names
  for (size_t i = 0; i < view.columns.size() && i < columns_.size(); ++i)
    columns_[i].name = view.columns[i];
}

UpdatableView::Insert UpdatableView::insert(const std::vector<std::string>& names,
                                            const Catalog& catalog) const {
  std::vector<const ViewColumn*> chosen;
  if (names.empty()) {
    for (const ViewColumn& c : columns_)
      chosen.push_back(&c);
  }
  for (const std::string& name : names) {
    auto it = std::find_if(columns_.begin(), columns_.end(),
                           [&](const ViewColumn& c) { return compareText(c.name, name) == 0; });
    if (it == columns_.end()) throwSqlError(207, {name});
    if (std::find(chosen.begin(), chosen.end(), &*it) != chosen.end()) throwSqlError(264, {it->name});
    chosen.push_back(&*it);
  }
  int source = sources_.size() == 1 ? 0 : -1;
  for (size_t k = 0; k < chosen.size(); ++k) {
    if (chosen[k]->source < 0) throwSqlError(4406, {view_.name});
    if (k > 0 && chosen[k]->source != source) throwSqlError(4405, {view_.name});
    source = chosen[k]->source;
  }
  if (source < 0) throwSqlError(4405, {view_.name});  // DEFAULT VALUES through a view of several tables
  Insert out{sources_[static_cast<size_t>(source)]->name, {}};
  std::shared_ptr<Table> table = catalog.getTable(out.table, false);
  for (const ViewColumn* c : chosen) {
    // As into the table itself, a list left out skips the identity column.
    const bool identity = table->identityColumn() && table->findColumn(c->column) == table->identityColumn();
    if (names.empty() && identity && !table->identityInsert()) continue;
    out.columns.push_back(c->column);
  }
  return out;
}

bool UpdatableView::plainSubset() const {
  return sources_.size() == 1 && !view_.query->select->top &&
         std::all_of(columns_.begin(), columns_.end(), [](const ViewColumn& c) { return c.source >= 0; });
}

size_t UpdatableView::changedTable(const std::vector<std::string>& changed, bool deleting) const {
  if (deleting && sources_.size() > 1) throwSqlError(4405, {view_.name});
  int table = -1;
  for (const std::string& name : changed) {
    for (const ViewColumn& c : columns_) {
      if (compareText(c.name, name) != 0) continue;
      if (c.source < 0) throwSqlError(4406, {view_.name});
      if (table >= 0 && c.source != table) throwSqlError(4405, {view_.name});
      table = c.source;
    }
  }
  // SET of only names the view lacks (207 follows) or of variables: its first table
  return table < 0 ? 0 : static_cast<size_t>(table);
}

void UpdatableView::nameColumns(SourceBinding& source, size_t table) const {
  for (OutputColumn& out : source.columns) {
    auto shown = std::find_if(columns_.begin(), columns_.end(), [&](const ViewColumn& c) {
      return c.source == static_cast<int>(table) && compareText(c.column, out.name) == 0;
    });
    out.name = shown == columns_.end() ? std::string() : shown->name;
  }
}

namespace {

// The address of the row a slot holds, as a number: which row of a table a
// row of a view shows.
class RowAddress final : public BoundExpr {
 public:
  explicit RowAddress(int slot) : BoundExpr(SqlType(TypeId::BigInt), false), slot_(slot) {}
  Value eval(const EvalContext& c) const override {
    return Value::integer(static_cast<int64_t>(reinterpret_cast<uintptr_t>(c.rows[slot_])));
  }

 private:
  int slot_;
};

}  // namespace

std::unique_ptr<QueryPlan> UpdatableView::locatedRows(Binder& binder, size_t table) const {
  // The view's FROM binds its tables into slots 0, 1, ... as written, the
  // order of sources_.
  std::unique_ptr<QueryPlan> plan = binder.bindQuery(*view_.query, nullptr);
  assert(plan->slotCount > table && "the tables of a view's FROM take its first slots");
  plan->outputs.push_back(std::make_unique<RowAddress>(static_cast<int>(table)));
  plan->columns.emplace_back(std::string(), SqlType(TypeId::BigInt), false);
  return plan;
}

std::function<bool(const Value* row)> UpdatableView::shows(Binder& binder, ExecEnv& env) const {
  const ast::SelectBlock& b = *view_.query->select;
  if (!b.where || sources_.size() != 1) return {};
  const ast::NamedTable& t = *sources_.front();
  auto scope = std::make_shared<Scope>();
  scope->sources.push_back(binder.bindTable(t.name, t.alias, 0, false));
  std::shared_ptr<const BoundExpr> where = binder.bindCondition(*b.where, scope.get());
  return [where, scope, &env](const Value* row) {
    const Value* slots[] = {row};
    const EvalContext ctx{slots, nullptr, &env};
    const Bool3 shown = where->test(ctx);
    return shown && *shown;
  };
}

std::function<void(const std::vector<Value>& row)> UpdatableView::checkOption(Binder& binder,
                                                                              ExecEnv& env) const {
  if (!view_.checkOption) return {};
  if (view_.query->select->top) throwSqlError(4427, {view_.name});
  std::function<bool(const Value*)> shown = shows(binder, env);
  if (!shown) return {};
  return [shown](const std::vector<Value>& row) {
    if (!shown(row.data())) throwSqlError(550);
  };
}

}  // namespace mls::tsql
