#include "platform/tsql/catalog/undo_log.h"

#include <algorithm>

#include "platform/tsql/catalog/table_set.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

// In the order the catalog lists them: by name, without case.
void sortByName(std::vector<ViewText>& texts) {
  std::sort(texts.begin(), texts.end(),
            [](const ViewText& a, const ViewText& b) { return toUpper(a.name) < toUpper(b.name); });
}

}  // namespace

UndoLog::~UndoLog() {
  releaseAll();
}

bool UndoLog::touchesPermanent() const {
  for (const Entry& e : entries_) {
    // Views and procedures are always the database's own.
    if (e.kind == Kind::CreateView || e.kind == Kind::DropView || e.kind == Kind::Procedure) return true;
    const Table* t = e.object ? e.object.get() : e.table;
    if (t && t->kind() == Table::Kind::User) return true;
  }
  return false;
}

bool UndoLog::touches(const Table& t) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&t](const Entry& e) { return e.table == &t || e.object.get() == &t; });
}

UndoLog::Entry& UndoLog::entryFor(Kind kind, Table& t) {
  if (entries_.size() > sealed_ && entries_.back().kind == kind && entries_.back().table == &t) {
    return entries_.back();
  }
  return newEntry(kind, t);
}

void UndoLog::changing(const Table& t) {
  if (locks_ && t.kind() == Table::Kind::User) locks_->changing(t.name());
}

UndoLog::Entry& UndoLog::newEntry(Kind kind, Table& t) {
  changing(t);
  Entry& e = entries_.emplace_back();
  e.kind = kind;
  e.table = &t;
  e.keep = t.weak_from_this().lock();
  t.pin();
  return e;
}

void UndoLog::insertedRow(Table& t, RowId id) {
  entryFor(Kind::Insert, t).ids.push_back(id);
}

void UndoLog::erasedRow(Table& t, RowId id) {
  entryFor(Kind::Erase, t).ids.push_back(id);
}

void UndoLog::updatedRow(Table& t, RowId id, Row old) {
  Entry& e = entryFor(Kind::Update, t);
  e.ids.push_back(id);
  e.rows.push_back(std::move(old));
}

void UndoLog::truncated(Table& t, TableStorage old) {
  newEntry(Kind::Truncate, t).storage = std::make_unique<TableStorage>(std::move(old));
  checkWritable(t);
}

void UndoLog::reseeding(Table& t) {
  checkWritable(t);
  newEntry(Kind::Reseed, t).identity = t.identityCurrent();
}

void UndoLog::altered(Table& t, std::unique_ptr<Table> before) {
  newEntry(Kind::Alter, t).before = std::move(before);
  checkWritable(t);
}

void UndoLog::createdTable(TableSet& set, std::shared_ptr<Table> t) {
  changing(*t);
  Entry& e = entries_.emplace_back();
  e.kind = Kind::Create;
  e.set = &set;
  e.object = std::move(t);
  checkWritable(*e.object);
}

void UndoLog::droppedTable(TableSet& set, std::shared_ptr<Table> t) {
  changing(*t);
  Entry& e = entries_.emplace_back();
  e.kind = Kind::Drop;
  e.set = &set;
  e.object = std::move(t);
  checkWritable(*e.object);
}

void UndoLog::createdView(ViewSet& set, const ViewDef& view) {
  Entry& e = entries_.emplace_back();
  e.kind = Kind::CreateView;
  e.views = &set;
  e.view = std::make_unique<ViewDef>(view);
  checkCatalogWritable();
}

void UndoLog::droppingView(ViewSet& set, const ViewDef& view) {
  Entry& e = entries_.emplace_back();
  e.kind = Kind::DropView;
  e.views = &set;
  e.view = std::make_unique<ViewDef>(view);
  checkCatalogWritable();
}

void UndoLog::checkCatalogWritable() const {
  if (permanentReadOnly_) throwSqlError(3906, {databaseName_});
}

void UndoLog::takeBackViewsInto(std::vector<ViewText>& views) const {
  bool changed = false;
  for (size_t i = entries_.size(); i-- > 0;) {
    const Entry& e = entries_[i];
    if (e.kind == Kind::CreateView) {
      std::erase_if(views, [&](const ViewText& v) { return compareText(v.name, e.view->name) == 0; });
      changed = true;
    } else if (e.kind == Kind::DropView) {
      views.push_back({e.view->name, e.view->definition});
      changed = true;
    }
  }
  if (changed) sortByName(views);
}

void UndoLog::changingProcedure(ProcedureSet& set, std::string name,
                                std::shared_ptr<const ProcedureDef> before) {
  Entry& e = entries_.emplace_back();
  e.kind = Kind::Procedure;
  e.procedures = &set;
  e.procedureName = std::move(name);
  e.procedureBefore = std::move(before);
  checkCatalogWritable();
}

