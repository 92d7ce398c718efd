#include "platform/siblings/other_expense_component.h"

#include "platform/ado/command.h"
#include "platform/ado/data_type.h"
#include "platform/ado/parameter.h"
#include "platform/com/error.h"
#include "platform/siblings/props_connection.h"

namespace mls::siblings {
namespace {

using com::Param;
using com::VarKind;

constexpr const char* kSource = "Ashgrove.OthenExpense";

// The standard's name column in the caller's language.
const char* nameColumn(const std::string& props) {
  std::string language = propsItem(props, "Language").value_or("");
  if (com::compareText(language, "en", true) == 0) return "FName_EN";
  if (com::compareText(language, "cht", true) == 0) return "FName_CHT";
  return "FName";
}

void appendInteger(ado::Command& command, ado::DataType type, com::Variant value) {
  command.parameters()->append(
      command.createParameter("", static_cast<int32_t>(type), ado::kParamInput, 0, std::move(value)));
}

}  // namespace

const com::TypeInfo& OtherExpenseComponent::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kProgId, kIid);
    t.method<OtherExpenseComponent>(
        "GetOtherExpStandardSet",
        {Param("sDsn", VarKind::String), Param("lDeptID", VarKind::Long),
         Param("iExpenseType", VarKind::Integer), Param("iPurpose", VarKind::Integer)},
        VarKind::Object, [](OtherExpenseComponent&, com::Args a) {
          return com::Variant(
              standardSet(a[0].toString(), a[1].toLong(), a[2].toInteger(), a[3].toInteger()));
        });
    return t;
  }();
  return info;
}

com::Ref<ado::Recordset> OtherExpenseComponent::standardSet(const std::string& props, int32_t deptID,
                                                            int16_t expenseType, int16_t purpose) {
  PropsConnection connection(props, kSource);
  const std::string name = std::string("b.") + nameColumn(props);
  com::Ref<ado::Command> command = com::makeObject<ado::Command>();
  command->setActiveConnection(com::Ref<ado::Connection>(&*connection));
  command->setCommandType(ado::kCmdText);
  command->setCommandText(
      "SELECT s.FStandardID, ISNULL(CASE WHEN " + name + " <> '' THEN " + name +
      " ELSE b.FName END, '') AS FStandardName FROM cbExpStandardSet s LEFT JOIN cb_BmStandard b ON "
      "b.FNum = s.FStandardID WHERE s.FDeptID = ? AND s.FExpenseType = ? AND s.FPurposeID = ?");
  appendInteger(*command, ado::DataType::Integer, deptID);
  appendInteger(*command, ado::DataType::SmallInt, expenseType);
  appendInteger(*command, ado::DataType::SmallInt, purpose);
  com::Ref<ado::Recordset> rs = command->execute(nullptr, com::Variant::missing(), -1);
  rs->setActiveConnection(nullptr);
  return rs;
}

}  // namespace mls::siblings
