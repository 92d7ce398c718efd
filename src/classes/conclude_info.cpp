#include "classes/conclude_info.h"

#include "distribution/inquiry/members.h"
#include "frame/member.h"
#include "standards/members.h"

namespace mls::classes {

const com::TypeInfo& ConcludeInfo::type() {
  static const com::TypeInfo info = frame::memberTable(
      kProgId, kIid, {distribution::inquiry::addConcludeInfoMembers, standards::addConcludeInfoMembers});
  return info;
}

}  // namespace mls::classes
