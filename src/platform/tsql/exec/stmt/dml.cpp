// SELECT, INSERT, UPDATE and DELETE.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/from_planner.h"
#include "platform/tsql/exec/expr/type_class.h"
#include "platform/tsql/exec/ops/table_scan.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/exec/stmt/executor.h"
#include "platform/tsql/exec/stmt/updatable_view.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// A value of type `from` goes into a column of type `to` as it is: the same
// type, nothing to pad, shorten or round.
bool storesAsIs(const SqlType& from, const SqlType& to) {
  return from.id == to.id && !to.isFixedLengthString() && !needsConversion(from, to, ConvertKind::Implicit);
}

// Inserts each row the query gives.
class InsertSink final : public RowSink {
 public:
  explicit InsertSink(std::function<void(std::vector<Value>&)> insert) : insert_(std::move(insert)) {}
  bool push(std::vector<Value>& row) override {
    insert_(row);
    return true;
  }

 private:
  std::function<void(std::vector<Value>&)> insert_;
};

void requireWritable(const Table& t) {
  if (t.isSystemView()) throwSqlError(259);
}

// The columns an INSERT writes: those `listed` (an INSERT's list, or the
// columns of a view it writes through), else every column but the identity
// (207, 264 for names; 544, 545 for the identity column against
// IDENTITY_INSERT).
std::vector<size_t> insertTargets(const Table& table, const std::optional<std::vector<std::string>>& listed) {
  const auto& columns = table.columns();
  std::vector<size_t> targets;
  if (!listed) {
    for (size_t i = 0; i < columns.size(); ++i) {
      if (table.identityColumn() != i || table.identityInsert()) targets.push_back(i);
    }
  } else {
    std::vector<bool> named(columns.size(), false);
    for (const std::string& name : *listed) {
      std::optional<size_t> i = table.findColumn(name);
      if (!i) throwSqlError(207, {name});
      if (named[*i]) throwSqlError(264, {columns[*i].name});
      named[*i] = true;
      targets.push_back(*i);
    }
  }
  if (table.identityColumn() && !table.identityInsert()) {
    for (size_t t : targets) {
      if (t == *table.identityColumn()) throwSqlError(544, {table.name()});
    }
  } else if (table.identityColumn() && table.identityInsert() && listed) {
    bool identityListed = false;
    for (size_t t : targets)
      identityListed = identityListed || t == *table.identityColumn();
    if (!identityListed) throwSqlError(545, {table.name()});
  }
  return targets;
}

}  // namespace

// Builds the full row from the values of the target columns (empty:
// DEFAULT) of types `types` and inserts it.  A value already of its column's
// type is stored as it is.
void RowInserter::insert(std::vector<std::optional<Value>>& given, const std::vector<SqlType>& types) {
  const auto& columns = table.columns();
  Row row(columns.size());
  set.assign(columns.size(), 0);
  for (size_t k = 0; k < targets.size(); ++k) {
    if (!given[k]) continue;
    const size_t c = targets[k];
    Value& v = *given[k];
    if (v.isNull()) {
      row[c] = Value();
    } else if (storesAsIs(types[k], columns[c].type)) {
      row[c] = std::move(v);
    } else {
      row[c] = nullOnArithmeticError(EvalContext{nullptr, nullptr, env},
                                     [&] { return table.storeValue(c, v, types[k]); });
    }
    set[c] = 1;
  }
  for (size_t c = 0; c < columns.size(); ++c) {
    if (!set[c]) row[c] = table.implicitValue(c, defaults);
  }
  if (checkOption) checkOption(row);
  std::optional<size_t> identity = table.identityColumn();
  Value identityValue = identity ? row[*identity] : Value();
  table.insert(std::move(row), undo);
  if (identity && !identityValue.isNull()) {
    globals.identity = Value::decimal(Decimal128::fromInt(identityValue.asInt()));
  }
  ++inserted;
}

int64_t Executor::rowLimit() const {
  return session_.globals().options.rowLimit;
}

void Executor::rowsAffected(int64_t n) {
  session_.globals().rowCount = n;
  if (!session_.globals().options.noCount) {
    ResultItem item;
    item.kind = ResultItem::Kind::RowCount;
    item.rowCount = n;
    out_.items.push_back(std::move(item));
  }
}

