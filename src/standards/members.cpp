#include "standards/members.h"

#include "frame/member.h"
#include "frame/presets.h"
#include "standards/bill_line_standard.h"
#include "standards/standard_lookups.h"

namespace mls::standards {

using frame::member;
using frame::opt;
namespace presets = frame::presets;

void addCalInfoMembers(com::TypeInfo& t) {
  member(t, "GetOnlStdAData", presets::kInquiry, {"sDsn", "lStandardID", "iYear", "iPeriod", "lCostObjID"},
         getOnlStdAData);
  member(t, "GetOnlStdPData", presets::kInquiry, {"sDsn", "lStandardID", "iYear", "iPeriod", "lCostObjID"},
         getOnlStdPData);
  member(t, "GetYearBData", presets::kInquiry, {"sDsn", "iYear", "lCostObjID"}, getYearBData);
  member(t, "GetQtyID", presets::kInquiry, {"sDsn", "lStdID"}, getQtyID);
}

void addConcludeInfoMembers(com::TypeInfo& t) {
  member(t, "GetStandarddata", presets::kInquiry,
         {"sDsn", "aYear", "aPeriod", "lDeptID", "lCostObjID", "lStandardID", "lInterID", "lEntryID",
          opt("bRefresh", false), opt("lngCostObjGroupID", 0), opt("lItemID", -1)},
         getStandarddata);
}

void addWConcludeInfoMembers(com::TypeInfo& t) {
  member(t, "GetStandarddata", presets::kInquiry,
         {"sDsn", "aYear", "aPeriod", "lDeptID", "lCostObjID", "lStandardID", "lInterID", "lEntryID",
          opt("bRefresh", false), opt("lngCostObjGroupID", 0)},
         getWasteStandarddata);
}

}  // namespace mls::standards
