#include "checks/members.h"

#include "checks/guards.h"
#include "frame/member.h"
#include "frame/presets.h"

namespace mls::checks {

using frame::member;
namespace presets = frame::presets;

void addCalInfoCheckMembers(com::TypeInfo& t) {
  member(t, "CheckIsOnlineCostObj", presets::kInquiryWithoutVote,
         {"sDsn", "iYear", "iPeriod", "lDeptID", "lCostObjID"}, checkIsOnlineCostObj);
  member(t, "CheckIsWasterCostObj", presets::kInquiryWithoutVote,
         {"sDsn", "iYear", "iPeriod", "lDeptID", "lCostObjID"}, checkIsWasterCostObj);
}

}  // namespace mls::checks