void Executor::select(const ast::SelectStmt& s) {
  if (const std::optional<ast::ObjectName>& into = s.query->firstSelect().into)
    session_.lock(into->name(), LockMode::SchemaModification);
  std::unique_ptr<QueryPlan> plan = binder_.bindQuery(*s.query, nullptr);
  if (const std::optional<ast::ObjectName>& into = s.query->firstSelect().into)
    return selectInto(*into, *plan);
  CollectSink sink;
  int64_t n = plan->run(env_, nullptr, sink, rowLimit());
  session_.globals().rowCount = n;
  if (!plan->assignments.empty()) return;
  ResultItem item;
  item.kind = ResultItem::Kind::Rowset;
  for (const OutputColumn& c : plan->columns)
    item.rowset.columns.push_back({c.name, c.type, c.nullable});
  item.rowset.rows = std::move(sink.rows);
  out_.items.push_back(std::move(item));
}

// SELECT ... INTO t: a new table of the query's columns (names, types,
// nullability, an IDENTITY selected as it is), filled with its rows.
void Executor::selectInto(const ast::ObjectName& into, QueryPlan& plan) {
  if (!plan.assignments.empty()) throwSqlError(141);
  auto table =
      std::make_shared<Table>(into.name(), into.isTemp() ? Table::Kind::Temporary : Table::Kind::User);
  for (size_t i = 0; i < plan.columns.size(); ++i) {
    const OutputColumn& out = plan.columns[i];
    if (out.name.empty()) throwSqlError(1038);
    Column c;
    c.name = out.name;
    c.type = out.type.isNull() ? SqlType(TypeId::Int) : out.type;
    c.nullable = out.nullable;
    c.identity = out.identity;
    table->addColumn(std::move(c));
  }
  session_.catalog().addTable(table, session_.undo());
  CollectSink sink;
  plan.run(env_, nullptr, sink, rowLimit());
  // The identity values come with the rows; the last becomes the current one.
  table->setIdentityInsert(true);
  for (std::vector<Value>& row : sink.rows)
    table->insert(std::move(row), session_.undo());
  table->setIdentityInsert(false);
  rowsAffected(static_cast<int64_t>(sink.rows.size()));
}

DefaultEvaluator Executor::statementDefaults() {
  auto bound = std::make_shared<std::vector<std::pair<const ast::Expr*, BoundExprPtr>>>();
  return [this, bound](const ast::Expr& e, const Column& c) {
    auto b = std::find_if(bound->begin(), bound->end(), [&](const auto& d) { return d.first == &e; });
    if (b == bound->end()) b = bound->emplace(bound->end(), &e, binder_.bind(e, nullptr));
    EvalContext ctx{nullptr, nullptr, &env_};
    Value v = b->second->eval(ctx);
    return v.isNull() ? v : assignToColumn(v, b->second->type(), c.type);
  };
}

void Executor::insert(const ast::InsertStmt& s) {
  lockTarget(s.table, s.tableHints, {});
  std::optional<std::vector<std::string>> listed;
  if (!s.columns.empty()) listed = s.columns;
  std::shared_ptr<Table> table;
  std::function<void(const Row&)> checkOption;
  if (const ViewDef* view = s.table.isTemp() ? nullptr : session_.database().views().find(s.table)) {
    // Through a view: into the one table its columns name.
    const UpdatableView through(*view, session_.database().views(), session_.catalog());
    UpdatableView::Insert into = through.insert(s.columns, session_.catalog());
    session_.lockForChange(into.table, s.tableHints);
    table = session_.catalog().getTable(into.table, false);
    listed = std::move(into.columns);
    checkOption = through.checkOption(binder_, env_);
  } else {
    table = session_.catalog().getTable(s.table);
  }
  requireWritable(*table);
  const std::vector<size_t> targets = insertTargets(*table, listed);
  auto countMismatch = [&](size_t given, bool query) {
    if (s.columns.empty()) throwSqlError(213);
    if (query) throwSqlError(given > targets.size() ? 121 : 120);
    throwSqlError(given > targets.size() ? 110 : 109);
  };

  // @@IDENTITY is NULL after an insert into a table without identity.
  if (!table->identityColumn()) session_.globals().identity = Value();
  const DefaultEvaluator defaults = statementDefaults();
  RowInserter inserter{*table, targets, defaults, session_.undo(),       session_.globals(),
                       &env_,  0,       {},       std::move(checkOption)};

  EvalContext ctx{nullptr, nullptr, &env_};
  switch (s.source) {
    case ast::InsertStmt::Source::Values:
      for (const std::vector<ast::ExprPtr>& exprs : s.rows) {
        if (exprs.size() != targets.size()) countMismatch(exprs.size(), false);
        if (rowLimit() > 0 && inserter.inserted == rowLimit()) break;
        std::vector<std::optional<Value>> given(targets.size());
        std::vector<SqlType> types(targets.size());
        for (size_t k = 0; k < exprs.size(); ++k) {
          if (exprs[k]->kind == ast::ExprKind::Default) continue;
          BoundExprPtr e = binder_.bind(*exprs[k], nullptr);
          given[k].emplace(e->eval(ctx));
          types[k] = e->type();
        }
        inserter.insert(given, types);
      }
      break;
    case ast::InsertStmt::Source::Query: {
      std::unique_ptr<QueryPlan> plan = binder_.bindQuery(*s.query, nullptr);
      if (!plan->assignments.empty()) throwSqlError(141);
      if (plan->columns.size() != targets.size()) countMismatch(plan->columns.size(), true);
      insertQuery(*plan, inserter);
      break;
    }
    case ast::InsertStmt::Source::DefaultValues: {
      std::vector<std::optional<Value>> given(targets.size());
      inserter.insert(given, std::vector<SqlType>(targets.size()));
      break;
    }
  }
  rowsAffected(inserter.inserted);
}

