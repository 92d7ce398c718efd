// SELECT, INSERT, UPDATE and DELETE.
#include <optional>
#include <utility>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/executor.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

bool isTrue(Bool3 b) {
  return b && *b;
}

void requireWritable(const Table& t) {
  if (t.isSystemView()) throwSqlError(259);
}

}  // namespace

void Executor::rowsAffected(int64_t n) {
  session_.globals().rowCount = n;
  if (!session_.globals().noCount) {
    ResultItem item;
    item.kind = ResultItem::Kind::RowCount;
    item.rowCount = n;
    out_.items.push_back(std::move(item));
  }
}

void Executor::select(const ast::SelectStmt& s) {
  std::unique_ptr<QueryPlan> plan = binder_.bindQuery(*s.query, nullptr);
  CollectSink sink;
  int64_t n = plan->run(env_, nullptr, sink);
  session_.globals().rowCount = n;
  if (!plan->assignments.empty()) return;
  ResultItem item;
  item.kind = ResultItem::Kind::Rowset;
  for (const OutputColumn& c : plan->columns)
    item.rowset.columns.push_back({c.name, c.type, c.nullable});
  item.rowset.rows = std::move(sink.rows);
  out_.items.push_back(std::move(item));
}

Value Executor::evalDefault(const ast::Expr& e, const SqlType& to) {
  BoundExprPtr b = binder_.bind(e, nullptr);
  EvalContext ctx{nullptr, nullptr, &env_};
  Value v = b->eval(ctx);
  return v.isNull() ? v : assignToColumn(v, b->type(), to);
}

void Executor::insert(const ast::InsertStmt& s) {
  std::shared_ptr<Table> table = session_.catalog().getTable(s.table);
  requireWritable(*table);
  const auto& columns = table->columns();
  DefaultEvaluator defaults = [this](const ast::Expr& e, const Column& c) { return evalDefault(e, c.type); };

  // The target columns: the list given, else every column but the identity.
  std::vector<size_t> targets;
  if (s.columns.empty()) {
    for (size_t i = 0; i < columns.size(); ++i) {
      if (table->identityColumn() != i || table->identityInsert()) targets.push_back(i);
    }
  } else {
    std::vector<bool> named(columns.size(), false);
    for (const std::string& name : s.columns) {
      std::optional<size_t> i = table->findColumn(name);
      if (!i) throwSqlError(207, {name});
      if (named[*i]) throwSqlError(264, {columns[*i].name});
      named[*i] = true;
      targets.push_back(*i);
    }
  }
  if (table->identityColumn() && !table->identityInsert()) {
    for (size_t t : targets) {
      if (t == *table->identityColumn()) throwSqlError(544, {table->name()});
    }
  } else if (table->identityColumn() && table->identityInsert() && !s.columns.empty()) {
    bool listed = false;
    for (size_t t : targets)
      listed = listed || t == *table->identityColumn();
    if (!listed) throwSqlError(545, {table->name()});
  }
  auto countMismatch = [&](size_t given, bool query) {
    if (s.columns.empty()) throwSqlError(213);
    if (query) throwSqlError(given > targets.size() ? 121 : 120);
    throwSqlError(given > targets.size() ? 110 : 109);
  };

  // @@IDENTITY is NULL after an insert into a table without identity.
  if (!table->identityColumn()) session_.globals().identity = Value();

  // Builds the full row from the values of the target columns (null: DEFAULT).
  UndoLog& undo = session_.undo();
  int64_t inserted = 0;
  auto insertRow = [&](const std::vector<std::optional<std::pair<Value, SqlType>>>& given) {
    Row row(columns.size());
    std::vector<bool> set(columns.size(), false);
    for (size_t k = 0; k < targets.size(); ++k) {
      if (!given[k]) continue;
      size_t c = targets[k];
      row[c] = given[k]->first.isNull() ? Value() : table->storeValue(c, given[k]->first, given[k]->second);
      set[c] = true;
    }
    for (size_t c = 0; c < columns.size(); ++c) {
      if (!set[c]) row[c] = table->implicitValue(c, defaults);
    }
    std::optional<size_t> identity = table->identityColumn();
    Value identityValue = identity ? row[*identity] : Value();
    table->insert(std::move(row), undo);
    if (identity && !identityValue.isNull()) {
      session_.globals().identity = Value::decimal(Decimal128::fromInt(identityValue.asInt()));
    }
    ++inserted;
  };

  EvalContext ctx{nullptr, nullptr, &env_};
  switch (s.source) {
    case ast::InsertStmt::Source::Values:
      for (const std::vector<ast::ExprPtr>& exprs : s.rows) {
        if (exprs.size() != targets.size()) countMismatch(exprs.size(), false);
        std::vector<std::optional<std::pair<Value, SqlType>>> given(targets.size());
        for (size_t k = 0; k < exprs.size(); ++k) {
          if (exprs[k]->kind == ast::ExprKind::Default) continue;
          BoundExprPtr e = binder_.bind(*exprs[k], nullptr);
          given[k].emplace(e->eval(ctx), e->type());
        }
        insertRow(given);
      }
      break;
    case ast::InsertStmt::Source::Query: {
      std::unique_ptr<QueryPlan> plan = binder_.bindQuery(*s.query, nullptr);
      if (!plan->assignments.empty()) throwSqlError(141);
      if (plan->columns.size() != targets.size()) countMismatch(plan->columns.size(), true);
      CollectSink sink;
      plan->run(env_, nullptr, sink);
      std::vector<std::optional<std::pair<Value, SqlType>>> given(targets.size());
      for (std::vector<Value>& r : sink.rows) {
        for (size_t k = 0; k < r.size(); ++k)
          given[k].emplace(std::move(r[k]), plan->columns[k].type);
        insertRow(given);
      }
      break;
    }
    case ast::InsertStmt::Source::DefaultValues:
      insertRow(std::vector<std::optional<std::pair<Value, SqlType>>>(targets.size()));
      break;
    case ast::InsertStmt::Source::Exec:
      throwSqlError(40517, {"INSERT ... EXEC"});
  }
  rowsAffected(inserted);
}

