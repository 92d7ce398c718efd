// Re-spread of shared rows (AutoDis): the rows of listed issue lines receive
// again their share (standard data over the line's total standard data) of
// the line's current amount on the live bills, quantities kept.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "platform/com/variant.h"

namespace mls::distribution::writers {

// DistributeShareMaterielExpByInterID: the re-spread, then every row's price
// its amount over its quantity (0 for quantity 0).  Rows of (year, period) of
// cbMaterielInfo for `typeID` 0, cbWMaterielInfo otherwise.  A line listed
// twice counts once; a line whose bill is no longer dated in the period
// keeps its rows as they are.  The rounding difference goes to the row of the
// smallest cost object among those with standard data.
com::Variant distributeShareMaterielExpByInterID(frame::Call& call, int32_t year, int32_t period,
                                                 int32_t typeID, const com::Variant& arInterID);
// DistributeShareMaterielExpLeaveID: the same re-spread, prices left alone.
com::Variant distributeShareMaterielExpLeaveID(frame::Call& call, int32_t year, int32_t period,
                                               int32_t typeID, const com::Variant& arInterID);

}  // namespace mls::distribution::writers
