// The public period services: the period list of the cost module's current
// year as a clip text for the client's grid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "frame/call_frame.h"

namespace mls::frame {

struct PeriodsGrid {
  std::string clip;  // rows "period TAB first day TAB last day TAB status", separated by CR
  int32_t rows = 0;  // the period count
  // The current period's row, when the current period is one of the year's.
  std::optional<int32_t> colorRow;
};

// Reads GL PeriodCount and CB StartPeriod, StartYear, CurrentYear and
// CurrentPeriod on the call's connection (a missing row raises 3021, a value
// that is not a number 13) and lists the current year's periods.  The status
// is "/" for a period before the cost module's start, the language text of
// "是" (yes) for a period before the current one, of "否" (no) otherwise.
PeriodsGrid getPeriodsData(Call& call);

}  // namespace mls::frame
