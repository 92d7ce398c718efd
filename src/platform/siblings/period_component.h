// Ridgeholm.AisInfo: the ERP's period component.  Given the caller's properties
// string (PropsString), it reads the ERP database named by its ConnectString:
// the number of periods per year (t_SystemProfile GL PeriodCount), the cost
// module's current year and period (CB CurrentYear / CurrentPeriod), and the
// first day of each period from the calendar t_PeriodCalendar (FYear, FPeriod,
// FStartDate).  A year without calendar rows runs in calendar months.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/dispatch.h"

namespace mls::ado {
class Connection;
}

namespace mls::siblings {

class PeriodComponent final : public com::DispatchObject {
 public:
  static constexpr const char* kProgId = "Ridgeholm.AisInfo";
  static constexpr com::Guid kClsid{
      0x5C1E9A31, 0x7D42, 0x4E6B, {0xA0, 0x13, 0x52, 0x49, 0x44, 0x47, 0x48, 0x01}};
  static constexpr com::Guid kIid{
      0x5C1E9A32, 0x7D42, 0x4E6B, {0xA0, 0x13, 0x52, 0x49, 0x44, 0x47, 0x48, 0x02}};
  static const com::TypeInfo& type();

  PeriodComponent() : DispatchObject(type()) {}

  const std::string& propsString() const { return props_; }
  void setPropsString(std::string props) { props_ = std::move(props); }

  // System-profile values; a missing or non-numeric one raises 5.
  int32_t periodCount() const;
  int32_t currentYear() const;
  int32_t currentPeriod() const;
  // The first day of (year, period), a date serial; a period beyond
  // PeriodCount is the year's last period.  A period below 1, a calendar year
  // that lacks the period, or a year without calendar rows asked for a period
  // beyond 12, raises 5.
  double periodDate(int32_t year, int32_t period) const;

 private:
  int32_t profileValue(ado::Connection& connection, const char* category, const char* key) const;
  int32_t profileValue(const char* category, const char* key) const;

  std::string props_;
};

}  // namespace mls::siblings
