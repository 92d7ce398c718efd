// Dropping a table whether or not it exists.
#pragma once

#include <string_view>

#include "platform/ado/connection.h"

namespace mls::frame {

// Executes "drop Table <name>" on `connection`, ignoring any error, and clears
// the thread's current error.
void dropTempTable(ado::Connection& connection, std::string_view name);

}  // namespace mls::frame
