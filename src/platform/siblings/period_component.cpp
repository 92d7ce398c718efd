#include "platform/siblings/period_component.h"

#include <algorithm>
#include <exception>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"
#include "platform/siblings/props_connection.h"

namespace mls::siblings {
namespace {

using com::Param;
using com::VarKind;

constexpr const char* kSource = "Ridgeholm.AisInfo";

[[noreturn]] void fail(const std::string& description) {
  com::raise(com::err::kInvalidCall, kSource, description);
}

}  // namespace

const com::TypeInfo& PeriodComponent::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kProgId, kIid);
    t.propertyGet<PeriodComponent>("PropsString", {}, VarKind::String,
                                   [](PeriodComponent& c, com::Args) { return c.propsString(); })
        .propertyLet<PeriodComponent>(
            "PropsString", {Param("Props", VarKind::String)},
            [](PeriodComponent& c, com::Args a) { c.setPropsString(a[0].asString()); })
        .method<PeriodComponent>("CBGetPeriodCount", {}, VarKind::Long,
                                 [](PeriodComponent& c, com::Args) { return c.periodCount(); })
        .method<PeriodComponent>("CBGetCurrYear", {}, VarKind::Long,
                                 [](PeriodComponent& c, com::Args) { return c.currentYear(); })
        .method<PeriodComponent>("CBGetCurrPeriod", {}, VarKind::Long,
                                 [](PeriodComponent& c, com::Args) { return c.currentPeriod(); })
        .method<PeriodComponent>("GetPeriodDate",
                                 {Param("Year", VarKind::Long), Param("Period", VarKind::Long)},
                                 VarKind::Date, [](PeriodComponent& c, com::Args a) {
                                   return com::Variant::date(c.periodDate(a[0].toLong(), a[1].toLong()));
                                 });
    return t;
  }();
  return info;
}

int32_t PeriodComponent::profileValue(ado::Connection& connection, const char* category,
                                      const char* key) const {
  com::Ref<ado::Recordset> rs =
      connection.execute(std::string("select FValue from t_SystemProfile where FCategory='") + category +
                         "' and FKey='" + key + "'");
  std::string name = std::string(category) + " " + key;
  if (rs->eof()) fail("t_SystemProfile holds no " + name);
  const com::Variant& value = rs->value(size_t{0});
  try {
    return value.toLong();
  } catch (const com::ComError&) {
    fail("t_SystemProfile's " + name + " is not a whole number: '" +
         (value.isNull() ? std::string("Null") : value.toString()) + "'");
  }
}

int32_t PeriodComponent::profileValue(const char* category, const char* key) const {
  PropsConnection connection(props_, kSource);
  return profileValue(*connection, category, key);
}

int32_t PeriodComponent::periodCount() const {
  return profileValue("GL", "PeriodCount");
}

int32_t PeriodComponent::currentYear() const {
  return profileValue("CB", "CurrentYear");
}

int32_t PeriodComponent::currentPeriod() const {
  return profileValue("CB", "CurrentPeriod");
}

double PeriodComponent::periodDate(int32_t year, int32_t period) const {
  std::string what = "period " + std::to_string(period) + " of " + std::to_string(year);
  if (year < 100 || year > 9999) fail("The year of " + what + " is outside 100..9999");
  PropsConnection connection(props_, kSource);
  int32_t count = profileValue(*connection, "GL", "PeriodCount");
  if (period < 1) fail("There is no " + what + ": a year has periods 1 to " + std::to_string(count));
  // A period beyond the year's count is the year's last period.
  period = std::min(period, count);
  com::Ref<ado::Recordset> rs =
      (*connection)
          .execute("select FPeriod, FStartDate from t_PeriodCalendar where FYear = " + std::to_string(year));
  if (rs->eof()) {
    if (period > 12)
      fail("t_PeriodCalendar has no rows for " + std::to_string(year) + ", which " + what + " needs");
    return com::makeDate(year, period, 1);
  }
  for (; !rs->eof(); rs->moveNext()) {
    if (rs->value(size_t{0}).toLong() == period) return rs->value(size_t{1}).toDate();
  }
  fail("t_PeriodCalendar has no row for " + what);
}

}  // namespace mls::siblings
