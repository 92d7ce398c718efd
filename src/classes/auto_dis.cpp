#include "classes/auto_dis.h"

namespace mls::classes {

const com::TypeInfo& AutoDis::type() {
  // Members join the table as the work behind them lands.
  static const com::TypeInfo info(kProgId, kIid);
  return info;
}

}  // namespace mls::classes
