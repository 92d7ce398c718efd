// The questions the client's actual-cost calculation asks about a period's
// materials and products: which materials each cost object consumed (per
// batch too), which products came in and to which cost objects they belong,
// which issue lines of one cost object carry no amount, and which cost objects
// are in production.  All of them only read, on the call's connection, from
// the period snapshot of stock bills and the material distribution tables.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "frame/member.h"
#include "platform/ado/recordset.h"

namespace mls::calculation {

// CalInfo.GetMateriel: FCostObjID, FItemID, FErpClsID of the materials
// distributed to cost objects in the period (normal and repairable-waste use)
// with a quantity or amount.  lngCal 0 reads the item master; 1 the item base
// table, leaving out items that are a by-product of any cost object.  Any
// other lngCal raises 5.
com::Ref<ado::Recordset> getMateriel(frame::Call& call, int32_t year, int32_t period, int32_t lngCal);

// CalInfo.GetMaterielBySetLevel: the same per batch (FCostObjID, FItemID,
// FBatchno, FErpClsID), rework lines left out.
com::Ref<ado::Recordset> getMaterielBySetLevel(frame::Call& call, int32_t year, int32_t period,
                                               int32_t lngCal);

// CalInfo.GetProductIn: FProductID, FBatchno, FCostObjID, FTName of the valid
// product receipts of production departments in the period window, one row
// per cost object (of the receipt's batch when the product is batch-tracked)
// that makes the product.
com::Ref<ado::Recordset> getProductIn(frame::Call& call, int32_t year, int32_t period,
                                      const frame::PeriodDates& dctCurPeriodDate);

// CalInfo.GetAmountZero: FCostObjID, FBillNo, FEntryID, FNumber, FName of the
// cost object's normal-use distribution rows of the period whose issue line
// has no amount.
com::Ref<ado::Recordset> getAmountZero(frame::Call& call, int32_t year, int32_t period, int32_t costObjId);

// CalInfo.GetOnlineCostobj: the cost objects in production in the period
// (input quantity or beginning balance), as FTName and the cost object's
// columns with FSort 0: a static, client-side, batch-optimistic recordset the
// client may edit, extend, delete from, sort and filter locally.
com::Ref<ado::Recordset> getOnlineCostobj(frame::Call& call, int32_t year, int32_t period,
                                          const frame::PeriodDates& /*dctCurPeriodDate: not needed*/);

}  // namespace mls::calculation
