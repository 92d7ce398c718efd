// The inquiries the client makes while it runs a period's calculation level by
// level: whether a level's products were issued to auxiliary production or to
// production for cost objects without a number, a level's product amounts, and
// the cost objects completed in the period.  All of them only read, on the
// call's connection.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"

namespace mls::calculation {

// CalInfo.IsRequestAssist: true when a checked, uncancelled issue bill of the
// period window by an auxiliary production department (362) has a line of a
// product of the level's cbProductCalInfo rows.
bool isRequestAssist(frame::Call& call, int32_t year, int32_t period, int32_t level);

// CalInfo.IsRequestMake: the same for production departments (361), counting
// only lines whose cost object has an empty number.
bool isRequestMake(frame::Call& call, int32_t year, int32_t period, int32_t level);

// CalInfo.GetProductAmount: FDeptID, FProductID, FBatchNo and the summed
// FAmount of the level's cbProductCalInfo rows, a recordset in a Variant.
com::Ref<ado::Recordset> getProductAmount(frame::Call& call, int32_t year, int32_t period, int32_t level);

// CalInfo.GetOnOkCostObj: the cost objects with a completed quantity other
// than 0 in the period (summed over departments): FCostObjID, FCostObjNumber,
// FCostObjName, FTName "(number)name", FQty, FSort 0.  The recordset is
// static, client-side and batch-optimistic, so the client may edit it.
com::Ref<ado::Recordset> getOnOkCostObj(frame::Call& call, int32_t year, int32_t period);

}  // namespace mls::calculation
