#include "standards/text_scope.h"

#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "standards/checked_column.h"

namespace mls::standards {

TextScope makeTextScope(int32_t year, int32_t period, const com::Variant& beginDate,
                        const com::Variant& endDate, std::string_view column) {
  TextScope scope;
  scope.year = year;
  scope.period = period;
  scope.column = checkedColumn(column);
  scope.begin = frame::sqlDate(beginDate);
  scope.next = frame::sqlDate(endDate);
  return scope;
}

std::string periodFilter(const TextScope& scope, std::string_view alias) {
  const std::string a(alias);
  return a + ".FYear=" + frame::sqlNumber(scope.year) + " AND " + a +
         ".FPeriod=" + frame::sqlNumber(scope.period);
}

}  // namespace mls::standards
