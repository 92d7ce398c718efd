// A level of execution in a session: the client's batch, the text run by
// EXEC (...) or sp_executesql, or the body of a stored procedure.  Each level has
// its own variables, SCOPE_IDENTITY() and LOCAL cursors; the session keeps the
// levels as a stack, the innermost running.
#pragma once

#include <vector>

#include "platform/tsql/exec/cursor.h"
#include "platform/tsql/exec/expr/runtime.h"

namespace mls::tsql {

class SessionImpl;

struct ExecScope {
  Frame frame;
  std::vector<int> parameterSlots;  // frame slots of the batch's ? markers, in order
  Value identity;                   // SCOPE_IDENTITY(): the last INSERT's identity at this level
  CursorSet cursors;                // LOCAL cursors, deallocated with the level
  // The body of a stored procedure: RETURN may give its status.
  bool procedure = false;
  int returnStatus = 0;
};

// Makes `scope` the session's innermost level for its lifetime.
class ScopeGuard {
 public:
  ScopeGuard(SessionImpl& session, ExecScope& scope);
  ~ScopeGuard();
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

 private:
  SessionImpl& session_;
};

}  // namespace mls::tsql
