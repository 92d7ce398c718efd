#include "classes/conclude_info.h"

namespace mls::classes {

const com::TypeInfo& ConcludeInfo::type() {
  // Members join the table as the work behind them lands.
  static const com::TypeInfo info(kProgId, kIid);
  return info;
}

}  // namespace mls::classes
