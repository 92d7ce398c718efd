#include "classes/auto_dis.h"

#include "distribution/engine/members.h"
#include "distribution/inquiry/members.h"
#include "frame/member.h"

namespace mls::classes {

const com::TypeInfo& AutoDis::type() {
  static const com::TypeInfo info = frame::memberTable(
      kProgId, kIid, {distribution::engine::addAutoDisMembers, distribution::inquiry::addAutoDisMembers});
  return info;
}

}  // namespace mls::classes
