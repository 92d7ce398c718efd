#include "frame/system_profile.h"

#include "frame/data_source.h"
#include "frame/open_connection.h"
#include "platform/ado/command.h"

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

}  // namespace mls::frame
