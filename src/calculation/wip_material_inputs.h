// The feed-list usage and the distributed work-in-process materials of the
// cost objects listed in #CostObj, on the caller's connection.  Both vote
// SetComplete at entry; an error leaving them carries their full name, CR LF,
// then its previous source.  Neither closes the connection.
#pragma once

#include <cstdint>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/variant.h"

namespace mls::calculation {

// "PPBOMInfo": FCostObjID, FItemID, FQtyScrap - per listed cost object and
// material of its live production orders' feed lists (headers with FStatus >
// 0; lines of types 372 and 373 and the order's own product left out), the
// material's net usage (type 376 lines returning) per unit of the orders'
// quantity.  A live order is open (FStatus 1, 2) or closed on or after
// `begin`, committed and planned to commit on or before `next`; each counts
// once in the divisor (the rule of the material-quota standard too).  Orders
// whose quantities sum to 0 give 0.
com::Ref<ado::Recordset> getPPBOMInfo(ado::Connection& connection, const com::Variant& begin,
                                      const com::Variant& next);

// "OnlineMaterielDispInfo": FDeptID, FCostObjID, FItemID, FBatchNo and the sums
// FQty, FAmount of the period's rows of CBOnlineMaterielDispInfo.
com::Ref<ado::Recordset> getOnlineMaterielDispInfo(ado::Connection& connection, int32_t year, int32_t period);

}  // namespace mls::calculation
