#include "frame/period_window.h"

#include <limits>
#include <utility>

#include "frame/component.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "platform/halvern/date_format.h"

namespace mls::frame {
namespace {

constexpr const char* kPeriodProgId = "Ridgeholm.AisInfo";

// The component's raw answers for one window.
struct ComponentDates {
  com::Variant first;  // GetPeriodDate(year, period)
  com::Variant next;   // the first day of the period that follows
};

int32_t plusOne(int32_t n) {
  if (n == std::numeric_limits<int32_t>::max()) com::raise(com::err::kOverflow);
  return n + 1;
}

com::Ref<com::Dispatch> periodComponent(std::string_view props) {
  com::Ref<com::Dispatch> component = com::getObjectContext().createInstance(kPeriodProgId);
  com::letProperty(*component, "PropsString", std::string(props));
  return component;
}

ComponentDates componentDates(com::Dispatch& component, int32_t year, int32_t period) {
  int32_t count = com::callByName(component, "CBGetPeriodCount").toLong();
  ComponentDates d;
  d.first = com::callByName(component, "GetPeriodDate", year, period);
  d.next = period >= count ? com::callByName(component, "GetPeriodDate", plusOne(year), int32_t{1})
                           : com::callByName(component, "GetPeriodDate", year, plusOne(period));
  return d;
}

// Runs `fn`; an error leaves with its number, source and description only.
template <class F>
auto periodRoutine(F&& fn) -> decltype(fn()) {
  try {
    return fn();
  } catch (const com::ComError& e) {
    com::ComError bare(e.number(), e.source(), e.description());
    com::currentError() = bare.info();
    throw bare;
  }
}

com::Variant dayOnly(const com::Variant& date) {
  return com::Variant::date(com::Variant(halvern::DateFormat::formatDate(date, "YYYY-MM-DD")).toDate());
}

PeriodWindow windowOf(const ComponentDates& d, WindowForm form) {
  switch (form) {
    case WindowForm::NextAsText:
      return {dayOnly(d.first), com::Variant(dateText(d.next))};
    case WindowForm::NextAsDate:
      return {dayOnly(d.first), dayOnly(d.next)};
    case WindowForm::Check:
      return {com::Variant::date(d.first.toDate()), com::Variant(dateText(d.next))};
  }
  return {};
}

// The days a DATETIME column holds.
constexpr std::string_view kFirstDay = "1753-01-01";
constexpr std::string_view kLastDay = "9999-12-31";

// A window that holds at least one day, both of whose days the database can
// hold; 5 otherwise, before any statement carries them.  The days compare as
// their "yyyy-mm-dd" texts.
PeriodWindow checked(PeriodWindow w) {
  const std::string begin = dateText(w.begin);
  const std::string next = dateText(w.next);
  const std::string window = "The period window " + begin + " to " + next;
  for (const std::string& day : {begin, next}) {
    if (day < kFirstDay || day > kLastDay) {
      com::raise(com::err::kInvalidCall, kComponent,
                 window + " lies outside the days the database holds, " + std::string(kFirstDay) + " to " +
                     std::string(kLastDay));
    }
  }
  if (begin >= next) {
    com::raise(com::err::kInvalidCall, kComponent,
               window + " holds no day: its first day must come before the first day of the next period");
  }
  return w;
}

}  // namespace

std::string dateText(const com::Variant& date) {
  return halvern::DateFormat::formatDate(date, "YYYY-MM-DD");
}

std::string sqlDate(const com::Variant& date) {
  return "'" + dateText(date) + "'";
}

PeriodWindow getPeriodDateRange(std::string_view props, int32_t year, int32_t period, WindowForm form) {
  return periodRoutine([&] {
    com::Ref<com::Dispatch> component = periodComponent(props);
    return checked(windowOf(componentDates(*component, year, period), form));
  });
}

CurrentPeriodWindow getCurPeriodDateRange(std::string_view props) {
  return periodRoutine([&] {
    com::Ref<com::Dispatch> component = periodComponent(props);
    CurrentPeriodWindow w;
    w.year = com::callByName(*component, "CBGetCurrYear").toLong();
    w.period = com::callByName(*component, "CBGetCurrPeriod").toLong();
    w.window = checked(windowOf(componentDates(*component, w.year, w.period), WindowForm::NextAsText));
    return w;
  });
}

PeriodWindow periodWindow(const PeriodDates& dctCurPeriodDate, std::string_view props, int32_t year,
                          int32_t period, WindowForm form) {
  const com::Variant& given = dctCurPeriodDate.value.deref();
  if (given.isObject() && given.toObject()) {
    com::Dispatch& dict = *given.toObject();
    if (com::getProperty(dict, "Item", "lngISFindCurDate").toLong() == 1) {
      // Converted now, so that a value that is no date fails before any statement.
      return checked(windowOf({com::getProperty(dict, "Item", "datPeriodBeginDate"),
                               com::getProperty(dict, "Item", "datCurPeriodEndDate")},
                              form));
    }
  }
  return getPeriodDateRange(props, year, period, form);
}

com::Variant clientGetPeriodDate(Call& call, int32_t year, int32_t period, ByRef<Date> beginDate,
                                 ByRef<com::Variant> endDate) {
  auto [begin, end] = periodRoutine([&] {
    ComponentDates d = componentDates(*periodComponent(call.props()), year, period);
    double lastDay = com::dateMinusDays(d.next.toDate(), 1);
    return std::pair{dayOnly(d.first), com::Variant(dateText(com::Variant::date(lastDay)))};
  });
  beginDate = begin;
  endDate = end;
  return {};
}

com::Variant getPeriodDateToClient(Call& call, int32_t year, int32_t period, ByRef<Date> beginDate,
                                   ByRef<Date> endDate) {
  auto [begin, next] = periodRoutine([&] {
    ComponentDates d = componentDates(*periodComponent(call.props()), year, period);
    return std::pair{dayOnly(d.first), com::Variant::date(d.next.toDate())};
  });
  beginDate = begin;
  endDate = next;
  return {};
}

}  // namespace mls::frame