void Executor::insertQuery(QueryPlan& plan, RowInserter& inserter) {
  std::vector<SqlType> types;
  for (const OutputColumn& c : plan.columns)
    types.push_back(c.type);
  std::vector<std::optional<Value>> given(inserter.targets.size());
  InsertSink sink([&](std::vector<Value>& r) {
    for (size_t k = 0; k < r.size(); ++k)
      given[k].emplace(std::move(r[k]));
    inserter.insert(given, types);
  });
  // Rows stream into a table the query does not read; else the query ends
  // before the first row goes in.
  if (!inserter.table.scanned()) {
    plan.run(env_, nullptr, sink, rowLimit());
    return;
  }
  CollectSink rows;
  plan.run(env_, nullptr, rows, rowLimit());
  for (std::vector<Value>& r : rows.rows)
    sink.push(r);
}

namespace {

// Row addresses -> numbers, in an open-addressed table that grows as it fills.
class RowAddresses {
 public:
  // Files `row` under `n` unless it is filed already (then answers false).
  bool insert(const Value* row, uint32_t n) {
    if (!row) return false;
    if ((used_ + 1) * 2 > slots_.size()) grow();
    Slot& s = slots_[probe(row)];
    if (s.row) return false;
    s = {row, n};
    ++used_;
    return true;
  }
  const uint32_t* find(const Value* row) const {
    if (slots_.empty()) return nullptr;
    const Slot& s = slots_[probe(row)];
    return s.row ? &s.n : nullptr;
  }

 private:
  struct Slot {
    const Value* row = nullptr;
    uint32_t n = 0;
  };
  // The slot holding `row`, or the free slot where it would go.
  size_t probe(const Value* row) const {
    const size_t mask = slots_.size() - 1;
    size_t i = (reinterpret_cast<uintptr_t>(row) >> 4) * 0x9e3779b97f4a7c15ULL >> shift_;
    while (slots_[i].row && slots_[i].row != row)
      i = (i + 1) & mask;
    return i;
  }
  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    shift_ = 64;
    for (size_t n = slots_.size(); n > 1; n >>= 1)
      --shift_;
    for (const Slot& s : old) {
      if (s.row) slots_[probe(s.row)] = s;
    }
  }

  std::vector<Slot> slots_;
  size_t used_ = 0;
  int shift_ = 64;
};

// The rows of a DML target that FROM and WHERE match, in the target's
// storage order; each keeps the slots of its first matching combination of
// FROM rows (the combinations come in storage order of their sources).
struct TargetRows {
  size_t slotCount = 0;
  std::vector<RowId> ids;
  std::vector<const Value*> slots;  // ids.size() * slotCount
};

// The row of `table` a combination of FROM rows changes: the target's slot,
// or the row whose address the column `locator` of that slot's row holds.
const Value* changedRow(const std::vector<const Value*>& slots, int target, int locator) {
  const Value* row = slots[static_cast<size_t>(target)];
  if (locator < 0 || !row) return row;
  const Value& address = row[locator];  // NULL where an outer join supplies the view's row
  return address.isNull() ? nullptr : reinterpret_cast<const Value*>(static_cast<uintptr_t>(address.asInt()));
}

