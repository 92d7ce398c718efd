#include "distribution/inquiry/settings_lookups.h"

#include <string>

#include "frame/component.h"
#include "frame/domain_codes.h"
#include "frame/public_object.h"
#include "frame/records.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/error.h"

namespace mls::distribution::inquiry {
namespace {

// Runs `sql` and answers its first row's first value as a whole number, or 0
// when it returns no row.
int32_t firstLong(frame::Call& call, std::string_view sql) {
  com::Ref<ado::Recordset> rs = call.connection().execute(sql, nullptr, -1);
  int32_t answer = 0;
  if (rs->recordCount() > 0) answer = rs->value(size_t{0}).toLong();
  rs->close();
  return answer;
}

}  // namespace

int32_t getEnableEcnRight(frame::Call& call) {
  return firstLong(call,
                   "select isnull(FValue,0) as FValue from t_systemprofile where FCategory='IC' and Fkey "
                   "='EnableEcnRight' ");
}

int32_t getCostEnableEcnRight(frame::Call& call) {
  return firstLong(call,
                   "select isnull(FValue,0) as FValue from t_systemprofile where FCategory='CB' and Fkey "
                   "='SetBOMEnable' ");
}

int32_t getCalCompleteQtyStatus(frame::Call& call) {
  return firstLong(
      call, "select FValue from t_Systemprofile WHERE FKey='CB_CALCOMPLETEQTY_OK' and FCategory='CB'  ");
}

int32_t getCostObjGroupIDByNumber(frame::Call& call, const com::Variant& groupNumber) {
  // Joined as text, the way a Null joins a text: as nothing.
  return firstLong(call, "SELECT FItemID from cbCostObjGroup where FNumber= " +
                             frame::sqlText(frame::textOf(groupNumber)) + " ");
}

com::Ref<ado::Recordset> getObject(frame::Call& call) {
  return frame::detachedSelect(call.connection(),
                               "SELECT FItemID,FNumber,FName FROM t_icitem WHERE FErpClsID IN (" +
                                   std::string(frame::codes::kObjectItemClasses) + ")");
}

com::Ref<halvern::List> getCostObject(frame::Call& call) {
  com::Variant answer = com::callByName(call.self(), "GetObject", call.props());
  com::Ref<com::Dispatch> object = answer.toObject();
  auto* rs = dynamic_cast<ado::Recordset*>(object.get());
  if (!rs) com::raise(com::err::kTypeMismatch, frame::kComponent);
  return frame::recordsetToList(*rs);
}

}  // namespace mls::distribution::inquiry
