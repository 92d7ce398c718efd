// The guards run before an issue line is distributed to the cost object it
// names: the cost object must be in production in the bill's department and
// period (normal use), or have repairable-waste output there (the waste
// twin).  Each raises -1 with a text that says so, and otherwise answers an
// Empty Variant.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "platform/com/variant.h"

namespace mls::checks {

// CalInfoCheck.CheckIsOnlineCostObj: a CBInQty row or a cbBalance row of the
// department, period and cost object (which must be in cbCostObj).
com::Variant checkIsOnlineCostObj(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                  int32_t costObjID);
// CalInfoCheck.CheckIsWasterCostObj: a cbWasterCostObjInfo row of waste type 0.
com::Variant checkIsWasterCostObj(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                  int32_t costObjID);

}  // namespace mls::checks
