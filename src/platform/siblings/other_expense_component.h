// Ashgrove.OthenExpense: the ERP's other-expense component.  Of it the system
// asks one thing, GetOtherExpStandardSet(props, department, expense kind,
// purpose): the allocation standard a department has set for an expense kind
// (1: shared material) and purpose (0: normal production, 1: repairable
// waste), read from the settings table cbExpStandardSet of the database the
// properties name.  The answer is a detached recordset of FStandardID and
// FStandardName: no row when nothing is set; FStandardID -999 when each item's
// own standard applies; FStandardName the standard's name in the properties'
// language (en, cht, else Chinese; the Chinese name where the translation is
// empty), '' when no standard has that number (so always for -999).
#pragma once

#include <cstdint>
#include <string>

#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"

namespace mls::siblings {

class OtherExpenseComponent final : public com::DispatchObject {
 public:
  static constexpr const char* kProgId = "Ashgrove.OthenExpense";
  static constexpr com::Guid kClsid{
      0x5C1E9A35, 0x7D42, 0x4E6B, {0xA0, 0x13, 0x52, 0x49, 0x44, 0x47, 0x48, 0x05}};
  static constexpr com::Guid kIid{
      0x5C1E9A36, 0x7D42, 0x4E6B, {0xA0, 0x13, 0x52, 0x49, 0x44, 0x47, 0x48, 0x06}};
  static const com::TypeInfo& type();

  OtherExpenseComponent() : DispatchObject(type()) {}

  static com::Ref<ado::Recordset> standardSet(const std::string& props, int32_t deptID, int16_t expenseType,
                                              int16_t purpose);
};

}  // namespace mls::siblings
