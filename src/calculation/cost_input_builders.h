// The builders of the actual-cost inputs, each run on the caller's connection
// after the caller filled #CostObj (FCostObjID INT) with the cost objects to
// calculate.  Every row they read belongs to a listed cost object; every
// builder works in temporary tables of its own, drops them at its end and
// answers one detached rowset.  Amounts and quantities stay DECIMAL(28,10)
// without rounding.
#pragma once

#include <cstdint>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"

namespace mls::calculation {

// "OperateInfo": FDeptID, FCostObjID, FCostItemID, FBegAmount, FNorAmount,
// FWasAmount, FAskAmount, FYAskAmount, FBadAmount, FTypeID.  A cost object
// with any amount in a department gets a row for every cost item of
// cbCostItem there (zeros included) and for every other cost item its
// sources carry; FTypeID is NULL for a cost item missing from cbCostItem.
com::Ref<ado::Recordset> getOperateInfo(ado::Connection& connection, int32_t year, int32_t period);

// "SpendMateriel": amounts and quantities per department, cost object, cost
// item, material and batch ('' unless the material is batch-tracked, FTrack
// 80), with the material's ERP class and quantity decimals (4 when unset or
// unknown) and the cost object that produces it (FSpendCostObjID, 0 = none).
com::Ref<ado::Recordset> getSpendMateriel(ado::Connection& connection, int32_t year, int32_t period);

// "OverOnlineQty": completed, counted work-in-process and weighted waste
// quantities per department and cost object; FSumQty = completed + WIP.
com::Ref<ado::Recordset> getOverOnlineQty(ado::Connection& connection, int32_t year, int32_t period);

// "ZeroInfo": the normal-use issue lines of zero amount, once per
// distribution row: FCostObjID, FBillNo, FEntryID, FNumber, FName.
com::Ref<ado::Recordset> getZeroInfo(ado::Connection& connection, int32_t year, int32_t period);

}  // namespace mls::calculation
