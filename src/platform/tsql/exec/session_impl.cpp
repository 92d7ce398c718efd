#include "platform/tsql/exec/session_impl.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/stmt/dynamic_sql.h"
#include "platform/tsql/storage/database_file.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

SessionImpl::SessionImpl(std::shared_ptr<Database> db, std::string_view databaseName)
    : db_(std::move(db)),
      databaseName_(databaseName.empty() ? db_->impl().name() : std::string(databaseName)),
      lockOwner_(db_->impl().nextSessionId()) {
  undo_.setDatabaseName(databaseName_);
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

bool SessionImpl::keptToTransactionEnd(LockMode mode) const {
  return mode >= LockMode::Update ||
         (mode == LockMode::Shared && (globals_.isolationLevel == ast::IsolationLevel::RepeatableRead ||
                                       globals_.isolationLevel == ast::IsolationLevel::Serializable));
}

void SessionImpl::acquire(std::string_view name, LockMode mode, bool toTransactionEnd, int64_t timeoutMs) {
  if (name.empty() || isTemporaryName(name)) return;
  // The database does not allow snapshot isolation (no row versions are kept).
  if (globals_.isolationLevel == ast::IsolationLevel::Snapshot) throwSqlError(3952, {databaseName_});
  database().locks().acquire(lockOwner_, toUpper(name), mode,
                             toTransactionEnd ? LockDuration::Transaction : LockDuration::Statement,
                             timeoutMs, database().mutex());
}

void SessionImpl::lock(std::string_view name, LockMode mode, bool toTransactionEnd) {
  acquire(name, mode, toTransactionEnd || keptToTransactionEnd(mode), globals_.lockTimeout);
}

namespace {

// What a table's hints ask of its lock (the words checked by the parser).
struct HintedLock {
  LockMode mode = LockMode::None;  // None: as a read under the isolation level
  bool toTransactionEnd = false;   // HOLDLOCK, SERIALIZABLE, REPEATABLEREAD
  bool statementOnly = false;      // READCOMMITTED(LOCK): let go at the statement's end
  bool noWait = false;             // NOWAIT: a lock time-out of 0 for the table
};

HintedLock hintedLock(const ast::ObjectName& name, const std::vector<std::string>& hints) {
  HintedLock l;
  for (const std::string& h : hints) {
    if (h == "NOLOCK" || h == "READUNCOMMITTED") {
      l.mode = std::max(l.mode, LockMode::SchemaStability);
    } else if (h == "READCOMMITTED" || h == "READCOMMITTEDLOCK") {
      l.mode = std::max(l.mode, LockMode::Shared);
      l.statementOnly = true;
    } else if (h == "HOLDLOCK" || h == "SERIALIZABLE" || h == "REPEATABLEREAD") {
      l.mode = std::max(l.mode, LockMode::Shared);
      l.toTransactionEnd = true;
    } else if (h == "UPDLOCK") {
      l.mode = std::max(l.mode, LockMode::Update);
    } else if (h == "XLOCK" || h == "TABLOCKX") {
      l.mode = LockMode::Exclusive;
    } else if (h == "NOWAIT") {
      l.noWait = true;
    } else if (h == "NOEXPAND") {
      throwSqlError(8171, {"noexpand", name.name()});  // valid on indexed views only, which the engine lacks
    }
  }
  return l;
}

// INDEX(a,1) names indexes of the table `name` by name (308 when it has no
// such index) or by id (0 the table itself, 1 its clustered index; 307 when
// there is none).
void checkIndexHints(const Catalog& catalog, const ast::ObjectName& name,
                     const std::vector<std::string>& hints) {
  for (const std::string& h : hints) {
    if (!h.starts_with("INDEX(")) continue;
    std::shared_ptr<Table> table = catalog.findTable(name, false);
    if (!table) return;  // a view: its tables are checked as they bind
    std::string_view list = std::string_view(h).substr(6, h.size() - 7);
    while (!list.empty()) {
      const size_t comma = std::min(list.find(','), list.size());
      const std::string index(list.substr(0, comma));
      list.remove_prefix(std::min(comma + 1, list.size()));
      if (std::isdigit(static_cast<unsigned char>(index.front()))) {
        const long id = std::strtol(index.c_str(), nullptr, 10);
        if (id != 0 && std::none_of(table->indexes().begin(), table->indexes().end(),
                                    [&](const IndexDef& d) { return d.indid == id; }))
          throwSqlError(307, {index, name.name()});
      } else if (!table->findIndex(index)) {
        throwSqlError(308, {index, name.name()});
      }
    }
  }
}

}  // namespace

bool SessionImpl::lockAsHinted(const ast::ObjectName& name, const std::vector<std::string>& hints) {
  checkIndexHints(catalog(), name, hints);
  std::vector<std::string> all = hints;
  all.insert(all.end(), viewHints_.begin(), viewHints_.end());
  const HintedLock l = hintedLock(name, all);
  if ((l.mode == LockMode::None && !l.noWait) || name.isTemp()) return false;
  const LockMode mode = l.mode == LockMode::None ? readMode() : l.mode;
  const bool toTheEnd =
      l.toTransactionEnd || (!l.statementOnly && keptToTransactionEnd(mode)) || mode >= LockMode::Update;
  acquire(name.name(), mode, toTheEnd, l.noWait ? 0 : globals_.lockTimeout);
  return true;
}

void SessionImpl::lockForChange(const ast::ObjectName& name, const std::vector<std::string>& hints) {
  checkIndexHints(catalog(), name, hints);
  const HintedLock l = hintedLock(name, hints);
  if (l.mode == LockMode::SchemaStability) throwSqlError(1065);
  acquire(name.name(), LockMode::Exclusive, true, l.noWait ? 0 : globals_.lockTimeout);
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

void SessionImpl::commit(bool explicitCommit) {
  if (storage::DatabaseFile* file = database().file()) {
    try {
      file->harden(undo_);
    } catch (const SqlError& e) {
      undo_.rollback();
      throw SqlError(
          e.number(), e.severity(), e.state(), e.line(),
          e.message() + (explicitCommit ? " The transaction was not saved and is rolled back."
                                        : " The statement's changes were not saved and are rolled back."));
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
