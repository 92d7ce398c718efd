// A query's rowset handed out of a call: its rows stay, its connection goes.
#pragma once

#include <string_view>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"

namespace mls::calculation {

// Executes `sql` on `connection` and answers its first rowset, detached
// (ActiveConnection = Nothing).
com::Ref<ado::Recordset> detachedSelect(ado::Connection& connection, std::string_view sql);

// The same as a static, client-side, batch-optimistic recordset: the client
// may edit, add and delete its records, sort and filter them, all locally.
com::Ref<ado::Recordset> editableSelect(ado::Connection& connection, std::string_view sql);

}  // namespace mls::calculation
