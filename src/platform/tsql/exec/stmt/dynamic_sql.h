// Running a batch's text in a level of execution: the client's batch, and
// the nested levels of EXEC (...), sp_executesql and stored procedures.
#pragma once

#include <string_view>
#include <vector>

#include "platform/tsql/engine.h"
#include "platform/tsql/exec/exec_scope.h"
#include "platform/tsql/parse/ast.h"

namespace mls::tsql {

class SessionImpl;

// Declares `params` in `scope`'s frame before any variable of the batch and
// makes them the values of the ? markers, in order.
void bindParameters(ExecScope& scope, const std::vector<BoundParameter>& params);

// 7202 for the first of `names` that names a server.
void checkServerNames(const std::vector<ast::ObjectName>& names);
// 208 or 7202 for the first of `names` (object names of three or four parts)
// that leads out of the session's database (catalog/names.h).
void checkLocalNames(const SessionImpl& session, const std::vector<ast::ObjectName>& names);

// Parses `text` and runs it in the session's innermost level, already
// entered; its results go to `out`.  As SQL Server compiles a batch first,
// none of it runs when it names another database (208) or a server (7202).
void runBatch(SessionImpl& session, std::string_view text, BatchResult& out);

// Runs `text` in `scope`, a level nested in the running one.  It sees the
// session's temporary tables; those it creates (one of a caller's name too,
// which its statements then mean) are dropped when it ends, as
// are its LOCAL cursors; what it SETs is undone (the isolation level and
// LOCK_TIMEOUT too).  A level that ends with another @@TRANCOUNT than it
// began with raises 266.
void runNested(SessionImpl& session, std::string_view text, ExecScope& scope, BatchResult& out);
// The same for a stored procedure's body: none of it runs when it names
// another database (208) or a server (7202), the level ending there.
void runNested(SessionImpl& session, const ast::Procedure& code, ExecScope& scope, BatchResult& out);

}  // namespace mls::tsql
