// Built-in functions that read the catalog or the session: OBJECT_ID,
// IDENT_CURRENT, COL_LENGTH, OBJECTPROPERTY, DB_NAME and SCOPE_IDENTITY
// (catalog_functions.cpp).  The binder asks its BindContext for them; the
// session answers from that file's table (SessionImpl::sessionFunction).
#pragma once

#include <memory>
#include <string_view>

namespace mls::tsql {

class SessionImpl;
class Table;

// The table a name given as text names ("t", "dbo.t", "[t]", "#t",
// "tempdb..#t"), or nullptr.
std::shared_ptr<Table> tableNamed(SessionImpl& session, std::string_view text);

}  // namespace mls::tsql
