#include "calculation/period_rows.h"

#include "frame/sql_literal.h"

namespace mls::calculation {
namespace {

std::string column(std::string_view alias, const char* name) {
  return alias.empty() ? std::string(name) : std::string(alias) + "." + name;
}

}  // namespace

std::string periodRows(std::string_view alias, int32_t year, int32_t period) {
  return column(alias, "FYear") + " = " + frame::sqlNumber(year) + " AND " + column(alias, "FPeriod") +
         " = " + frame::sqlNumber(period);
}

std::string levelRows(std::string_view alias, int32_t year, int32_t period, int32_t level) {
  return periodRows(alias, year, period) + " AND " + column(alias, "FLevel") + " = " +
         frame::sqlNumber(level);
}

}  // namespace mls::calculation