void Executor::update(const ast::UpdateStmt& s) {
  if (!s.from.empty()) throwSqlError(40517, {"UPDATE ... FROM"});
  Scope scope;
  scope.sources.push_back(binder_.bindTable(s.target, "", 0));
  std::shared_ptr<Table> table = scope.sources[0].table;
  requireWritable(*table);

  // Each SET item: the column it sets (if any), the variable (if any), the value.
  struct Item {
    std::optional<size_t> column;
    int variable = -1;
    BoundExprPtr value;  // null: DEFAULT
    const ast::Expr* defaultExpr = nullptr;
  };
  std::vector<Item> items;
  for (const ast::SetItem& si : s.items) {
    Item item;
    if (!si.column.empty()) {
      if (si.column.size() > 1 && compareText(si.column[si.column.size() - 2], scope.sources[0].name) != 0) {
        throwSqlError(4104, {si.column[si.column.size() - 2] + "." + si.column.back()});
      }
      item.column = table->findColumn(si.column.back());
      if (!item.column) throwSqlError(207, {si.column.back()});
      if (table->identityColumn() == item.column) throwSqlError(8102, {table->column(*item.column).name});
    }
    if (!si.variable.empty()) item.variable = binder_.variable(si.variable, si.pos);
    if (si.value->kind == ast::ExprKind::Default) {
      if (!item.column) throwSqlError(156, {"DEFAULT"});
    } else {
      item.value = binder_.bind(*si.value, &scope);
    }
    items.push_back(std::move(item));
  }
  BoundExprPtr where = s.where ? binder_.bindCondition(*s.where, &scope) : nullptr;

  std::vector<RowId> ids(table->scanOrder().begin(), table->scanOrder().end());
  const Value* slot = nullptr;
  EvalContext ctx{&slot, nullptr, &env_};
  std::vector<RowId> changed;
  std::vector<Row> rows;
  for (RowId id : ids) {
    const Row& old = table->row(id);
    slot = old.data();
    if (where && !isTrue(where->test(ctx))) continue;
    Row row = old;
    for (const Item& item : items) {
      Value v;
      SqlType from;
      if (item.value) {
        v = item.value->eval(ctx);
        from = item.value->type();
      } else {
        const Column& c = table->column(*item.column);
        v = c.defaultExpr ? evalDefault(*c.defaultExpr, c.type) : Value();
        from = c.type;
      }
      if (item.column) {
        row[*item.column] = v.isNull() ? Value() : table->storeValue(*item.column, v, from);
        if (item.variable >= 0) assign(item.variable, row[*item.column], table->column(*item.column).type);
      } else {
        assign(item.variable, v, from);
      }
    }
    changed.push_back(id);
    rows.push_back(std::move(row));
  }
  size_t n = changed.size();
  table->update(changed, std::move(rows), session_.undo());
  rowsAffected(static_cast<int64_t>(n));
}

void Executor::remove(const ast::DeleteStmt& s) {
  if (!s.from.empty()) throwSqlError(40517, {"DELETE ... FROM"});
  Scope scope;
  scope.sources.push_back(binder_.bindTable(s.target, "", 0));
  std::shared_ptr<Table> table = scope.sources[0].table;
  requireWritable(*table);
  BoundExprPtr where = s.where ? binder_.bindCondition(*s.where, &scope) : nullptr;
  std::vector<RowId> ids(table->scanOrder().begin(), table->scanOrder().end());
  const Value* slot = nullptr;
  EvalContext ctx{&slot, nullptr, &env_};
  std::vector<RowId> doomed;
  for (RowId id : ids) {
    slot = table->row(id).data();
    if (!where || isTrue(where->test(ctx))) doomed.push_back(id);
  }
  for (RowId id : doomed)
    table->erase(id, session_.undo());
  rowsAffected(static_cast<int64_t>(doomed.size()));
}

}  // namespace mls::tsql
