// Direct-material rows (AutoDis): a direct issue line goes whole to its own
// cost object in one row of standard data 0.  The creator writes the rows of
// the lines the client lists; the two refresh methods bring the quantity,
// price and amount of existing direct rows in line with the live bills.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"
#include "platform/com/variant.h"

namespace mls::distribution::writers {

// AutoDisDirctMaterielExpByInterID: each listed line of the snapshot (listed
// twice, it counts once) replaces its rows of (year, period) by one row for
// its cost object, under the department's standard for material (expense
// kind 1) and the item's cost item (then expense '5001''s, then the first
// material cost item).  Pairs without a snapshot line, and pairs of lines
// that are not direct (cost object 0, MaterielShareID, MaterielMakeID), are
// passed over: their rows stay as they are.
// `typeID` 0: cbMaterielInfo, any other value cbWMaterielInfo.
com::Variant autoDisDirctMaterielExpByInterID(frame::Call& call, int32_t year, int32_t period, int32_t typeID,
                                              const com::Variant& arInterID);

// DistributeDirctMaterielExpByLevel: the direct lines of the live bills that
// issue a product of the period's calculation level `level`.
com::Variant distributeDirctMaterielExpByLevel(frame::Call& call, int32_t year, int32_t period,
                                               int32_t typeID, int32_t level);

// DistributeDirctMaterielExpLeaveIn: the direct lines `sFilter` picks (one
// search condition, with or without a leading AND, over the aliases u1, v1,
// t1 item, t2 cost object, t3 department), or, when it holds
// "--Reference Code", the lines issuing an item of the purchase receipts that
// wait for their costs.
com::Variant distributeDirctMaterielExpLeaveIn(frame::Call& call, int32_t year, int32_t period,
                                               int32_t typeID, std::string sFilter);

}  // namespace mls::distribution::writers
