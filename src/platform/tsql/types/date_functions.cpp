// GETDATE, DATEADD, DATEDIFF, DATEPART, DATENAME, YEAR, MONTH and DAY.
#include <cstdint>
#include <string>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/datetime_text.h"
#include "platform/tsql/types/function_support.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql::fn {

namespace {

// IsoWeek is a part of DATEPART and DATENAME only.
enum class Part {
  Year,
  Quarter,
  Month,
  DayOfYear,
  Day,
  Week,
  Weekday,
  IsoWeek,
  Hour,
  Minute,
  Second,
  Millisecond
};

Part partFromName(std::string_view raw, const char* function) {
  std::string n = toLower(raw);
  if (n == "year" || n == "yy" || n == "yyyy") return Part::Year;
  if (n == "quarter" || n == "qq" || n == "q") return Part::Quarter;
  if (n == "month" || n == "mm" || n == "m") return Part::Month;
  if (n == "dayofyear" || n == "dy" || n == "y") return Part::DayOfYear;
  if (n == "day" || n == "dd" || n == "d") return Part::Day;
  if (n == "week" || n == "wk" || n == "ww") return Part::Week;
  if (n == "weekday" || n == "dw" || n == "w") return Part::Weekday;
  const bool reads = std::string_view(function) == "datepart" || std::string_view(function) == "datename";
  if (reads && (n == "iso_week" || n == "isowk" || n == "isoww")) return Part::IsoWeek;
  if (n == "hour" || n == "hh") return Part::Hour;
  if (n == "minute" || n == "mi" || n == "n") return Part::Minute;
  if (n == "second" || n == "ss" || n == "s") return Part::Second;
  if (n == "millisecond" || n == "ms") return Part::Millisecond;
  throwSqlError(155, {std::string(raw), function});
}

bool isTimePart(Part p) {
  return p >= Part::Hour;
}

// A date argument: text and numbers read as datetime.
SqlType dateType(const SqlType& t) {
  return t.isDateTime() ? t : SqlType(TypeId::DateTime);
}

DateTime dateArg(const Args& a, const Types& t, size_t i) {
  return implicitConvert(a[i], t[i], dateType(t[i])).asDateTime();
}

int64_t floorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Sunday-first week number since 1900-01-01 (a Monday).
int64_t weekIndex(DateTime t) {
  return floorDiv(t.days() + 1, 7);
}

// ISO 8601's week: weeks start on Monday, and a week is of the year its
// Thursday is in.
int64_t isoWeek(DateTime t) {
  const int64_t mondayBased = t.days() - floorDiv(t.days(), 7) * 7;  // 0 on a Monday
  const DateTime thursday((t.days() - mondayBased + 3) * DateTime::kTicksPerDay);
  return (thursday.parts().dayOfYear - 1) / 7 + 1;
}

int64_t datePart(Part part, DateTime t) {
  DateTime::Parts p = t.parts();
  switch (part) {
    case Part::Year:
      return p.year;
    case Part::Quarter:
      return (p.month - 1) / 3 + 1;
    case Part::Month:
      return p.month;
    case Part::DayOfYear:
      return p.dayOfYear;
    case Part::Day:
      return p.day;
    case Part::Week:
      return weekIndex(t) - weekIndex(DateTime::fromParts(p.year, 1, 1)) + 1;
    case Part::Weekday:
      return p.weekday;
    case Part::IsoWeek:
      return isoWeek(t);
    case Part::Hour:
      return p.hour;
    case Part::Minute:
      return p.minute;
    case Part::Second:
      return p.second;
    case Part::Millisecond:
      return p.millisecond;
  }
  return 0;
}

// Milliseconds since 1900-01-01 as DATETIME shows them.
int64_t totalMilliseconds(DateTime t) {
  return t.days() * 86400000 + (t.tickOfDay() * 10 + 1) / 3;
}

int64_t dateDiff(Part part, DateTime a, DateTime b) {
  DateTime::Parts x = a.parts(), y = b.parts();
  switch (part) {
    case Part::Year:
      return y.year - x.year;
    case Part::Quarter:
      return (y.year * 4 + (y.month - 1) / 3) - (x.year * 4 + (x.month - 1) / 3);
    case Part::Month:
      return (y.year * 12 + y.month) - (x.year * 12 + x.month);
    case Part::DayOfYear:
    case Part::Day:
    case Part::Weekday:
      return b.days() - a.days();
    case Part::Week:
    case Part::IsoWeek:  // not a part of DATEDIFF (partFromName)
      return weekIndex(b) - weekIndex(a);
    case Part::Hour:
      return floorDiv(b.ticks(), 3600 * 300) - floorDiv(a.ticks(), 3600 * 300);
    case Part::Minute:
      return floorDiv(b.ticks(), 60 * 300) - floorDiv(a.ticks(), 60 * 300);
    case Part::Second:
      return floorDiv(b.ticks(), 300) - floorDiv(a.ticks(), 300);
    case Part::Millisecond:
      return totalMilliseconds(b) - totalMilliseconds(a);
  }
  return 0;
}

Value dateAdd(const Args& a, const Types& t, const SqlType& r) {
  Part part = partFromName(a[0].asString(), "dateadd");
  DateTime d = dateArg(a, t, 2);
  if (r.id == TypeId::Date && isTimePart(part)) {
    throwSqlError(9810, {std::string(a[0].asString()), "dateadd", "date"});
  }
  int64_t n = implicitConvert(a[1], t[1], SqlType(TypeId::BigInt)).asInt();
  auto overflow = [&] { throwSqlError(517, {std::string(r.baseName())}); };
  if (n > INT32_MAX || n < INT32_MIN) overflow();
  int64_t ticks = d.ticks();
  auto addMonths = [&](int64_t months) {
    DateTime::Parts p = d.parts();
    int64_t total = p.year * 12LL + (p.month - 1) + months;
    int64_t year = floorDiv(total, 12);
    int month = static_cast<int>(total - year * 12) + 1;
    if (year < 1 || year > 9999) overflow();
    int day = std::min(p.day, daysInMonth(static_cast<int>(year), month));
    ticks = daysFromCivil(static_cast<int>(year), month, day) * DateTime::kTicksPerDay + d.tickOfDay();
  };
  switch (part) {
    case Part::Year:
      addMonths(n * 12);
      break;
    case Part::Quarter:
      addMonths(n * 3);
      break;
    case Part::Month:
      addMonths(n);
      break;
    case Part::DayOfYear:
    case Part::Day:
    case Part::Weekday:
      ticks += n * DateTime::kTicksPerDay;
      break;
    case Part::Week:
    case Part::IsoWeek:  // not a part of DATEADD (partFromName)
      ticks += n * 7 * DateTime::kTicksPerDay;
      break;
    case Part::Hour:
      ticks += n * 3600 * DateTime::kTicksPerSecond;
      break;
    case Part::Minute:
      ticks += n * DateTime::kTicksPerMinute;
      break;
    case Part::Second:
      ticks += n * DateTime::kTicksPerSecond;
      break;
    case Part::Millisecond:
      ticks += (n * 3 + (n < 0 ? -5 : 5)) / 10;
      break;
  }
  DateTime out(ticks);
  bool inRange = r.id == TypeId::Date            ? out.inDateRange()
                 : r.id == TypeId::SmallDateTime ? out.roundedToMinute().inSmallDateTimeRange()
                                                 : out.inDateTimeRange();
  if (!inRange) overflow();
  if (r.id == TypeId::SmallDateTime) out = out.roundedToMinute();
  return Value::dateTime(out);
}

Value dateValuePart(const Args& a, const Types& t, Part part) {
  return Value::integer(datePart(part, dateArg(a, t, a.size() - 1)));
}

// The date of DATEPART(part, date) or DATENAME: a date value has no time
// parts (9810), text has them all.
DateTime partedDate(const Args& a, const Types& t, Part part, const char* function) {
  if (t[1].id == TypeId::Date && isTimePart(part))
    throwSqlError(9810, {std::string(a[0].asString()), function, "date"});
  return dateArg(a, t, 1);
}

SqlType intType(const ArgInfos&) {
  return SqlType(TypeId::Int);
}

}  // namespace