TargetRows matchTargetRows(RowSource& source, size_t slotCount, int target, int locator, const Table& table,
                           ExecEnv& env) {
  TargetRows out;
  out.slotCount = slotCount;
  std::vector<const Value*> slots(slotCount, nullptr);
  EvalContext ctx{slots.data(), nullptr, &env};
  source.open(slots.data(), ctx);
  auto* scan = locator < 0 ? dynamic_cast<TableScan*>(&source) : nullptr;
  if (scan) {
    // The target alone: the scan knows its rows.
    while (scan->next(ctx)) {
      out.ids.push_back(scan->currentId());
      out.slots.insert(out.slots.end(), slots.begin(), slots.end());
    }
    return out;
  }
  // The first combination of each target row met, by the row's address;
  // then the rows met, in storage order.  When the source streams the
  // target from its scan, the ids of the rows met are known and only they
  // are put in storage order; else storage order is walked for them.
  RowAddresses firstOf;
  std::vector<const Value*> kept;
  std::vector<RowId> met;
  bool idsKnown = locator < 0;
  uint32_t count = 0;
  while (source.next(ctx)) {
    const Value* row = changedRow(slots, target, locator);
    if (!firstOf.insert(row, count)) continue;
    ++count;
    kept.insert(kept.end(), slots.begin(), slots.end());
    if (!idsKnown) continue;
    std::optional<RowId> id = source.rowIdOf(target);
    idsKnown = id && table.isLive(*id) && table.row(*id).data() == row;
    if (idsKnown) met.push_back(*id);
  }
  if (count == 0) return out;
  auto take = [&](RowId id) {
    const uint32_t* first = firstOf.find(table.row(id).data());
    if (!first) return;
    out.ids.push_back(id);
    auto at = kept.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(*first) * slotCount);
    out.slots.insert(out.slots.end(), at, at + static_cast<ptrdiff_t>(slotCount));
  };
  if (idsKnown) {
    table.sortInStorageOrder(met);
    for (RowId id : met)
      take(id);
  } else {
    for (RowId id : table.scanOrder())
      take(id);
  }
  return out;
}

// SET ROWCOUNT n: the first n rows in storage order.
void limitTargetRows(TargetRows& rows, int64_t limit) {
  if (limit <= 0 || rows.ids.size() <= static_cast<size_t>(limit)) return;
  rows.ids.resize(static_cast<size_t>(limit));
  rows.slots.resize(static_cast<size_t>(limit) * rows.slotCount);
}

// Keeps the rows of `table` that `shown` passes (all when it is empty): those
// a view shows, when the change goes through one.
void keepShownRows(TargetRows& rows, const Table& table, const std::function<bool(const Value*)>& shown) {
  if (!shown) return;
  const size_t width = rows.slotCount;
  size_t kept = 0;
  for (size_t r = 0; r < rows.ids.size(); ++r) {
    if (!shown(table.row(rows.ids[r]).data())) continue;
    rows.ids[kept] = rows.ids[r];
    std::copy_n(rows.slots.begin() + static_cast<ptrdiff_t>(r * width), width,
                rows.slots.begin() + static_cast<ptrdiff_t>(kept * width));
    ++kept;
  }
  rows.ids.resize(kept);
  rows.slots.resize(kept * width);
}

}  // namespace

namespace {

// The table of `from` that `name` names by its alias (or by its own name when
// it has none), or nullptr.
const ast::NamedTable* tableNamedIn(const ast::TableRef& ref, const std::string& name) {
  if (ref.kind == ast::TableRefKind::Named) {
    const auto& t = ref.as<ast::NamedTable>();
    return compareText(t.alias.empty() ? t.name.name() : t.alias, name) == 0 ? &t : nullptr;
  }
  if (ref.kind != ast::TableRefKind::Join) return nullptr;
  const auto& j = ref.as<ast::JoinRef>();
  const ast::NamedTable* left = tableNamedIn(*j.left, name);
  return left ? left : tableNamedIn(*j.right, name);
}

}  // namespace

void Executor::lockTarget(const ast::ObjectName& target, const std::vector<std::string>& hints,
                          const std::vector<ast::TableRefPtr>& from) {
  for (const ast::TableRefPtr& ref : from) {
    if (const ast::NamedTable* table = tableNamedIn(*ref, target.name())) {
      // The target's hints are those of its source in FROM too.
      std::vector<std::string> all = hints;
      all.insert(all.end(), table->hints.begin(), table->hints.end());
      return lockTarget(table->name, all, {});
    }
  }
  session_.lockForChange(target, hints);
  // A view of one table changes that table.
  const ViewDef* view = target.isTemp() ? nullptr : session_.database().views().find(target);
  if (!view || view->query->kind != ast::Query::Kind::Select) return;
  const ast::SelectBlock& b = *view->query->select;
  if (b.from.size() == 1 && b.from[0]->kind == ast::TableRefKind::Named) {
    session_.lockForChange(b.from[0]->as<ast::NamedTable>().name, hints);
  }
}

