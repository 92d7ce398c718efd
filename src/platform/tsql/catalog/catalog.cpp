#include "platform/tsql/catalog/catalog.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "platform/tsql/catalog/names.h"
#include "platform/tsql/catalog/system_views.h"
#include "platform/tsql/errors.h"

namespace mls::tsql {

namespace {

// The name as written, for messages: "dbo.t", "tempdb..#t".
std::string displayName(const ast::ObjectName& n) {
  std::string out;
  for (size_t i = 0; i < n.parts.size(); ++i) {
    if (i > 0) out += '.';
    out += n.parts[i];
  }
  return out;
}

bool isTempName(std::string_view name) {
  return !name.empty() && name[0] == '#';
}

}  // namespace

std::vector<std::string> splitObjectName(std::string_view text) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '[' || c == '"') {
      char close = c == '[' ? ']' : '"';
      for (++i; i < text.size(); ++i) {
        if (text[i] == close) {
          if (i + 1 < text.size() && text[i + 1] == close) {
            parts.back() += close;
            ++i;
            continue;
          }
          break;
        }
        parts.back() += text[i];
      }
    } else if (c == '.') {
      parts.emplace_back();
    } else if (c != ' ' || !parts.back().empty()) {
      parts.back() += c;
    }
  }
  for (auto& p : parts) {
    while (!p.empty() && p.back() == ' ')
      p.pop_back();
  }
  return parts;
}

namespace {

SqlType typeOf(const ast::TypeName& tn) {
  std::vector<int> args;
  if (tn.max) {
    args.push_back(SqlType::kMax);
  } else {
    for (int64_t a : tn.args)
      args.push_back(static_cast<int>(std::min<int64_t>(a, INT_MAX)));
  }
  return SqlType::fromName(tn.name, args);
}

// A column from its definition; it shares its default's expression.
Column makeColumn(const ast::ColumnDef& d) {
  Column c;
  c.name = d.name;
  c.type = typeOf(d.type);
  c.nullable = d.nullable.value_or(true);
  if (d.defaultValue) {
    c.defaultExpr = d.defaultValue;
    c.defaultName = d.defaultName;
  }
  if (d.identity) c.identity = IdentitySpec{d.identity->seed, d.identity->increment};
  return c;
}

std::vector<KeyColumn> keyColumns(const Table& t, const std::vector<ast::IndexColumn>& cols) {
  std::vector<KeyColumn> keys;
  for (const auto& ic : cols) {
    auto pos = t.findColumn(ic.name);
    if (!pos) throwSqlError(1911, {ic.name});
    keys.push_back({*pos, ic.descending});
  }
  return keys;
}

std::string hex16(int32_t id) {
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016X", static_cast<unsigned>(id));
  return buf;
}

}  // namespace

std::string Catalog::generatedName(std::string_view prefix, const Table& t, std::string_view column,
                                   int32_t id) {
  std::string out(prefix);
  out += "__" + t.name().substr(0, 8) + "__";
  if (!column.empty()) out += std::string(column.substr(0, 8)) + "__";
  return out + hex16(id);
}

// --------------------------------------------------------------- resolution

std::shared_ptr<Table> Catalog::findTable(const ast::ObjectName& name, bool lock) const {
  if (name.parts.empty()) return nullptr;
  const std::string& n = name.name();
  if (isTempName(n)) return temporary_.find(n);
  bool tempdb = sameName(name.qualifier(2), "tempdb");
  if (isSystemViewName(n)) return systemView(n, tempdb);
  if (auto view = buildCatalogView(name, tempdb ? temporary_ : permanent_, tempdb, database_,
                                   tempdb ? nullptr : views_, tempdb ? nullptr : procedures_)) {
    return view;
  }
  if (tempdb) return nullptr;
  if (locks_ && lock) locks_->reading(n);
  return permanent_.find(n);
}

std::shared_ptr<Table> Catalog::getTable(const ast::ObjectName& name, bool lock) const {
  auto t = findTable(name, lock);
  if (!t) throwSqlError(208, {displayName(name)});
  return t;
}

std::optional<int32_t> Catalog::objectId(std::string_view text, std::string_view xtype) const {
  std::vector<std::string> parts = splitObjectName(text);
  const std::string& n = parts.back();
  if (n.empty() || parts.size() > 4 || !isLocalName(parts, database_)) return std::nullopt;
  bool tempdb = parts.size() >= 3 && sameName(parts[parts.size() - 3], "tempdb");
  const TableSet& set = isTempName(n) || tempdb ? temporary_ : permanent_;
  auto wanted = [&](std::string_view kind) { return xtype.empty() || sameName(xtype, kind); };
  if (auto t = isTempName(n) && wanted("U") ? set.find(n) : nullptr) return t->id();  // the innermost
  for (const auto& t : set.tables()) {
    if ((sameName(t->name(), n) || sameName(t->storedName(), n)) && wanted("U")) return t->id();
    for (const IndexDef& d : t->indexes()) {
      if (d.isConstraint() && sameName(d.name, n) &&
          wanted(d.origin == IndexOrigin::PrimaryKey ? "PK" : "UQ")) {
        return d.constraintId;
      }
    }
    for (const Column& c : t->columns()) {
      if (c.defaultId != 0 && sameName(c.defaultName, n) && wanted("D")) return c.defaultId;
    }
  }
  if (&set == &permanent_ && views_ && wanted("V")) {
    ast::ObjectName name;
    name.parts = {n};
    if (const ViewDef* v = views_->find(name)) return v->id;
  }
  if (&set == &permanent_ && procedures_ && wanted("P")) {
    if (auto p = procedures_->find(n)) return p->id;
  }
  return std::nullopt;
}

