// The standard data of one cost object across departments: how one
// allocation standard weighs the cost object in every production department
// where it is in production in the period (an input quantity or a
// work-in-process balance there), per cost item when the standard is held
// per cost item.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "frame/member.h"
#include "platform/ado/recordset.h"

namespace mls::standards {

// CalInfo.GetStandarddata: a detached recordset of FCostObjID, FDeptID,
// FCostItemID, one FQty<unit> column per unit of a complex standard, and FQty
// (the standard data).  `online` is set from the standard's FOnline as soon as
// the standard is read.  A simple standard reads its data per cost item when
// held per cost item; a complex one evaluates its formula on every row, each
// unit per cost item when its own standard is held so (the equivalent
// coefficient unit when the profile's 'QuoToItem' is 1).  User errors are
// raised with -1 and source "-1".
com::Ref<ado::Recordset> getCostObjectStandardData(frame::Call& call, int32_t standardID, int32_t year,
                                                   int32_t period, int32_t costObjID,
                                                   frame::ByRef<bool> online);

}  // namespace mls::standards
