#include "platform/tsql/exec/session_impl.h"

#include <memory>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/stmt/dynamic_sql.h"

namespace mls::tsql {

SessionImpl::SessionImpl(std::shared_ptr<Database> db) : db_(std::move(db)) {
  std::lock_guard<std::recursive_mutex> lock(database().mutex());
  database().sessions().push_back(this);
}

SessionImpl::~SessionImpl() {
  std::lock_guard<std::recursive_mutex> lock(database().mutex());
  std::erase(database().sessions(), this);
  undo_.rollback();
  temporary_.clear();
  if (std::shared_ptr<Table> t = identityInsertTable()) t->setIdentityInsert(false);
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

void SessionImpl::rollbackTransaction() {
  std::lock_guard<std::recursive_mutex> lock(database().mutex());
  undo_.rollback();
  globals_.tranCount = 0;
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
  if (scope()->stopAtFirstError) return false;
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