bool Catalog::permanentNameTaken(std::string_view name) const {
  return objectNameTaken(permanent_, name) || isSystemViewName(name);
}

bool Catalog::objectNameTaken(const TableSet& set, std::string_view name) const {
  for (const auto& t : set.tables()) {
    if (sameName(t->name(), name) && (!t->isTemporary() || t->nestLevel() == nestLevel_)) return true;
    for (const IndexDef& d : t->indexes()) {
      if (d.isConstraint() && sameName(d.name, name)) return true;
    }
    for (const Column& c : t->columns()) {
      if (c.defaultId != 0 && sameName(c.defaultName, name)) return true;
    }
  }
  if (&set != &permanent_) return false;
  ast::ObjectName object;
  object.parts = {std::string(name)};
  return (views_ && views_->find(object)) || (procedures_ && procedures_->find(name));
}

TableSet& Catalog::setFor(const ast::ObjectName& name) const {
  return isTempName(name.name()) ? temporary_ : permanent_;
}

std::shared_ptr<Table> Catalog::systemView(std::string_view name, bool tempdb) const {
  return buildSystemView(name, tempdb ? temporary_ : permanent_, tempdb ? nullptr : views_,
                         tempdb ? nullptr : procedures_);
}

// ---------------------------------------------------------------------- DDL

std::shared_ptr<Table> Catalog::createTable(const ast::CreateTableStmt& stmt, UndoLog& undo) {
  TableSet& set = setFor(stmt.table);
  const std::string& name = stmt.table.name();
  if (objectNameTaken(set, name) || isSystemViewName(name)) throwSqlError(2714, {name});
  auto t = std::make_shared<Table>(name, isTempName(name) ? Table::Kind::Temporary : Table::Kind::User);
  t->setId(permanent_.allocateId());

  // A PRIMARY KEY is clustered unless said otherwise or another key is.
  bool explicitClustered = false;
  for (const auto& k : stmt.constraints) {
    explicitClustered = explicitClustered || k.clustered.value_or(false);
  }
  auto isPk = [](const ast::KeyConstraint& k) { return k.primaryKey; };
  if (std::count_if(stmt.constraints.begin(), stmt.constraints.end(), isPk) > 1) throwSqlError(8110, {name});

  for (const ast::ColumnDef& d : stmt.columns) {
    Column c = makeColumn(d);
    for (const auto& k : stmt.constraints) {
      if (!k.primaryKey) continue;
      for (const auto& ic : k.columns) {
        if (!sameName(ic.name, c.name)) continue;
        if (d.nullable.value_or(false)) throwSqlError(8111, {name});
        c.nullable = false;
      }
    }
    t->addColumn(std::move(c));
  }
  addTable(t, undo);  // names the defaults, checks their names
  // The table is in the set now; a failing constraint below is taken back by
  // the statement's rollback.
  for (const auto& k : stmt.constraints) {
    IndexDef def;
    def.keys = keyColumns(*t, k.columns);
    def.unique = true;
    def.origin = k.primaryKey ? IndexOrigin::PrimaryKey : IndexOrigin::UniqueConstraint;
    def.clustered = k.clustered.value_or(k.primaryKey && !explicitClustered);
    def.constraintId = permanent_.allocateId();
    def.name = k.name.empty() ? generatedName(k.primaryKey ? "PK" : "UQ", *t, "", def.constraintId) : k.name;
    if (objectNameTaken(set, def.name)) throwSqlError(2714, {def.name});
    t->addIndex(std::move(def));
  }
  return t;
}

void Catalog::addTable(std::shared_ptr<Table> t, UndoLog& undo) {
  TableSet& set = t->isTemporary() ? temporary_ : permanent_;
  if (objectNameTaken(set, t->name()) || isSystemViewName(t->name())) throwSqlError(2714, {t->name()});
  if (t->id() == 0) t->setId(permanent_.allocateId());
  if (t->isTemporary()) t->setNestLevel(nestLevel_);
  for (size_t i = 0; i < t->columns().size(); ++i) {
    Column& c = t->mutableColumn(i);
    if (!c.defaultExpr || c.defaultId != 0) continue;
    c.defaultId = permanent_.allocateId();
    if (c.defaultName.empty()) {
      c.defaultName = generatedName("DF", *t, c.name, c.defaultId);
    } else if (objectNameTaken(set, c.defaultName)) {
      throwSqlError(2714, {c.defaultName});
    }
  }
  set.add(t);
  undo.createdTable(set, t);
}