void UndoLog::takeBackProceduresInto(std::vector<ProcedureText>& procedures) const {
  bool changed = false;
  for (size_t i = entries_.size(); i-- > 0;) {
    const Entry& e = entries_[i];
    if (e.kind != Kind::Procedure) continue;
    std::erase_if(procedures,
                  [&](const ProcedureText& p) { return compareText(p.name, e.procedureName) == 0; });
    if (e.procedureBefore) procedures.push_back({e.procedureBefore->name, e.procedureBefore->definition});
    changed = true;
  }
  if (changed) sortByName(procedures);
}

void UndoLog::undo(Entry& e) {
  switch (e.kind) {
    case Kind::Insert:
      for (size_t i = e.ids.size(); i-- > 0;)
        e.table->undoInsert(e.ids[i]);
      break;
    case Kind::Erase:
      for (size_t i = e.ids.size(); i-- > 0;)
        e.table->undoErase(e.ids[i]);
      break;
    case Kind::Update:
      for (size_t i = e.ids.size(); i-- > 0;)
        e.table->undoUpdate(e.ids[i], std::move(e.rows[i]));
      break;
    case Kind::Truncate:
      e.table->restoreStorage(std::move(*e.storage));
      break;
    case Kind::Alter:
      e.table->restoreFrom(std::move(*e.before));
      break;
    case Kind::Reseed:
      e.table->reseedIdentity(e.identity);
      break;
    case Kind::Create:
      e.set->remove(*e.object);
      break;
    case Kind::Drop:
      e.set->add(e.object);
      break;
    case Kind::CreateView:
      e.views->remove(e.view->name);
      break;
    case Kind::DropView:
      e.views->add(*e.view);
      break;
    case Kind::Procedure:
      if (e.procedureBefore)
        e.procedures->restore(e.procedureBefore);
      else
        e.procedures->remove(e.procedureName);
      break;
  }
}

void UndoLog::takeBackInto(CommittedView& view) const {
  // The copy of `t` that takes the changes back, made on first need; null
  // for a table created by an open transaction.
  auto copyOf = [&view](const Table& t) -> Table* {
    auto [it, added] = view.copies.try_emplace(&t);
    if (added) it->second = std::make_shared<Table>(t);
    return it->second.get();
  };
  for (size_t i = entries_.size(); i-- > 0;) {
    const Entry& e = entries_[i];
    const Table* subject = e.object ? e.object.get() : e.table;
    if (!subject || subject->kind() != Table::Kind::User) continue;
    if (e.kind == Kind::Create) {
      view.copies[subject] = nullptr;
      continue;
    }
    if (e.kind == Kind::Drop) {
      view.dropped.push_back(e.object);
      continue;
    }
    Table* copy = copyOf(*subject);
    if (!copy) continue;
    switch (e.kind) {
      case Kind::Insert:
        for (size_t k = e.ids.size(); k-- > 0;)
          copy->undoInsert(e.ids[k]);
        break;
      case Kind::Erase:
        for (size_t k = e.ids.size(); k-- > 0;)
          copy->undoErase(e.ids[k]);
        break;
      case Kind::Update:
        for (size_t k = e.ids.size(); k-- > 0;)
          copy->undoUpdate(e.ids[k], e.rows[k]);
        break;
      case Kind::Truncate:
        copy->restoreStorage(*e.storage);
        break;
      case Kind::Alter:
        copy->restoreFrom(Table(*e.before));
        break;
      case Kind::Reseed:
        copy->reseedIdentity(e.identity);
        break;
      case Kind::Create:
      case Kind::Drop:
      case Kind::CreateView:
      case Kind::DropView:
      case Kind::Procedure:
        break;
    }
  }
}

void UndoLog::release(Entry& e) {
  if (e.table) {
    e.table->unpin();
    e.table->maybeCompact();
  }
}

void UndoLog::rollbackTo(Mark m) {
  while (entries_.size() > m) {
    Entry& e = entries_.back();
    undo(e);
    release(e);
    entries_.pop_back();
  }
  sealed_ = std::min(sealed_, entries_.size());
}

void UndoLog::checkWritable(const Table& t) const {
  if (permanentReadOnly_ && t.kind() == Table::Kind::User) throwSqlError(3906, {databaseName_});
}

void UndoLog::commit() {
  if (touchesPermanent()) {
    permanentCommitted_ = true;
    if (sink_) sink_->committed(*this);
  }
  releaseAll();
}

void UndoLog::releaseAll() {
  for (Entry& e : entries_)
    release(e);
  entries_.clear();
  sealed_ = 0;
}

}  // namespace mls::tsql
