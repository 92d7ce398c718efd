#include <exception>

#include "frame/data_source.h"
#include "frame/globals.h"
#include "frame/open_connection.h"
#include "platform/ado/command.h"
#include "platform/com/error.h"

namespace mls::frame {

com::Variant getSystemProfile(CDataSource& dataSource, std::string_view key, std::string_view category,
                              const com::Variant& fallback) {
  OpenConnection connection(dataSource.connection());
  com::Variant answer = fallback.isMissing() ? com::Variant("") : fallback;
  com::Ref<ado::Command> command = com::makeObject<ado::Command>();
  command->setActiveConnection(com::Ref<ado::Connection>(&*connection));
  command->setCommandType(ado::kCmdText);
  command->setCommandText("Select FValue From t_SystemProfile Where FCategory = ? And FKey = ?");
  const int32_t kVarWChar = static_cast<int32_t>(ado::DataType::VarWChar);
  command->parameters()->append(command->createParameter("", kVarWChar, ado::kParamInput, 30, category));
  command->parameters()->append(command->createParameter("", kVarWChar, ado::kParamInput, 30, key));
  com::Ref<ado::Recordset> rs = command->execute(nullptr, com::Variant::missing(), -1);
  if (!rs->eof()) answer = rs->value(size_t{0});
  connection.close();
  return answer;
}

com::Ref<halvern::Dictionary> recordToDict(const ado::Recordset& rs) {
  com::Ref<halvern::Dictionary> dict = com::makeObject<halvern::Dictionary>();
  for (size_t i = 0; i < rs.fieldCount(); ++i)
    dict->setItem(rs.fieldInfo(i).name, rs.value(i));
  return dict;
}

com::Ref<halvern::List> recordsetToList(ado::Recordset& rs) {
  com::Ref<halvern::List> list = com::makeObject<halvern::List>();
  if (rs.recordCount() != 0) rs.moveFirst();
  for (; !rs.eof(); rs.moveNext())
    list->add(recordToDict(rs));
  return list;
}

std::string textOf(const com::Variant& v) {
  return v.isNull() ? std::string() : v.toString();
}

void dropTempTable(ado::Connection& connection, std::string_view name) {
  try {
    connection.execute("drop Table " + std::string(name), nullptr, -1);
  } catch (const std::exception&) {
    // A table that does not exist is no error.
  }
  com::clearCurrentError();
}

}  // namespace mls::frame
