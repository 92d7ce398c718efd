// The conditions that pick one period's rows (and one level's) of the tables
// kept by year and period.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mls::calculation {

// "<alias>.FYear = <year> AND <alias>.FPeriod = <period>"; with no alias the
// bare column names.
std::string periodRows(std::string_view alias, int32_t year, int32_t period);
// periodRows(...) + " AND <alias>.FLevel = <level>".
std::string levelRows(std::string_view alias, int32_t year, int32_t period, int32_t level);

}  // namespace mls::calculation
