#include "platform/tsql/exec/session_impl.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/stmt/dynamic_sql.h"
#include "platform/tsql/storage/database_file.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

SessionImpl::SessionImpl(std::shared_ptr<Database> db)
    : db_(std::move(db)), lockOwner_(db_->impl().nextSessionId()) {
  std::lock_guard<StatementLatch> lock(database().mutex());
  database().sessions().push_back(this);
  undo_.setObjectLocks(this);
  globals_.spid = lockOwner_.id();
}

SessionImpl::~SessionImpl() {
  std::lock_guard<StatementLatch> lock(database().mutex());
  std::erase(database().sessions(), this);
  undo_.rollback();
  temporary_.clear();
  if (std::shared_ptr<Table> t = identityInsertTable()) t->setIdentityInsert(false);
  database().locks().releaseAll(lockOwner_);
}

// ------------------------------------------------------------------- locks

namespace {

bool isTemporaryName(std::string_view name) {
  return !name.empty() && name.front() == '#';
}

}  // namespace

LockMode SessionImpl::readMode() const {
  return globals_.isolationLevel == ast::IsolationLevel::ReadUncommitted ? LockMode::SchemaStability
                                                                         : LockMode::Shared;
}

void SessionImpl::lock(std::string_view name, LockMode mode, bool toTransactionEnd) {
  if (name.empty() || isTemporaryName(name)) return;
  // The database does not allow snapshot isolation (no row versions are kept).
  if (globals_.isolationLevel == ast::IsolationLevel::Snapshot)
    throwSqlError(3952, {std::string(kDatabaseName)});
  const bool toTheEnd =
      toTransactionEnd || mode >= LockMode::Exclusive ||
      (mode == LockMode::Shared && (globals_.isolationLevel == ast::IsolationLevel::RepeatableRead ||
                                    globals_.isolationLevel == ast::IsolationLevel::Serializable));
  database().locks().acquire(lockOwner_, toUpper(name), mode,
                             toTheEnd ? LockDuration::Transaction : LockDuration::Statement,
                             globals_.lockTimeout, database().mutex());
}

bool SessionImpl::lockAsHinted(const ast::ObjectName& name, const std::vector<std::string>& hints) {
  LockMode mode = LockMode::None;
  bool toTheEnd = false;
  for (const std::string& h : hints) {
    if (h == "NOLOCK" || h == "READUNCOMMITTED") {
      mode = std::max(mode, LockMode::SchemaStability);
    } else if (h == "HOLDLOCK" || h == "SERIALIZABLE" || h == "REPEATABLEREAD") {
      mode = std::max(mode, LockMode::Shared);
      toTheEnd = true;
    } else if (h == "UPDLOCK" || h == "XLOCK" || h == "TABLOCKX") {
      mode = LockMode::Exclusive;
    }
  }
  if (mode == LockMode::None || name.isTemp()) return false;
  lock(name.name(), mode, toTheEnd);
  return true;
}

void SessionImpl::changing(std::string_view name) {
  if (isTemporaryName(name)) return;
  if (!database().locks().tryAcquire(lockOwner_, toUpper(name), LockMode::Exclusive,
                                     LockDuration::Transaction)) {
    throwSqlError(1222);
  }
}

StatementGuard::StatementGuard(SessionImpl& session) : session_(session) {
  session.beginStatement();
}

StatementGuard::~StatementGuard() {
  session_.endStatement();
}

void SessionImpl::endStatement() {
  if (--statementDepth_ > 0) return;
  if (globals_.tranCount == 0) {
    database().locks().releaseAll(lockOwner_);
  } else {
    database().locks().releaseStatement(lockOwner_);
  }
}

const ViewDef* SessionImpl::view(const ast::ObjectName& name, bool lock) {
  if (name.isTemp()) return nullptr;
  if (lock) reading(name.name());
  return views().find(name);
}

void SessionImpl::pushScope(ExecScope& s) {
  constexpr int kMaxNesting = 32;
  if (nestLevel() >= kMaxNesting) throwSqlError(217, {std::to_string(kMaxNesting)});
  scopes_.push_back(&s);
}

ScopeGuard::ScopeGuard(SessionImpl& session, ExecScope& scope) : session_(session) {
  session.pushScope(scope);
}

ScopeGuard::~ScopeGuard() {
  session_.popScope();
}

int SessionImpl::parameterSlot(int index) const {
  const std::vector<int>& slots = scopes_.back()->parameterSlots;
  if (index < 1 || static_cast<size_t>(index) > slots.size()) {
    throwSqlError(137, {"@P" + std::to_string(index)});
  }
  return slots[static_cast<size_t>(index - 1)];
}

void SessionImpl::commit(bool durableNow) {
  if (storage::DatabaseFile* file = database().file(); file && durableNow) {
    try {
      file->harden(undo_);
    } catch (...) {
      undo_.rollback();
      throw;
    }
  }
  undo_.commit();
  if (undo_.takePermanentCommitted()) database().unsaved() = true;
}

void SessionImpl::rollbackTransaction() {
  std::lock_guard<StatementLatch> lock(database().mutex());
  undo_.rollback();
  globals_.tranCount = 0;
  if (statementDepth_ == 0) database().locks().releaseAll(lockOwner_);  // else the statement's end lets go
}

bool SessionImpl::rollsBackTransaction(const SqlError& e) const {
  const ErrorClass c = errorClass(e.number());
  // SET ARITHABORT ON with ANSI_WARNINGS OFF: an arithmetic error ends the batch.
  const SessionOptions& o = globals_.options;
  if (o.arithAbort && !o.ansiWarnings && arithmeticWarning(e.number()) != 0) return true;
  return c == ErrorClass::Batch ||
         (globals_.options.xactAbort && c == ErrorClass::Statement && !isRaiserror(e.number()));
}

bool SessionImpl::continueAfter(const SqlError& e, bool nestedLevel) {
  globals_.error = e.number();
  if (rollsBackTransaction(e)) {
    rollbackTransaction();
    return false;
  }
  if (errorClass(e.number()) == ErrorClass::Scope && !nestedLevel) return false;
  errors_.push_back(e);
  return true;
}

void SessionImpl::endBatch(const SqlError& e) {
  globals_.error = e.number();
  if (rollsBackTransaction(e)) rollbackTransaction();
  errors_.push_back(e);
}

BatchResult SessionImpl::execute(std::string_view text, const std::vector<BoundParameter>& params) {
  BatchResult out;
  errors_.clear();
  // While the batch runs, a lock wait of another connection of this thread
  // on this session's locks can end; between batches it cannot.
  struct Running {
    SessionImpl& s;
    explicit Running(SessionImpl& session) : s(session) { s.database().locks().running(s.lockOwner_, true); }
    ~Running() { s.database().locks().running(s.lockOwner_, false); }
  } running(*this);
  // Nothing but a SqlError leaves the engine: whatever else a statement throws
  // was taken back with the statement and becomes an internal error.
  try {
    ExecScope scope;
    bindParameters(scope, params);
    ScopeGuard guard(*this, scope);
    runBatch(*this, text, out);
  } catch (...) {
    endBatch(internalError(std::current_exception()));
  }
  if (errors_.empty()) return out;
  for (const SqlError& e : errors_)
    out.errors.push_back(e.toMessage());
  SqlError first = errors_.front();
  errors_.clear();
  first.setPartial(std::move(out));
  throw first;
}

}  // namespace mls::tsql
