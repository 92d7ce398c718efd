// The undo log of a session: every change to tables and to the catalog, kept
// so that it can be taken back, newest first.
//
// A statement runs between a mark and either nothing (success) or
// rollbackTo(mark) (failure):
//
//   UndoLog::Mark m = undo.mark();
//   try { ...run the statement...; } catch (...) { undo.rollbackTo(m); throw; }
//   if (!inTransaction) undo.commit();
//
// Outside a transaction the executor commits after every statement; inside
// BEGIN TRAN the entries stay until COMMIT (commit()) or ROLLBACK (rollback()).
// Consecutive changes of one kind to one table share an entry, so a 1M-row
// INSERT costs a row id per row, and a DELETE nothing beyond the id (deleted
// rows keep their values as tombstones until the log lets go of the table).
// Entries keep the tables they touch alive (tables are held by shared_ptr), so
// a table dropped by another session stays valid until this log lets go.
// Tables created on the stack are not kept alive: commit or roll back first.
//
// The log also tells its owner when changes to permanent (user) tables were
// committed, hands each commit of such changes to the database's journal (a
// CommitSink: a file database logs what the commit changed) and refuses them
// (3906) when the database is read-only.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/tsql/catalog/object_locks.h"
#include "platform/tsql/catalog/procedure_set.h"
#include "platform/tsql/catalog/system_views.h"
#include "platform/tsql/catalog/table.h"
#include "platform/tsql/catalog/view_set.h"

namespace mls::tsql {

class TableSet;

// The permanent tables as they were before the changes of open transactions,
// for saving committed state only: each changed table maps to a copy with
// those changes taken back (null for a table an open transaction created),
// and the tables an open transaction dropped are listed.
struct CommittedView {
  std::map<const Table*, std::shared_ptr<Table>> copies;
  std::vector<std::shared_ptr<Table>> dropped;
  bool empty() const { return copies.empty() && dropped.empty(); }
};

class UndoLog;

// Told of every commit that changed permanent tables, before the log lets go
// of its entries: the tables then hold what the commit made.
class CommitSink {
 public:
  virtual ~CommitSink() = default;
  virtual void committed(const UndoLog& log) noexcept = 0;
};

class UndoLog {
 public:
  using Mark = size_t;
  enum class Kind {
    Insert,
    Erase,
    Update,
    Truncate,
    Alter,
    Create,
    Drop,
    Reseed,
    CreateView,
    DropView,
    Procedure  // CREATE, ALTER or DROP PROCEDURE
  };
  // One recorded change as a CommitSink reads it: the table changed (the
  // object for Create and Drop), the row ids and, for Update, the rows as they
  // were before (parallel to the ids).
  struct Change {
    Kind kind;
    const Table* table;
    std::span<const RowId> ids;
    std::span<const Row> before;
  };

  UndoLog() = default;
  UndoLog(const UndoLog&) = delete;
  UndoLog& operator=(const UndoLog&) = delete;
  ~UndoLog();  // keeps every change, as commit() does without its checks

  // The current end of the log; later changes never merge into entries before it.
  Mark mark() {
    sealed_ = entries_.size();
    return sealed_;
  }
  // Undoes the changes recorded after `m`, newest first.
  void rollbackTo(Mark m);
  void rollback() { rollbackTo(0); }
  // Keeps every change and forgets the log (tables may compact afterwards).
  void commit();
  bool empty() const { return entries_.empty(); }
  // Whether a change recorded here is the database's own (a permanent
  // table's, a view's or a procedure's): its commit goes to the database's
  // journal.
  bool touchesPermanent() const;

  // Takes this log's changes to permanent tables back in `view`, leaving the
  // tables and the log as they are.
  void takeBackInto(CommittedView& view) const;
  // Takes this log's CREATE and DROP VIEW back in `views` (kept in name order).
  void takeBackViewsInto(std::vector<ViewText>& views) const;
  // Takes this log's CREATE, ALTER and DROP PROCEDURE back in `procedures`
  // (kept in name order).
  void takeBackProceduresInto(std::vector<ProcedureText>& procedures) const;

