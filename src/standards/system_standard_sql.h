// The texts of the system standard kinds: the data the cost module keeps of
// its own (work-in-process balances, input, completed and product quantities,
// counted work in process, man-hours, repairable-waste output, rework issues,
// ration and sort data, the material quota).  Each text is one UPDATE of the
// named column of the caller's #OnlineCostObj (alias t1) joined to its source
// (kind 3 holds three); rows without data keep their value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/variant.h"

namespace mls::standards {

// The system kinds: 1 to 8 and every kind from 70001 up.
bool isSystemKind(int32_t kind);

// ModStandardData.BuildSystemStandardQtySql: the text of `kind` for the
// period (year, period) and the window [beginDate, endDate); `byCostItem` is
// read by kind 5, `itemID` by kind 70012 (-1 = every row's own material).  The
// text is empty for a kind without a source (6, the BOM usage the callers
// fill themselves, every kind above 70012, and any kind that is no system
// kind).  Raises error 5 for a column that is no identifier.
std::string buildSystemStandardQtySql(int32_t kind, int32_t year, int32_t period,
                                      const com::Variant& beginDate, const com::Variant& endDate,
                                      std::string_view column, bool byCostItem, int32_t itemID);

}  // namespace mls::standards
