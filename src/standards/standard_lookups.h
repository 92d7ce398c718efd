// The raw data behind some allocation standards, as the client reads it: the
// ration-standard rows of a standard and cost object (as stored and as a
// percentage), the year-begin balances of a cost object, and the quantity and
// complex flags of a standard definition.  Each is one query on the call's
// connection, answered as a detached recordset (empty when nothing matches).
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"

namespace mls::standards {

// CalInfo.GetOnlStdAData: FDeptID, FCostObjID, FCostItemID, FQty of the
// CBRationStandardInfo rows of the standard, cost object, year and period.
com::Ref<ado::Recordset> getOnlStdAData(frame::Call& call, int32_t standardId, int32_t year, int32_t period,
                                        int32_t costObjId);

// CalInfo.GetOnlStdPData: the same rows with FQty read as a percentage
// (times 0.01).
com::Ref<ado::Recordset> getOnlStdPData(frame::Call& call, int32_t standardId, int32_t year, int32_t period,
                                        int32_t costObjId);

// CalInfo.GetYearBData: the cost object's beginning balances of period 1 of
// the year, balance type 2, as FDeptID, FCostObjID, FCostItemID, FQty.
com::Ref<ado::Recordset> getYearBData(frame::Call& call, int32_t year, int32_t costObjId);

// CalInfo.GetQtyID: FOnQty and FComplex of the standard numbered `stdId`.
com::Ref<ado::Recordset> getQtyID(frame::Call& call, int32_t stdId);

}  // namespace mls::standards
