// The implementation behind Database and Session: the permanent tables under
// the database's lock, and a session's temporary tables, global values, undo
// log and the running batch's variables.
#pragma once

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/catalog/procedure_set.h"
#include "platform/tsql/catalog/view_set.h"
#include "platform/tsql/engine.h"
#include "platform/tsql/exec/bind/bind_context.h"
#include "platform/tsql/exec/exec_scope.h"
#include "platform/tsql/exec/expr/runtime.h"
#include "platform/tsql/exec/lock_manager.h"

namespace mls::tsql {

namespace storage {
class DatabaseFile;
}

class DatabaseImpl {
 public:
  DatabaseImpl() = default;
  // One statement at a time; a statement waiting for a lock gives it up.
  StatementLatch& mutex() { return latch_; }
  LockManager& locks() { return locks_; }
  // The process id of the next session (@@SPID, the deadlock message).
  int nextSessionId() { return nextSessionId_++; }
  TableSet& permanent() { return permanent_; }
  // Guarded by mutex().
  ProcedureSet& procedures() { return procedures_; }
  ViewSet& views() { return views_; }
  // The file the permanent tables are saved to (null in memory), and whether
  // they may have changed since the last save (storage/file_databases.h).
  storage::DatabaseFile* file() const { return file_.get(); }
  void setFile(std::shared_ptr<storage::DatabaseFile> f) { file_ = std::move(f); }
  std::atomic<bool>& unsaved() { return unsaved_; }
  // The sessions open on the database, guarded by mutex(): a save leaves out
  // what their open transactions changed.
  std::vector<SessionImpl*>& sessions() { return sessions_; }
  // The database's own name (Database::name).
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }

 private:
  StatementLatch latch_;
  LockManager locks_;
  std::atomic<int> nextSessionId_{51};
  TableSet permanent_;
  ProcedureSet procedures_;
  ViewSet views_;
  std::shared_ptr<storage::DatabaseFile> file_;
  std::atomic<bool> unsaved_{false};
  std::vector<SessionImpl*> sessions_;
  std::string name_;
};

class SessionImpl;

// One statement of a session (SessionImpl::beginStatement) for its lifetime.
class StatementGuard {
 public:
  explicit StatementGuard(SessionImpl& session);
  ~StatementGuard();
  StatementGuard(const StatementGuard&) = delete;
  StatementGuard& operator=(const StatementGuard&) = delete;

 private:
  SessionImpl& session_;
};

class SessionImpl final : public BindContext, public ObjectLocks {
 public:
  // `databaseName`: the name the session gives its database (engine.h's
  // Session); empty: the database's own.
  SessionImpl(std::shared_ptr<Database> db, std::string_view databaseName);
  ~SessionImpl();

  // Runs a client batch; throws its first error once it ended (engine.h).
  BatchResult execute(std::string_view text, const std::vector<BoundParameter>& params);

  // Commits what the undo log holds (no transaction is open any more): a
  // file database's log holds the commit on disk first, before any other
  // session can read it, or 3202 is raised with the changes taken back,
  // saying what was not saved (`explicitCommit`: a transaction's COMMIT, else
  // an autocommit statement).
  void commit(bool explicitCommit);

  // Called with the error `e` that ended a statement of the running batch
  // (the statement itself already taken back; `nestedLevel`: the error left
  // an EXEC of a nested level).  Applies what the error ends (errors.h):
  // true when the batch goes on, the error kept for the caller; false when
  // it must end the batch, the transaction rolled back when its class or SET
  // XACT_ABORT says so.
  bool continueAfter(const SqlError& e, bool nestedLevel);

  Catalog catalog() override {
    return Catalog(db_->impl().permanent(), temporary_, &db_->impl().views(), this, &db_->impl().procedures(),
                   std::max(nestLevel(), 0), databaseName_);
  }
  // The name of the session's database: DB_NAME(), the database part of a
  // three-part name that stays in it, the name messages give it.
  const std::string& databaseName() const { return databaseName_; }
  const ViewSet& views() override { return db_->impl().views(); }
  const ViewDef* view(const ast::ObjectName& name, bool lock = true) override;

