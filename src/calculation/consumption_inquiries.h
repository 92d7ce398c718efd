// How much material one cost object consumed in a period: the sum over
// beginning work in process and the distributed quantities, and the issues to
// its production orders still open at the period's end by cost item.  Both
// only read the period snapshot and the distribution tables, staging their
// rows in #CalTab1 on the call's connection.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"

namespace mls::calculation {

// CalInfo.GetSpendMaterielSum: FDeptID, FCostObjID, FCostItemID, FMaterielID,
// FSumQty: beginning work in process plus the quantities distributed from
// normal issues, repairable-waste issues and residual-value returns, batches
// summed together.  Every department is covered.
com::Ref<ado::Recordset> getSpendMaterielSum(frame::Call& call, int32_t year, int32_t period,
                                             int32_t /*lngDeptID: every department*/, int32_t costObjId);

// CalInfo.GetICMOMaterielQtyToCostItem: FDeptID, FCostObjID, FCostItemID,
// FMaterielID, FBatchNo, FQty of the snapshot's checked issue lines of the
// cost object that went to its production orders open at the end of the
// period (status 1 or 2, or closed on or after the next period's first day);
// the cost item is the material's own, else a material cost item (type 901),
// else 0; the batch is '' for materials that are not batch-tracked.
com::Ref<ado::Recordset> getICMOMaterielQtyToCostItem(frame::Call& call,
                                                      int32_t /*lngDeptID: every department*/,
                                                      int32_t costObjId, int32_t year, int32_t period);

}  // namespace mls::calculation
