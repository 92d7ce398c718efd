// SQL Server's error numbers and message texts, in one place.  Every part of the
// engine raises its errors through sqlError() so that the texts stay the
// server's own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/engine.h"

namespace mls::tsql {

// Builds the error `number` with its SQL Server severity and message text, the
// template's %s / %d placeholders filled in order from `args` (already text).
// An unknown number gives severity 16 and the first argument as the text.
SqlError sqlError(int number, const std::vector<std::string>& args = {}, int line = 0);

[[noreturn]] void throwSqlError(int number, const std::vector<std::string>& args = {}, int line = 0);

// The raw message template of `number` ("" when unknown), for tests.
std::string_view messageTemplate(int number);

}  // namespace mls::tsql