  // ---------------------------------------------------------------- locks
  // Locks the permanent object `name` (a table or view; nothing for a
  // temporary name) in `mode`, waiting as LockManager says: exclusive and
  // schema modification locks last to the end of the transaction, shared ones
  // to the end of the statement (of the transaction under REPEATABLE READ and
  // SERIALIZABLE), schema stability (READ UNCOMMITTED) to the statement's end.
  void lock(std::string_view name, LockMode mode, bool toTransactionEnd = false);
  // A read's locking hints: NOLOCK and READUNCOMMITTED read as READ
  // UNCOMMITTED does; READCOMMITTED and READCOMMITTEDLOCK take a shared lock
  // let go at the statement's end whatever the isolation level; HOLDLOCK,
  // SERIALIZABLE and REPEATABLEREAD keep the shared lock to the transaction's
  // end; UPDLOCK takes an update lock, XLOCK and TABLOCKX an exclusive one,
  // both to the transaction's end; NOWAIT does not wait (1222 at once);
  // NOEXPAND is 8171.  False when none of them locks (the name is then
  // locked as any read when it resolves).
  bool lockAsHinted(const ast::ObjectName& name, const std::vector<std::string>& hints) override;
  // Locks the table an INSERT, UPDATE or DELETE changes exclusively to the
  // transaction's end, as its hints allow: NOWAIT does not wait; NOLOCK and
  // READUNCOMMITTED are 1065.
  void lockForChange(const ast::ObjectName& name, const std::vector<std::string>& hints);
  std::vector<std::string>& viewHints() override { return viewHints_; }
  void reading(std::string_view name) override { lock(name, readMode()); }
  // The safety net of the undo log: a change to a table the statement did
  // not lock takes the lock without waiting, or ends the statement (1222).
  void changing(std::string_view name) override;
  // A statement begins / ends: at the outermost end the statement's locks
  // go, and all of them when no transaction is open.
  void beginStatement() { ++statementDepth_; }
  void endStatement();
  // What a read locks under the session's isolation level.
  LockMode readMode() const;
  TableSet& temporaryTables() { return temporary_; }
  GlobalState& globals() { return globals_; }
  UndoLog& undo() { return undo_; }
  DatabaseImpl& database() { return db_->impl(); }
  // The innermost running level of execution (null between batches) and its
  // variables.
  ExecScope* scope() { return scopes_.empty() ? nullptr : scopes_.back(); }
  Frame* frame() override { return scopes_.empty() ? nullptr : &scopes_.back()->frame; }
  // Levels below the client's batch (@@NESTLEVEL).
  int nestLevel() const { return static_cast<int>(scopes_.size()) - 1; }
  // Enters a level (217 beyond 32 nested levels) / leaves the innermost.
  void pushScope(ExecScope& s);
  void popScope() { scopes_.pop_back(); }
  // The frame slot of parameter marker `index` (1-based): the index-th bound parameter.
  int parameterSlot(int index) const override;
  // The functions of catalog_functions.cpp.
  const SessionFunction* sessionFunction(std::string_view upperName) const override;
  // GLOBAL cursors: they live until DEALLOCATE or the session's end.
  CursorSet& globalCursors() { return globalCursors_; }
  // The table whose IDENTITY_INSERT this session set ON (the flag itself is
  // the table's, so it holds for every session while it is on).
  std::shared_ptr<Table> identityInsertTable() const { return identityInsertTable_.lock(); }
  void setIdentityInsertTable(const std::shared_ptr<Table>& t) { identityInsertTable_ = t; }

 private:
  std::shared_ptr<Database> db_;
  std::string databaseName_;
  TableSet temporary_;
  GlobalState globals_;
  UndoLog undo_;
  std::vector<ExecScope*> scopes_;
  CursorSet globalCursors_;
  std::weak_ptr<Table> identityInsertTable_;
  std::vector<SqlError> errors_;  // the errors of the running client batch
  LockOwner lockOwner_;
  int statementDepth_ = 0;
  std::vector<std::string> viewHints_;  // the hints of the views being read (lockAsHinted)

  // Whether a lock of `mode` lasts to the transaction's end: update and
  // stronger always, shared under REPEATABLE READ and SERIALIZABLE.
  bool keptToTransactionEnd(LockMode mode) const;
  void acquire(std::string_view name, LockMode mode, bool toTransactionEnd, int64_t timeoutMs);
  void rollbackTransaction();
  // Whether `e` takes the open transaction back with it (its class, SET
  // XACT_ABORT ON, or an arithmetic error under ARITHABORT ON and
  // ANSI_WARNINGS OFF).
  bool rollsBackTransaction(const SqlError& e) const;
  // Keeps the error that ended the batch (rolling back as continueAfter does).
  void endBatch(const SqlError& e);
};

}  // namespace mls::tsql
