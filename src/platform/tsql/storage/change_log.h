// What commits changed, as the records of a database file's write-ahead log
// hold it, and the replay of such records.
//
// A record's payload is a run of operations, applied in order:
//   drop  | table id                      a table dropped
//   table | the table as the image holds it  a table created, altered or
//                                           truncated: replaces the table of
//                                           its id
//   rows  | table id | erased rows | updated rows (before, after) | inserted rows
//   identity | table id | current value | used
//   views | every view's name and definition
//   procedures | every stored procedure's name and definition
// A commit records each permanent table it changed by its net effect: the rows
// it took away as they were, the rows it changed before and after, the rows it
// added in the order they went in.  A commit to a table that another open
// transaction changed too is not logged: its rows may hold that transaction's
// values, which a rollback takes back; the next write is a checkpoint of what
// is committed instead.  Replay finds a row by its values (through a
// unique key when one holds no NULL), so rows equal in every column are
// interchangeable, and rows of a heap that two transactions added at once come
// back in the order of their commits.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <utility>
#include <vector>

#include "platform/tsql/catalog/system_views.h"
#include "platform/tsql/catalog/table_set.h"
#include "platform/tsql/catalog/undo_log.h"
#include "platform/tsql/storage/byte_io.h"

namespace mls::tsql::storage {

// What storage needs of the database it keeps in a file (the engine gives
// it): the tables, the views, the procedures, and what open transactions changed, so that
// what is written holds committed changes only.  Called with the database
// mutex held or while no session is open.
class HeldDatabase {
 public:
  virtual ~HeldDatabase() = default;
  virtual TableSet& tables() = 0;
  // The committed views; with `committing`, that transaction's views count
  // as committed.
  virtual std::vector<ViewText> views(const UndoLog* committing = nullptr) = 0;
  // Replaces every view; SqlError when a definition does not parse.
  virtual void setViews(const std::vector<ViewText>& views) = 0;
  // The committed procedures; with `committing`, that transaction's
  // procedures count as committed.
  virtual std::vector<ProcedureText> procedures(const UndoLog* committing = nullptr) = 0;
  // Replaces every procedure; SqlError when a definition does not parse.
  virtual void setProcedures(const std::vector<ProcedureText>& procedures) = 0;
  // What open transactions changed (`committing`'s counts as committed).
  virtual CommittedView openChanges(const UndoLog* committing = nullptr) = 0;
  // Whether an open transaction other than the one `committing` holds changed `t`.
  virtual bool changedElsewhere(const Table& t, const UndoLog& committing) = 0;
};

// Collects what commits change, for the next record of the log.
class ChangeRecorder : public CommitSink {
 public:
  explicit ChangeRecorder(HeldDatabase& db) : db_(db) {}

  void committed(const UndoLog& log) noexcept override;

  // For a commit written before its undo log lets go (DatabaseFile::harden):
  // where the unwritten changes end, then recorded() says the undo log's
  // commit is recorded already; withdraw() takes it out again when it could
  // not be written.
  struct Mark {
    size_t size;
    bool broken;
  };
  Mark mark() const { return {pending_.size(), broken_}; }
  void recorded(const UndoLog* log) { recorded_ = log; }
  void withdraw(Mark m) {
    pending_.bytes().resize(m.size);
    broken_ = m.broken;
    recorded_ = nullptr;
  }

  // The payload of the next record: the commits since the last one written
  // and the identities, views and procedures that changed since; empty when
  // nothing did.
  // written() then forgets what it held; a failed write keeps it for the next.
  struct Next {
    std::vector<uint8_t> payload;
    std::map<int32_t, std::pair<int64_t, bool>> identities;
    std::vector<ViewText> views;
    std::vector<ProcedureText> procedures;
  };
  Next next();
  void written(Next&& n);
  // A commit could not be recorded (a table another open transaction changed
  // too, or that cannot be stored): only a checkpoint holds it.
  bool broken() const { return broken_; }
  // Starts over from what the file holds now (after a load or a checkpoint).
  void restart();
  // Whether commits wait to be written.
  bool pending() const { return pending_.size() > 0 || broken_; }

 private:
  HeldDatabase& db_;
  ByteWriter pending_;
  const UndoLog* recorded_ = nullptr;  // its commit is in pending_ already
  bool broken_ = false;
  std::map<int32_t, std::pair<int64_t, bool>> identities_;  // as the file holds them, by table id
  std::vector<ViewText> views_;                             // as the file holds them
  std::vector<ProcedureText> procedures_;                   // as the file holds them
};

// Applies one record's payload to the database.  Throws FormatError when the
// record does not fit the tables (a table or row it names is missing, a key
// would be duplicated, a value does not fit its column).
void replayRecord(std::span<const uint8_t> payload, HeldDatabase& db);

}  // namespace mls::tsql::storage
