#include "frame/sql_script.h"

namespace mls::frame {

void SqlScript::send(ado::Connection& connection) {
  connection.execute(text_);
  text_.clear();
}

com::Ref<ado::Recordset> detachedSelect(ado::Connection& connection, std::string_view sql) {
  com::Ref<ado::Recordset> rs = connection.execute(sql, nullptr, -1);
  rs->setActiveConnection(nullptr);
  return rs;
}

com::Ref<ado::Recordset> detachedEditable(ado::Connection& connection, std::string_view sql) {
  com::Ref<ado::Recordset> rs = com::makeObject<ado::Recordset>();
  rs->setCursorLocation(ado::kUseClient);
  rs->open(com::Variant(std::string(sql)), com::Variant(com::Ref<ado::Connection>(&connection)),
           ado::kOpenStatic, ado::kLockBatchOptimistic);
  rs->setActiveConnection(nullptr);
  return rs;
}

}  // namespace mls::frame
