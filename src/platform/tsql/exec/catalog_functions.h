// Built-in functions that read the catalog or the session: OBJECT_ID,
// IDENT_CURRENT, COL_LENGTH, OBJECTPROPERTY, DB_NAME and SCOPE_IDENTITY.  The
// binder finds them here; they run against the session (exec/catalog_functions.cpp).
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/tsql/exec/expr/bound_expr.h"

namespace mls::tsql {

class SessionImpl;
class Table;

struct SessionFunction {
  NativeFn fn;
  SqlType result;
  std::vector<SqlType> params;  // the arguments are converted to these types
  size_t minArgs = 0;
};

// OBJECT_ID(name [, type]) against the running session's catalog.
Value objectIdOf(const std::vector<Value>& args, const EvalContext& c);

// The function named `upperName`, or nullptr.
const SessionFunction* findSessionFunction(std::string_view upperName);

// The table a name given as text names ("t", "dbo.t", "[t]", "#t",
// "tempdb..#t"), or nullptr.
std::shared_ptr<Table> tableNamed(SessionImpl& session, std::string_view text);

}  // namespace mls::tsql
