// The standard data of one issue line of a department: which cost objects
// receive a share of the line, each one's standard data (its weight) under
// one allocation standard, and the quotient of the line that falls to it.
// The receivers are the department's cost objects in production (normal use)
// or with repairable-waste output (the twin), or one given cost object; their
// data come from a simple standard, a complex formula over several units, or
// the material's usage in their BOMs.  Saved standard data of the line take
// precedence unless the caller refreshes, and the cost object that produces
// the issued material never receives.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"
#include "platform/com/typelib.h"
#include "standards/bom_usage.h"

namespace mls::standards {

struct BillLineRequest {
  int32_t year = 0;
  int32_t period = 0;
  int32_t deptID = 0;
  int32_t costObjID = 0;  // 0: every cost object of the department that qualifies
  int32_t standardID = 0;
  int32_t interID = 0;  // the line in the period snapshot
  int32_t entryID = 0;
  bool refresh = false;  // False: saved standard data of the line win
  int32_t groupID = 0;   // > 0 (with no single cost object): members of this group only
  int32_t itemID = -1;   // the line's material; -1: read from the line
};

// GetStandarddata of ConcludeInfo (normal use) and WConcludeInfo: a detached
// recordset of FCostObjID, FQty, FQuotiety, FCostItemID (and FChk for normal
// use: for a material-quota standard whose total is 0, 1 = no live
// production order, 2 = an order or feed list without the material, 3 = no
// audited feed list with it).  User errors are raised with -1.
com::Ref<ado::Recordset> getBillLineStandardData(frame::Call& call, IssueUse use, const BillLineRequest& r);

// ConcludeInfo.GetStandarddata (normal use) and WConcludeInfo.GetStandarddata
// (repairable waste, the material always read from the line).
com::Ref<ado::Recordset> getStandarddata(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                         int32_t costObjID, int32_t standardID, int32_t interID,
                                         int32_t entryID, bool refresh, int32_t groupID, int32_t itemID);
com::Ref<ado::Recordset> getWasteStandarddata(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                              int32_t costObjID, int32_t standardID, int32_t interID,
                                              int32_t entryID, bool refresh, int32_t groupID);

}  // namespace mls::standards
