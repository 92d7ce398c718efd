// Object and column names compare without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mls::tsql {

bool sameName(std::string_view a, std::string_view b);

// Splits a name written as text into its parts: "[dbo].[t]", "tempdb..#t", "t".
std::vector<std::string> splitObjectName(std::string_view text);

}  // namespace mls::tsql
