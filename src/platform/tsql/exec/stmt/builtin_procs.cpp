// The procedures every database has.
//
// GetPeriodStartEnd @year int, @period int, @start datetime OUTPUT,
// @end datetime OUTPUT: the first day of an accounting period and the first
// day of the period after it, so that the period's dates d are
// @start <= d < @end.  The first days come from the accounting calendar
// t_PeriodCalendar (FYear, FPeriod, FStartDate); the period after a year's last
// one is period 1 of the next year; a year without calendar rows (or a
// database without the calendar) runs in calendar months.
#include <map>
#include <optional>
#include <string>

#include "platform/tsql/exec/stmt/procedures.h"
#include "platform/tsql/types/datetime.h"

namespace mls::tsql {

namespace {

[[noreturn]] void periodError(const std::string& text) {
  throw SqlError(50000, 16, 1, 0, "GetPeriodStartEnd: " + text);
}

// The first days of `year`'s periods in the calendar (empty: none there).
std::map<int64_t, DateTime> calendarYear(ProcedureCall& call, int64_t year) {
  BatchResult r = call.execute(
      "IF OBJECT_ID('t_PeriodCalendar', 'U') IS NOT NULL "
      "SELECT FPeriod, FStartDate FROM t_PeriodCalendar WHERE FYear = @year",
      {{"@year", Value::integer(year), SqlType(TypeId::Int)}});
  std::map<int64_t, DateTime> starts;
  for (const ResultItem& item : r.items) {
    if (item.kind != ResultItem::Kind::Rowset) continue;
    for (const auto& row : item.rowset.rows)
      starts[row[0].asInt()] = row[1].asDateTime();
  }
  return starts;
}

DateTime monthStart(int64_t year, int64_t month) {
  if (month > 12) {
    year += 1;
    month = 1;
  }
  if (year < 1753 || year > 9999) periodError("year " + std::to_string(year) + " is outside 1753..9999");
  return DateTime::fromParts(static_cast<int>(year), static_cast<int>(month), 1);
}

struct PeriodBounds {
  DateTime start, end;
};

// The reader of the calendar: a replaceable piece of the procedure.
PeriodBounds periodBounds(ProcedureCall& call, int64_t year, int64_t period) {
  const std::string what = "period " + std::to_string(period) + " of " + std::to_string(year);
  std::map<int64_t, DateTime> starts = calendarYear(call, year);
  if (starts.empty()) {
    if (period < 1 || period > 12) periodError("there is no " + what + " in calendar months");
    return {monthStart(year, period), monthStart(year, period + 1)};
  }
  auto it = starts.find(period);
  if (it == starts.end()) periodError("t_PeriodCalendar has no row for " + what);
  PeriodBounds b{it->second, {}};
  if (++it != starts.end()) {
    b.end = it->second;
  } else {
    std::map<int64_t, DateTime> next = calendarYear(call, year + 1);
    auto first = next.find(1);
    if (!next.empty() && first == next.end()) {
      periodError("t_PeriodCalendar has no row for period 1 of " + std::to_string(year + 1));
    }
    b.end = next.empty() ? monthStart(year + 1, 1) : first->second;
  }
  if (b.end <= b.start) periodError("t_PeriodCalendar's " + what + " does not end after it starts");
  return b;
}

int getPeriodStartEnd(ProcedureCall& call) {
  const Value year = call["@year"];
  const Value period = call["@period"];
  if (year.isNull() || period.isNull()) {
    call["@start"] = Value();
    call["@end"] = Value();
    return 0;
  }
  PeriodBounds b = periodBounds(call, year.asInt(), period.asInt());
  call["@start"] = Value::dateTime(b.start);
  call["@end"] = Value::dateTime(b.end);
  return 0;
}

}  // namespace

void registerBuiltinProcedures(ProcedureRegistry& registry) {
  const SqlType integer(TypeId::Int), datetime(TypeId::DateTime);
  registry.add({"GetPeriodStartEnd",
                {{"@year", integer, false, std::nullopt},
                 {"@period", integer, false, std::nullopt},
                 {"@start", datetime, true, std::nullopt},
                 {"@end", datetime, true, std::nullopt}},
                &getPeriodStartEnd});
}

}  // namespace mls::tsql
