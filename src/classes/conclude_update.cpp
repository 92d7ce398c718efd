#include "classes/conclude_update.h"

#include "calculation/members.h"
#include "distribution/writers/members.h"
#include "frame/member.h"
#include "frame/members.h"
#include "standards/members.h"

namespace mls::classes {

const com::TypeInfo& ConcludeUpdate::type() {
  static const com::TypeInfo info = frame::memberTable(
      kProgId, kIid,
      {frame::addConcludeUpdateMembers, calculation::addConcludeUpdateMembers,
       standards::addConcludeUpdateMembers, distribution::writers::addConcludeUpdateMembers});
  return info;
}

}  // namespace mls::classes
