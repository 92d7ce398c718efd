#include "classes/cal_info.h"

#include "calculation/members.h"
#include "frame/member.h"
#include "frame/members.h"
#include "standards/members.h"

namespace mls::classes {

const com::TypeInfo& CalInfo::type() {
  static const com::TypeInfo info = frame::memberTable(
      kProgId, kIid,
      {frame::addCalInfoMembers, calculation::addCalInfoMembers, standards::addCalInfoMembers});
  return info;
}

}  // namespace mls::classes
