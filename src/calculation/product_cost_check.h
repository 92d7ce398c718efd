// The check the client makes before it splits the cost of classification-method
// cost objects (909) over their products: the amount left for the main
// products (completed-output amount less the by-products' value) must have the
// sign of the main products' quantity (completed quantity less the
// by-products' equivalent quantity), or both be zero, or the cost object have
// no amounts at all.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"

namespace mls::calculation {

// CalInfo.GetTaxCost, detached.  lIsID 0: the cost objects of
// the level that fail, FDeptID, FCostObjID, FName, FDeptName.  Otherwise:
// those that pass, per cost item: FDeptID, FCostObjID, FCostItemID, FItemName,
// FName, FDeptName, FAmount (summed completed-output amount).
com::Ref<ado::Recordset> getTaxCost(frame::Call& call, int32_t year, int32_t period, int32_t level,
                                    int32_t isID);

}  // namespace mls::calculation
