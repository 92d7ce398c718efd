// The period window: the half-open date range from the first day of (year,
// period) to the first day of the period that follows (period 1 of the next
// year after the last period, or after any period beyond the count), as the
// period component Ridgeholm.AisInfo gives it.  Callers write both days into
// their SQL with sqlDate() and test FDate >= begin AND FDate < next.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/member.h"
#include "platform/com/variant.h"

namespace mls::frame {

// The forms the public classes take the window in.
enum class WindowForm {
  NextAsText,  // begin a date without time, next "YYYY-MM-DD" text (most classes)
  NextAsDate,  // both dates without time (ConcludeUpdate)
  Check,       // begin the component's date as it comes, next "yyyy-mm-dd" text (CalInfoCheck)
};

struct PeriodWindow {
  com::Variant begin;
  com::Variant next;
};

// The window of (year, period) from the period component, which is created
// through the object context and given `props`.  Errors of the component are
// raised again with their number, source and description.  A window with a
// day outside 1753-01-01..9999-12-31 (what DATETIME holds), or that holds no
// day (begin not before next), raises 5.
PeriodWindow getPeriodDateRange(std::string_view props, int32_t year, int32_t period, WindowForm form);

// The window of the cost module's current period (next as text), with that
// year and period.
struct CurrentPeriodWindow {
  int32_t year = 0;
  int32_t period = 0;
  PeriodWindow window;
};
CurrentPeriodWindow getCurPeriodDateRange(std::string_view props);

// The client's shortcut: when `dctCurPeriodDate` is a dictionary whose
// "lngISFindCurDate" is 1, its "datPeriodBeginDate" and "datCurPeriodEndDate"
// (the first day of the next period) in `form`, converted at once (13 for a
// value that is no date) and range-checked as above; otherwise
// getPeriodDateRange().
PeriodWindow periodWindow(const PeriodDates& dctCurPeriodDate, std::string_view props, int32_t year,
                          int32_t period, WindowForm form);

// A date (or date text) as a quoted SQL literal 'yyyy-mm-dd'.
std::string sqlDate(const com::Variant& date);
// A date as "yyyy-mm-dd" text.
std::string dateText(const com::Variant& date);

// The public period services: `beginDate` the period's first day; their
// Variant result is left Empty.
// CalInfo.ClientGetPeriodDate: `endDate` the period's last day as "YYYY-MM-DD" text.
com::Variant clientGetPeriodDate(Call& call, int32_t year, int32_t period, ByRef<Date> beginDate,
                                 ByRef<com::Variant> endDate);
// ConcludeUpdate.GetPeriodDateToClient: `endDate` the first day of the next period.
com::Variant getPeriodDateToClient(Call& call, int32_t year, int32_t period, ByRef<Date> beginDate,
                                   ByRef<Date> endDate);

}  // namespace mls::frame
