// AutoDisInfo: what the client asks around the distribution of a
// department's material: the materials and cost-object groups it still has to
// distribute, each material's own allocation standard, whether a standard
// works per material, whether the department has shared issues at all, the
// direct lines, and the shared lines to spread again after the products of a
// level, or the period's purchase receipts not yet posted, changed value.
//
// `iTypeID` picks the purpose of the lines and the table of their rows: 0
// normal use (cbMaterielInfo), any other value repairable waste
// (cbWMaterielInfo); the two re-spread lists map 1 to repairable waste and
// any other non-zero value to residual-value returns (CBWBMaterielInfo).
// `sFilter` is the client's condition on the statement's aliases, checked as
// one search condition before anything runs (frame::clientCondition) and
// appended with its leading AND or OR (AND when it has none).
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"
#include "platform/halvern/dictionary.h"

namespace mls::distribution::inquiry {

bool isMaterielRation(frame::Call& call, int32_t standardID);
// `filter` holds "Year", "Period" and optionally "bNoDis" (True: undistributed lines only).
com::Ref<ado::Recordset> getMaterieExpItemByDept(frame::Call& call, int32_t deptID, int32_t typeID,
                                                 com::Ref<halvern::Dictionary> filter, std::string sFilter);
com::Ref<ado::Recordset> getItemStandardByDept(frame::Call& call, int32_t deptID, int32_t typeID,
                                               com::Ref<halvern::Dictionary> filter, std::string sFilter);
com::Ref<ado::Recordset> getShareMaterielBillByLevel(frame::Call& call, int32_t year, int32_t period,
                                                     int32_t typeID, int32_t level);
com::Ref<ado::Recordset> getDirctMaterielBill(frame::Call& call, int32_t year, int32_t period, int32_t typeID,
                                              bool noDisData, std::string sFilter);
bool getMaterieExpByDeptIsSame(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                               int32_t typeID, std::string sFilter);
// With "--Reference Code" in `sFilter`: the shared lines of the listed cost
// objects whose material came on a purchase receipt not yet posted (Nothing
// when none is listed); otherwise the shared lines whose material is a
// product costed in the period, `sFilter` the condition that follows "AND".
com::Ref<ado::Recordset> getShareMaterielBillByLeave(frame::Call& call, int32_t year, int32_t period,
                                                     int32_t typeID, std::string sFilter,
                                                     com::Ref<ado::Recordset> levelCostObjs);
com::Ref<ado::Recordset> getDisMaterilCostObjGroup(frame::Call& call, int32_t standardID, int32_t deptID,
                                                   int32_t typeID, com::Ref<halvern::Dictionary> filter,
                                                   int32_t itemID, std::string sFilter, std::string tableName,
                                                   bool stdByItem, bool formulaByItem);

}  // namespace mls::distribution::inquiry