void Catalog::dropTable(const ast::ObjectName& name, UndoLog& undo) {
  auto t = findTable(name);
  if (!t || t->isSystemView()) throwSqlError(3701, {"table", displayName(name)});
  TableSet& set = setFor(name);
  set.remove(*t);
  undo.droppedTable(set, t);
}

void Catalog::truncateTable(const ast::ObjectName& name, UndoLog& undo) {
  auto t = findTable(name);
  if (!t || t->isSystemView()) throwSqlError(4701, {displayName(name)});
  t->truncate(undo);
}

void Catalog::alterTable(const ast::AlterTableStmt& stmt, UndoLog& undo,
                         const DefaultEvaluator& evalDefault) {
  auto t = findTable(stmt.table);
  if (!t || t->isSystemView()) throwSqlError(4902, {displayName(stmt.table)});
  TableSet& set = setFor(stmt.table);
  undo.altered(*t, std::make_unique<Table>(*t));
  switch (stmt.action) {
    case ast::AlterTableStmt::Action::Add: {
      for (const ast::ColumnDef& d : stmt.columns) {
        Column c = makeColumn(d);
        Value fill;
        if (!c.nullable && !c.identity && t->rowCount() > 0) {
          if (!c.defaultExpr) throwSqlError(4901, {c.name, t->name()});
          fill = evalDefault(*c.defaultExpr, c);
        }
        if (c.defaultExpr) {
          c.defaultId = permanent_.allocateId();
          if (c.defaultName.empty()) c.defaultName = generatedName("DF", *t, c.name, c.defaultId);
          if (objectNameTaken(set, c.defaultName)) throwSqlError(2714, {c.defaultName});
        }
        t->addColumn(std::move(c), fill);
      }
      for (const auto& k : stmt.constraints) {
        IndexDef def;
        def.keys = keyColumns(*t, k.columns);
        def.unique = true;
        def.origin = k.primaryKey ? IndexOrigin::PrimaryKey : IndexOrigin::UniqueConstraint;
        def.clustered = k.clustered.value_or(k.primaryKey && !t->clusteredIndex());
        def.constraintId = permanent_.allocateId();
        def.name =
            k.name.empty() ? generatedName(k.primaryKey ? "PK" : "UQ", *t, "", def.constraintId) : k.name;
        if (objectNameTaken(set, def.name)) throwSqlError(2714, {def.name});
        t->addIndex(std::move(def));
      }
      break;
    }
    case ast::AlterTableStmt::Action::DropConstraint: {
      for (const std::string& n : stmt.names) {
        auto i = t->findIndex(n);
        if (i && t->indexes()[*i].isConstraint()) {
          t->dropIndex(*i);
          continue;
        }
        bool found = false;
        for (size_t c = 0; c < t->columns().size() && !found; ++c) {
          Column& col = t->mutableColumn(c);
          if (col.defaultId == 0 || !sameName(col.defaultName, n)) continue;
          col.defaultExpr.reset();
          col.defaultName.clear();
          col.defaultId = 0;
          found = true;
        }
        if (!found) throwSqlError(3728, {n});
      }
      break;
    }
    case ast::AlterTableStmt::Action::DropColumn:
    case ast::AlterTableStmt::Action::AlterColumn:
      throwSqlError(50000, {"ALTER TABLE DROP COLUMN and ALTER COLUMN are not supported by this engine."});
  }
}

void Catalog::createIndex(const ast::CreateIndexStmt& stmt, UndoLog& undo) {
  auto t = findTable(stmt.table);
  if (!t || t->isSystemView()) throwSqlError(1088, {displayName(stmt.table)});
  IndexDef def;
  def.name = stmt.name;
  def.keys = keyColumns(*t, stmt.columns);
  def.unique = stmt.unique;
  def.clustered = stmt.clustered;
  auto before = std::make_unique<Table>(*t);
  t->addIndex(std::move(def));  // checks everything before it changes the table
  undo.altered(*t, std::move(before));
}

void Catalog::dropIndex(const ast::DropIndexStmt::Target& target, UndoLog& undo) {
  auto t = findTable(target.table);
  std::optional<size_t> i;
  if (t && !t->isSystemView()) i = t->findIndex(target.index);
  if (!i) throwSqlError(3701, {"index", displayName(target.table) + "." + target.index});
  const IndexDef& def = t->indexes()[*i];
  if (def.isConstraint()) {
    throwSqlError(3723, {displayName(target.table) + "." + def.name,
                         def.origin == IndexOrigin::PrimaryKey ? "PRIMARY KEY" : "UNIQUE KEY"});
  }
  undo.altered(*t, std::make_unique<Table>(*t));
  t->dropIndex(*i);
}

}  // namespace mls::tsql