  // The changes to permanent tables, oldest first.
  template <class F>
  void forEachPermanentChange(F&& f) const {
    for (const Entry& e : entries_) {
      const Table* t = e.object ? e.object.get() : e.table;
      if (t && t->kind() == Table::Kind::User) f(Change{e.kind, t, e.ids, e.rows});
    }
  }
  void setCommitSink(CommitSink* sink) { sink_ = sink; }
  // Asked before the first change to a permanent table an entry records.
  void setObjectLocks(ObjectLocks* locks) { locks_ = locks; }
  // Whether a change recorded here (not yet committed or taken back) touches `t`.
  bool touches(const Table& t) const;

  void setPermanentReadOnly(bool on) { permanentReadOnly_ = on; }
  // The name of the database in messages (3906, 515): the session's.
  void setDatabaseName(std::string name) { databaseName_ = std::move(name); }
  const std::string& databaseName() const { return databaseName_; }
  // Raises 3906 when `t` is a permanent table and they are read-only: tables
  // ask before they change, and the recording of a catalog change asks after
  // it recorded (the caller's rollback then takes the change back).
  void checkWritable(const Table& t) const;
  // Whether changes to permanent tables were committed since the last call.
  bool takePermanentCommitted() { return std::exchange(permanentCommitted_, false); }

  // ------------------------------------------ recording (Table and Catalog)
  void insertedRow(Table& t, RowId id);
  void erasedRow(Table& t, RowId id);
  void updatedRow(Table& t, RowId id, Row old);
  void truncated(Table& t, TableStorage old);
  // Before a reseed of `t`'s identity (DBCC CHECKIDENT).
  void reseeding(Table& t);
  // The definition (and rows) of `t` before an ALTER TABLE or index DDL.
  void altered(Table& t, std::unique_ptr<Table> before);
  void createdTable(TableSet& set, std::shared_ptr<Table> t);
  void droppedTable(TableSet& set, std::shared_ptr<Table> t);
  // After CREATE VIEW added `view` to `set` / before DROP VIEW takes it out.
  void createdView(ViewSet& set, const ViewDef& view);
  void droppingView(ViewSet& set, const ViewDef& view);
  // Before CREATE, ALTER or DROP PROCEDURE changes the procedure `name` of
  // `set`, `before` its definition then (null: none).
  void changingProcedure(ProcedureSet& set, std::string name, std::shared_ptr<const ProcedureDef> before);

 private:
  struct Entry {
    Kind kind;
    Table* table = nullptr;
    std::shared_ptr<Table> keep;            // keeps `table` alive while the entry exists (when shared)
    std::vector<RowId> ids;                 // Insert, Erase, Update
    std::vector<Row> rows;                  // Update: old values, parallel to ids
    std::unique_ptr<TableStorage> storage;  // Truncate
    std::unique_ptr<Table> before;          // Alter
    TableSet* set = nullptr;                // Create, Drop
    std::shared_ptr<Table> object;          // Create, Drop
    int64_t identity = 0;                   // Reseed: the identity value before
    ViewSet* views = nullptr;               // CreateView, DropView
    std::unique_ptr<ViewDef> view;          // CreateView, DropView
    ProcedureSet* procedures = nullptr;     // Procedure
    std::string procedureName;              // Procedure
    std::shared_ptr<const ProcedureDef> procedureBefore;  // Procedure: null when there was none
  };
  Entry& entryFor(Kind kind, Table& t);  // the last entry when it takes the change, else a new one
  Entry& newEntry(Kind kind, Table& t);
  void releaseAll();
  void undo(Entry& e);
  void release(Entry& e);

  std::vector<Entry> entries_;
  size_t sealed_ = 0;  // entries before this index take no more changes
  bool permanentReadOnly_ = false;
  std::string databaseName_{kDefaultDatabaseName};
  bool permanentCommitted_ = false;
  CommitSink* sink_ = nullptr;
  ObjectLocks* locks_ = nullptr;
  void changing(const Table& t);
  // 3906 after a view or procedure change was recorded, when the database is read-only.
  void checkCatalogWritable() const;
};

}  // namespace mls::tsql
