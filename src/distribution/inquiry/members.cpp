#include "distribution/inquiry/members.h"

#include "distribution/inquiry/settings_lookups.h"
#include "frame/member.h"
#include "frame/presets.h"

namespace mls::distribution::inquiry {

using frame::member;
namespace presets = frame::presets;

void addConcludeInfoMembers(com::TypeInfo& t) {
  member(t, "GetEnableEcnRight", presets::kInquiry, {"sDsn"}, getEnableEcnRight);
  member(t, "GetCostEnableEcnRight", presets::kInquiry, {"sDsn"}, getCostEnableEcnRight);
  member(t, "GetCalCompleteQtyStatus", presets::kUncommittedOnSuccess, {"sDsn"}, getCalCompleteQtyStatus);
  member(t, "GetCostObjGroupIDByNumber", presets::kInquiryWithoutVote, {"sDsn", "strGroupNuber"},
         getCostObjGroupIDByNumber);
  member(t, "GetObject", presets::kInquiry, {"sDsn"}, getObject);
  member(t, "GetCostObject", presets::kThroughOwnInterface, {"sDsn"}, getCostObject);
}

}  // namespace mls::distribution::inquiry
