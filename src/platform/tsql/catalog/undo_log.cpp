#include "platform/tsql/catalog/undo_log.h"

#include <algorithm>

#include "platform/tsql/catalog/table_set.h"

namespace mls::tsql {

UndoLog::~UndoLog() {
  commit();
}

UndoLog::Entry& UndoLog::entryFor(Kind kind, Table& t) {
  if (entries_.size() > sealed_ && entries_.back().kind == kind && entries_.back().table == &t) {
    return entries_.back();
  }
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
  Entry& e = entries_.emplace_back();
  e.kind = Kind::Truncate;
  e.table = &t;
  e.keep = t.weak_from_this().lock();
  e.storage = std::make_unique<TableStorage>(std::move(old));
  t.pin();
}

void UndoLog::altered(Table& t, std::unique_ptr<Table> before) {
  Entry& e = entries_.emplace_back();
  e.kind = Kind::Alter;
  e.table = &t;
  e.keep = t.weak_from_this().lock();
  e.before = std::move(before);
  t.pin();
}

void UndoLog::createdTable(TableSet& set, std::shared_ptr<Table> t) {
  Entry& e = entries_.emplace_back();
  e.kind = Kind::Create;
  e.set = &set;
  e.object = std::move(t);
}

void UndoLog::droppedTable(TableSet& set, std::shared_ptr<Table> t) {
  Entry& e = entries_.emplace_back();
  e.kind = Kind::Drop;
  e.set = &set;
  e.object = std::move(t);
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
    case Kind::Create:
      e.set->remove(*e.object);
      break;
    case Kind::Drop:
      e.set->add(e.object);
      break;
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

void UndoLog::commit() {
  for (Entry& e : entries_)
    release(e);
  entries_.clear();
  sealed_ = 0;
}

}  // namespace mls::tsql
