#include "classes/conclude_update.h"

namespace mls::classes {

const com::TypeInfo& ConcludeUpdate::type() {
  // Members join the table as the work behind them lands.
  static const com::TypeInfo info(kProgId, kIid);
  return info;
}

}  // namespace mls::classes
