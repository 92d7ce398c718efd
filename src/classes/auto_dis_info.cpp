#include "classes/auto_dis_info.h"

#include "distribution/inquiry/members.h"
#include "frame/member.h"

namespace mls::classes {

const com::TypeInfo& AutoDisInfo::type() {
  static const com::TypeInfo info =
      frame::memberTable(kProgId, kIid, {distribution::inquiry::addAutoDisInfoMembers});
  return info;
}

}  // namespace mls::classes
