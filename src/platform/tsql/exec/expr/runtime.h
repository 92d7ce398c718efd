// The state a bound expression reads while it runs: the current rows of the
// query's sources, the enclosing query's context (correlation), the batch's
// variables and the session's global values.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/errors.h"
#include "platform/tsql/parse/ast.h"
#include "platform/tsql/types/datetime_text.h"
#include "platform/tsql/types/functions.h"
#include "platform/tsql/types/value.h"

namespace mls::tsql {

class Catalog;
class SessionImpl;

// A variable of a batch (or a bound parameter, declared before the batch).
struct VariableSlot {
  std::string name;  // "@name"
  SqlType type;
  Value value;
  ast::Pos declaredAt;  // parameters: line 0, before every statement
};

// The variables of one batch, in declaration order; a statement binds a name to
// its index once, so a running expression reads its variable without a lookup.
class Frame {
 public:
  // Index of `name` (any case), or -1.
  int find(std::string_view name) const;
  int add(std::string name, SqlType type, ast::Pos declaredAt);
  VariableSlot& at(int index) {
    assert(index >= 0 && static_cast<size_t>(index) < vars_.size() && "a variable slot of this frame");
    return vars_[static_cast<size_t>(index)];
  }
  const VariableSlot& at(int index) const {
    assert(index >= 0 && static_cast<size_t>(index) < vars_.size() && "a variable slot of this frame");
    return vars_[static_cast<size_t>(index)];
  }

 private:
  std::vector<VariableSlot> vars_;
};

// The session's SET options.  EXEC of a string and sp_executesql run with the
// caller's, and what the text sets is undone when it returns.
struct SessionOptions {
  bool noCount = false;
  bool xactAbort = false;                // SET XACT_ABORT ON
  DateOrder dateOrder = DateOrder::Mdy;  // SET DATEFORMAT; SET LANGUAGE us_english resets it
  int64_t rowLimit = 0;                  // SET ROWCOUNT n: a statement stops after n rows; 0 no limit
  bool ansiWarnings = true;              // SET ANSI_WARNINGS
  bool arithAbort = true;                // SET ARITHABORT
  // Both OFF: an arithmetic error gives NULL and a warning.
  bool arithmeticGivesNull() const { return !ansiWarnings && !arithAbort; }
};

// The session-wide values of @@functions, and its SET options.
struct GlobalState {
  int64_t rowCount = 0;
  int error = 0;
  Value identity;  // @@IDENTITY: NULL until an identity value was inserted
  SessionOptions options;
  // Kept apart from `options` (a transaction reads them), yet restored as
  // they are when a procedure, EXEC (...) or sp_executesql returns.
  ast::IsolationLevel isolationLevel = ast::IsolationLevel::ReadCommitted;
  int64_t lockTimeout = -1;  // SET LOCK_TIMEOUT, in milliseconds: -1 waits without end
  int spid = 51;             // @@SPID: the session's id, which lock errors (1205) name too
  int tranCount = 0;         // open BEGIN TRAN levels
  int fetchStatus = -1;      // @@FETCH_STATUS: 0 after a FETCH that found a row, else -1
};

// Everything a running statement reaches besides its rows.
struct ExecEnv {
  SessionImpl* session = nullptr;
  Frame* frame = nullptr;
  GlobalState* globals = nullptr;
  FunctionContext functions;    // GETDATE() of the running statement
  bool nullEliminated = false;  // an aggregate of the running statement skipped a NULL (8153)
  // SET ANSI_WARNINGS OFF and ARITHABORT OFF for the running statement: an
  // arithmetic error gives NULL, its warning noted in `arithmeticWarnings`.
  bool arithmeticGivesNull = false;
  std::vector<int> arithmeticWarnings;  // 3606, 3607, 3622, each once
};

// The rows an expression reads: rows[slot] is the current row of the query's
// source `slot` (its column values in table order); `outer` is the context of
// the enclosing query for a correlated subquery.
struct EvalContext {
  const Value* const* rows = nullptr;
  const EvalContext* outer = nullptr;
  ExecEnv* env = nullptr;
};

// Evaluates `f`; where the statement runs with arithmetic errors giving NULL,
// such an error gives NULL and notes its warning instead.
template <class F>
Value nullOnArithmeticError(const EvalContext& c, F&& f) {
  if (c.env == nullptr || !c.env->arithmeticGivesNull) return f();
  try {
    return f();
  } catch (const SqlError& e) {
    int warning = arithmeticWarning(e.number());
    if (warning == 0) throw;
    std::vector<int>& noted = c.env->arithmeticWarnings;
    if (std::find(noted.begin(), noted.end(), warning) == noted.end()) noted.push_back(warning);
    return Value();
  }
}

}  // namespace mls::tsql
