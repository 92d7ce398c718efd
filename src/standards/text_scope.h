// What every standard-quantity text is built for: the period of the tables
// kept by year and period, the window of live bills and orders as quoted date
// literals, and the checked target column of #OnlineCostObj.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/variant.h"

namespace mls::standards {

struct TextScope {
  int32_t year = 0;
  int32_t period = 0;
  std::string begin;   // 'yyyy-mm-dd': the period's first day
  std::string next;    // 'yyyy-mm-dd': the next period's first day (exclusive)
  std::string column;  // the column to fill, checked
};

// Checks the column and writes both dates; raises on a bad column or date.
TextScope makeTextScope(int32_t year, int32_t period, const com::Variant& beginDate,
                        const com::Variant& endDate, std::string_view column);

// "t2.FYear=<year> AND t2.FPeriod=<period>" for the alias given.
std::string periodFilter(const TextScope& scope, std::string_view alias);

}  // namespace mls::standards
