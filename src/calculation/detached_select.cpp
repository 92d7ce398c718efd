#include "calculation/detached_select.h"

namespace mls::calculation {

com::Ref<ado::Recordset> detachedSelect(ado::Connection& connection, std::string_view sql) {
  com::Ref<ado::Recordset> rs = connection.execute(sql, nullptr, -1);
  rs->setActiveConnection(nullptr);
  return rs;
}

}  // namespace mls::calculation
