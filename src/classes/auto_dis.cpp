#include "classes/auto_dis.h"

#include "distribution/writers/members.h"
#include "frame/member.h"

namespace mls::classes {

const com::TypeInfo& AutoDis::type() {
  static const com::TypeInfo info =
      frame::memberTable(kProgId, kIid, {distribution::writers::addAutoDisMembers});
  return info;
}

}  // namespace mls::classes
