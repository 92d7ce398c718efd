// The saving of a period's calculation results.
#pragma once

#include "frame/call_frame.h"

namespace mls::calculation {

// ConcludeUpdate.SaveCBCalInfo: appends every row of the work tables
// CBCalInfo_CurData and CBCalInfoDetail_CurData, whatever its year and period,
// to CBCalInfo and CBCalInfoDetail, column by column, in one batch.  Nothing is
// deleted: the period reset clears a period's saved rows.
void saveCBCalInfo(frame::Call& call);

}  // namespace mls::calculation
