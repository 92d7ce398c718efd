#include "platform/tsql/exec/session_impl.h"

#include <memory>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/dynamic_sql.h"

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

BatchResult SessionImpl::execute(std::string_view text, const std::vector<BoundParameter>& params) {
  BatchResult out;
  ExecScope scope;
  bindParameters(scope, params);
  try {
    ScopeGuard guard(*this, scope);
    runBatch(*this, text, out);
  } catch (SqlError& e) {
    e.setPartial(std::move(out));
    throw;
  }
  return out;
}

}  // namespace mls::tsql