void addDateFunctions(std::vector<FunctionDef>& out) {
  out.push_back({"GETDATE", 0, 0, [](const ArgInfos&) { return SqlType(TypeId::DateTime); },
                 [](const Args&, const Types&, const SqlType&, const FunctionContext& ctx) {
                   return Value::dateTime(ctx.now);
                 }});
  out.push_back({"DATEADD", 3, 3, [](const ArgInfos& a) { return dateType(a[2].type); },
                 [](const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
                   return dateAdd(a, t, r);
                 }});
  out.push_back(
      {"DATEDIFF", 3, 3, intType, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         Part part = partFromName(a[0].asString(), "datediff");
         int64_t n = dateDiff(part, dateArg(a, t, 1), dateArg(a, t, 2));
         if (n > INT32_MAX || n < INT32_MIN) throwSqlError(535);
         return Value::integer(n);
       }});
  out.push_back(
      {"DATEPART", 2, 2, intType, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         const Part part = partFromName(a[0].asString(), "datepart");
         return Value::integer(datePart(part, partedDate(a, t, part, "datepart")));
       }});
  // DATENAME: the month's and the weekday's us_english names, any other part
  // as DATEPART's number in text.
  out.push_back({"DATENAME", 2, 2, [](const ArgInfos&) { return SqlType::nvarchar(30); },
                 [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
                   const Part part = partFromName(a[0].asString(), "datename");
                   const DateTime d = partedDate(a, t, part, "datename");
                   if (part == Part::Month) return Value::string(std::string(monthName(d.parts().month)));
                   if (part == Part::Weekday)
                     return Value::string(std::string(weekdayName(d.parts().weekday)));
                   return Value::string(std::to_string(datePart(part, d)));
                 }});
  out.push_back(
      {"YEAR", 1, 1, intType, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         return dateValuePart(a, t, Part::Year);
       }});
  out.push_back(
      {"MONTH", 1, 1, intType, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         return dateValuePart(a, t, Part::Month);
       }});
  out.push_back(
      {"DAY", 1, 1, intType, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         return dateValuePart(a, t, Part::Day);
       }});
}

}  // namespace mls::tsql::fn
