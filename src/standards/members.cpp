#include "standards/members.h"

#include "frame/member.h"
#include "frame/presets.h"
#include "standards/standard_lookups.h"

namespace mls::standards {

using frame::member;
namespace presets = frame::presets;

void addCalInfoMembers(com::TypeInfo& t) {
  member(t, "GetOnlStdAData", presets::kInquiry, {"sDsn", "lStandardID", "iYear", "iPeriod", "lCostObjID"},
         getOnlStdAData);
  member(t, "GetOnlStdPData", presets::kInquiry, {"sDsn", "lStandardID", "iYear", "iPeriod", "lCostObjID"},
         getOnlStdPData);
  member(t, "GetYearBData", presets::kInquiry, {"sDsn", "iYear", "lCostObjID"}, getYearBData);
  member(t, "GetQtyID", presets::kInquiry, {"sDsn", "lStdID"}, getQtyID);
}

}  // namespace mls::standards
