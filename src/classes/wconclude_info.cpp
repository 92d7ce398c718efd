#include "classes/wconclude_info.h"

#include "distribution/inquiry/members.h"
#include "frame/member.h"
#include "standards/members.h"

namespace mls::classes {

const com::TypeInfo& WConcludeInfo::type() {
  static const com::TypeInfo info = frame::memberTable(
      kProgId, kIid, {distribution::inquiry::addWConcludeInfoMembers, standards::addWConcludeInfoMembers});
  return info;
}

}  // namespace mls::classes
