// Object and column names compare without regard to case.
#pragma once

#include <string>
#include <string_view>

namespace mls::tsql {

bool sameName(std::string_view a, std::string_view b);

}  // namespace mls::tsql
