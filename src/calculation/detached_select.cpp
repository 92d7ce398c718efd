#include "calculation/detached_select.h"

namespace mls::calculation {

com::Ref<ado::Recordset> detachedSelect(ado::Connection& connection, std::string_view sql) {
  com::Ref<ado::Recordset> rs = connection.execute(sql, nullptr, -1);
  rs->setActiveConnection(nullptr);
  return rs;
}

com::Ref<ado::Recordset> editableSelect(ado::Connection& connection, std::string_view sql) {
  com::Ref<ado::Recordset> rs = com::makeObject<ado::Recordset>();
  rs->setCursorType(ado::kOpenStatic);
  rs->setCursorLocation(ado::kUseClient);
  rs->setLockType(ado::kLockBatchOptimistic);
  rs->open(com::Variant(std::string(sql)),
           com::Variant(com::Ref<com::Dispatch>(com::Ref<ado::Connection>(&connection))));
  rs->setActiveConnection(nullptr);
  return rs;
}

}  // namespace mls::calculation
