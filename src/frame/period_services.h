// The public period services: the period list of the cost module's current
// year as a clip text for the client's grid.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"
#include "frame/member.h"

namespace mls::frame {

// CalInfo.GetPeriodsData: reads GL PeriodCount and CB StartPeriod, StartYear,
// CurrentYear and CurrentPeriod on the call's connection (a missing row
// raises 3021, a value that is not a number 13) and lists the current year's
// periods in `clip`: rows "period TAB first day TAB last day TAB status",
// separated by CR.  The status is "/" for a period before the cost module's
// start, the language text of "是" (yes) for a period before the current one,
// of "否" (no) otherwise.  `rows` is the period count; `colorRow` the current
// period's row, left as it is when the current period is none of the year's.
// Answers True.
bool getPeriodsData(Call& call, ByRef<std::string> clip, ByRef<int32_t> rows, ByRef<int32_t> colorRow);

}  // namespace mls::frame