// Binds the FROM of UPDATE / DELETE with its target: the source of the
// target's name (alias, or table name without alias), else the one source
// reading the target's table, else a source of its own cross-joined with FROM.
// A view that is a plain subset of one table and not named in FROM stands for
// that table under the view's name and column names; any other updatable
// view for its rows as a query reads them, each locating the row of the table
// `changed` (the columns a SET names) or a DELETE changes.
Executor::ChangeTarget Executor::bindTarget(const ast::ObjectName& target,
                                            const std::vector<std::string>& hints,
                                            const std::vector<ast::TableRefPtr>& from, FromPlanner& planner,
                                            Scope& scope, const std::vector<std::string>& changed,
                                            bool deleting) {
  lockTarget(target, hints, from);
  ChangeTarget out;
  const ast::NamedTable* inFrom = nullptr;
  for (const ast::TableRefPtr& ref : from)
    inFrom = inFrom ? inFrom : tableNamedIn(*ref, target.name());
  const ast::ObjectName& named = inFrom ? inFrom->name : target;
  std::optional<UpdatableView> through;
  size_t changes = 0;
  bool located = false;  // the view's rows stand for it, each locating its row of the table
  if ((out.view = named.isTemp() ? nullptr : session_.database().views().find(named))) {
    through.emplace(*out.view, session_.database().views(), session_.catalog());  // 4403, 4436, 40517
    changes = through->changedTable(changed, deleting);                           // 4405, 4406
    session_.lockForChange(through->tableName(changes), hints);
    out.names = binder_.bindTable(through->tableName(changes), target.name(), 0);
    through->nameColumns(out.names, changes);
    out.table = out.names.table;
    located = inFrom || !through->plainSubset();
    if (inFrom) planner.locateView(*out.view, inFrom, [&] { return through->locatedRows(binder_, changes); });
  }
  planner.addSources(from);
  auto bound = [&](int slot) {
    const SourceBinding& source = scope.sources[static_cast<size_t>(slot)];
    out.slot = slot;
    if (located) out.locator = static_cast<int>(source.columns.size() - 1);
    if (!out.view) out.names = source;
    out.table = out.names.table;
    return out;
  };
  for (const SourceBinding& src : scope.sources) {
    if (compareText(src.name, target.name()) != 0) continue;
    if (!src.table && !(located && inFrom)) throwSqlError(4421, {target.name()});  // a derived table
    return bound(src.slot);
  }
  if (out.view) {
    if (located) {
      planner.locateView(*out.view, nullptr, [&] { return through->locatedRows(binder_, changes); });
    } else {
      planner.addSource(out.names);
    }
    return bound(static_cast<int>(scope.sources.size() - 1));
  }
  std::shared_ptr<Table> table = session_.catalog().getTable(target);
  int found = -1;
  for (const SourceBinding& src : scope.sources) {
    if (src.table != table) continue;
    if (found >= 0) throwSqlError(8154, {target.name()});
    found = src.slot;
  }
  if (found >= 0) return bound(found);
  planner.addSource(binder_.bindTable(target, "", 0));
  return bound(static_cast<int>(scope.sources.size() - 1));
}

std::function<bool(const Value*)> Executor::viewShows(const ChangeTarget& target) {
  if (!target.view || target.locator >= 0) return {};
  return UpdatableView(*target.view, session_.database().views(), session_.catalog()).shows(binder_, env_);
}

std::vector<Executor::SetItem> Executor::bindSetItems(const ast::UpdateStmt& s, const SourceBinding& target,
                                                      const Scope& scope) {
  const Table& table = *target.table;
  std::vector<SetItem> items;
  for (const ast::SetItem& si : s.items) {
    SetItem item;
    if (!si.column.empty()) {
      if (si.column.size() > 1 && compareText(si.column[si.column.size() - 2], target.name) != 0 &&
          compareText(si.column[si.column.size() - 2], table.name()) != 0) {
        throwSqlError(4104, {si.column[si.column.size() - 2] + "." + si.column.back()});
      }
      // by the target's names: a table's own, or those a view gives it
      for (size_t i = 0; i < target.columns.size() && !item.column; ++i) {
        if (compareText(target.columns[i].name, si.column.back()) == 0) item.column = i;
      }
      if (!item.column) throwSqlError(207, {si.column.back()});
      if (table.identityColumn() == item.column) throwSqlError(8102, {table.column(*item.column).name});
    }
    if (!si.variable.empty()) item.variable = binder_.variable(si.variable, si.pos);
    if (si.value->kind == ast::ExprKind::Default) {
      if (!item.column) throwSqlError(156, {"DEFAULT"});
    } else {
      item.value = binder_.bind(*si.value, &scope);
    }
    items.push_back(std::move(item));
  }
  return items;
}

