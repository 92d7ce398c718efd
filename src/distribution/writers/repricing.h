// Rows valued outside the standard-based distribution (ConcludeUpdate): plan
// prices on the rows of plan-price items, the price of rework requisitions
// of the current period, and the residual-value return rows of a period.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "frame/member.h"
#include "platform/ado/recordset.h"

namespace mls::distribution::writers {

// UpdateToPlanPrice: the rows of (year, period) of cbMaterielInfo and
// cbWMaterielInfo whose line issues an item of FTrack 81 take its plan
// price; each line's rows then add up to its plan amount, the difference on
// the row of the largest standard data (then the row with an amount, then
// the smallest cost object).
void updateToPlanPrice(frame::Call& call, int32_t year, int32_t period);

// UpdateReWorkPrice: the current period's unpriced rework requisition lines
// of the live bills priced by the ReproducePrice rule (0 last receipt price,
// 1 opening average, 2 none, else the line's own price); the rows of every
// rework line of the period then take its price and share its amount by
// quantity.  True.
com::Variant updateReWorkPrice(frame::Call& call);

// InsertBadData: the period's CBWBMaterielInfo rows rebuilt from the direct
// residual-value returns (12002) of the snapshot; the recordset of the last
// statement, closed and detached.
com::Ref<ado::Recordset> insertBadData(frame::Call& call, int32_t year, int32_t period,
                                       frame::PeriodDates dctCurPeriodDate);

}  // namespace mls::distribution::writers
