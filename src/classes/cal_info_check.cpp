#include "classes/cal_info_check.h"

namespace mls::classes {

const com::TypeInfo& CalInfoCheck::type() {
  // Members join the table as the work behind them lands.
  static const com::TypeInfo info(kProgId, kIid);
  return info;
}

}  // namespace mls::classes
