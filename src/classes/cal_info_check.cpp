#include "classes/cal_info_check.h"

#include "checks/members.h"
#include "frame/member.h"

namespace mls::classes {

const com::TypeInfo& CalInfoCheck::type() {
  static const com::TypeInfo info = frame::memberTable(kProgId, kIid, {checks::addCalInfoCheckMembers});
  return info;
}

}  // namespace mls::classes
