#include "standards/members.h"

#include "frame/member.h"
#include "frame/presets.h"
#include "standards/bill_line_standard.h"
#include "standards/cost_object_standard.h"
#include "standards/sort_standard.h"
#include "standards/standard_lookups.h"
#include "standards/standard_settings.h"

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
  member(t, "GetStandarddata", presets::kInquiry,
         {"sDsn", "lStandardID", "iYear", "iPeriod", "lCostObjID", "bOnline"}, getCostObjectStandardData);
  member(t, "GetSortStandardID", presets::kInquiry, {"sDsn", "lCostObjID"}, getSortStandardID);
  member(t, "GetSortStandarddata", presets::kInquiry,
         {"sDsn", "iYear", "iPeriod", "lDeptID", "lCostObjID", "lCostItemID", "lStandardID"},
         getSortStandarddata);
  member(t, "GetDeputyData", presets::kInquiry, {"sDsn", "iYear", "iPeriod", "lDeptID", "lCostObjID"},
         getDeputyData);
}

void addConcludeUpdateMembers(com::TypeInfo& t) {
  member(t, "UpdateClassifyCostObjStandardSet", presets::kNamedWriter,
         {"sDsn", "lYear", "lPeriod", "sSysName"}, updateClassifyCostObjStandardSet);
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
