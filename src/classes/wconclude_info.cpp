#include "classes/wconclude_info.h"

#include "standards/bill_line_standard.h"

namespace mls::classes {

const com::TypeInfo& WConcludeInfo::type() {
  // Members join the table as the work behind them lands.
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kProgId, kIid);
    standards::registerBillLineStandardMembers(t, standards::IssueUse::RepairableWaste);
    return t;
  }();
  return info;
}

}  // namespace mls::classes
