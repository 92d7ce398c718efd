// Object and column names compare without regard to case.  A database holds
// one database of the server: a name's server part, or a database part that
// names neither that database nor tempdb, leads elsewhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/parse/ast.h"

namespace mls::tsql {

bool sameName(std::string_view a, std::string_view b);

// Splits a name written as text into its parts: "[dbo].[t]", "tempdb..#t", "t".
std::vector<std::string> splitObjectName(std::string_view text);

// Whether a name of `parts` (server.database.schema.object, the leading parts
// optional) stays on this server, in `database` or in tempdb.
bool isLocalName(const std::vector<std::string>& parts, std::string_view database);

// 7202 when `name` has a server part (the engine knows no other server).
void checkServerPart(const ast::ObjectName& name);
// The check of a name where a batch is compiled: 7202 for a server part, 208
// for a database part that names neither `database` nor tempdb.
void checkLocalName(const ast::ObjectName& name, std::string_view database);

}  // namespace mls::tsql