void Executor::update(const ast::UpdateStmt& s) {
  Scope scope;
  FromPlanner planner(binder_, scope);
  std::vector<std::string> setColumns;
  for (const ast::SetItem& item : s.items) {
    if (!item.column.empty()) setColumns.push_back(item.column.back());
  }
  const ChangeTarget target = bindTarget(s.target, s.targetHints, s.from, planner, scope, setColumns, false);
  const ViewDef* view = target.view;
  std::shared_ptr<Table> table = target.table;
  requireWritable(*table);

  std::vector<SetItem> items = bindSetItems(s, target.names, scope);
  std::unique_ptr<RowSource> source = planner.plan(s.where.get());
  TargetRows matched =
      matchTargetRows(*source, scope.sources.size(), target.slot, target.locator, *table, env_);
  keepShownRows(matched, *table, viewShows(target));
  limitTargetRows(matched, rowLimit());

  // Items apply left to right, row by row in storage order: a variable
  // changes at once; columns read the row as it was.
  std::vector<const Value*> slots(matched.slotCount);
  EvalContext ctx{slots.data(), nullptr, &env_};
  DefaultEvaluator defaults = statementDefaults();
  std::vector<Row> rows;
  rows.reserve(matched.ids.size());
  for (size_t r = 0; r < matched.ids.size(); ++r) {
    std::copy_n(matched.slots.begin() + static_cast<ptrdiff_t>(r * matched.slotCount), matched.slotCount,
                slots.begin());
    RowView current = table->row(matched.ids[r]);
    Row row(current.begin(), current.end());
    for (const SetItem& item : items) {
      Value v;
      SqlType from;
      if (item.value) {
        v = item.value->eval(ctx);
        from = item.value->type();
      } else {
        const Column& c = table->column(*item.column);
        v = c.defaultExpr ? defaults(*c.defaultExpr, c) : Value();
        from = c.type;
      }
      if (item.column) {
        // ANSI_WARNINGS and ARITHABORT OFF: a value past the column's range is stored as NULL.
        row[*item.column] =
            v.isNull() ? Value()
                       : nullOnArithmeticError(ctx, [&] { return table->storeValue(*item.column, v, from); });
        if (item.variable >= 0) assign(item.variable, row[*item.column], table->column(*item.column).type);
      } else {
        assign(item.variable, v, from);
      }
    }
    rows.push_back(std::move(row));
  }
  // WITH CHECK OPTION: every row changed must stay in the view.
  if (view) {
    if (auto check = UpdatableView(*view, session_.database().views(), session_.catalog())
                         .checkOption(binder_, env_)) {
      for (const Row& row : rows)
        check(row);
    }
  }
  std::vector<size_t> changed;
  for (const SetItem& item : items) {
    if (item.column && std::find(changed.begin(), changed.end(), *item.column) == changed.end())
      changed.push_back(*item.column);
  }
  size_t n = matched.ids.size();
  table->update(matched.ids, std::move(rows), session_.undo(), changed);
  rowsAffected(static_cast<int64_t>(n));
}

void Executor::remove(const ast::DeleteStmt& s) {
  Scope scope;
  FromPlanner planner(binder_, scope);
  const ChangeTarget target = bindTarget(s.target, s.targetHints, s.from, planner, scope, {}, true);
  std::shared_ptr<Table> table = target.table;
  requireWritable(*table);
  std::unique_ptr<RowSource> source = planner.plan(s.where.get());
  TargetRows matched =
      matchTargetRows(*source, scope.sources.size(), target.slot, target.locator, *table, env_);
  keepShownRows(matched, *table, viewShows(target));
  limitTargetRows(matched, rowLimit());
  table->eraseMany(matched.ids, session_.undo());
  rowsAffected(static_cast<int64_t>(matched.ids.size()));
}

}  // namespace mls::tsql
