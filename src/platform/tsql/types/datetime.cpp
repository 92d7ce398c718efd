#include "platform/tsql/types/datetime.h"

#include "platform/common/civil_date.h"

namespace mls::tsql {

namespace {

constexpr int64_t kEpoch1900 = civil::daysFromCivil(1900, 1, 1);

int64_t floorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

void civilFromDays(int64_t days, int& year, int& month, int& day) {
  civil::civilFromDays(days + kEpoch1900, year, month, day);
}

}  // namespace

int64_t daysFromCivil(int year, int month, int day) {
  return civil::daysFromCivil(year, month, day) - kEpoch1900;
}

int daysInMonth(int year, int month) {
  return civil::daysInMonth(year, month);
}

bool isValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= daysInMonth(year, month);
}

DateTime DateTime::fromParts(int year, int month, int day, int hour, int minute, int second,
                             int millisecond) {
  int64_t ticks = daysFromCivil(year, month, day) * kTicksPerDay +
                  (static_cast<int64_t>(hour) * 3600 + minute * 60 + second) * kTicksPerSecond;
  // Milliseconds to 1/300 s ticks, half up: .005 s is 1.5 ticks and shows as .007.
  ticks += (static_cast<int64_t>(millisecond) * 3 + 5) / 10;
  return DateTime(ticks);
}

int64_t DateTime::days() const {
  return floorDiv(ticks_, kTicksPerDay);
}

int64_t DateTime::tickOfDay() const {
  return ticks_ - days() * kTicksPerDay;
}

DateTime::Parts DateTime::parts() const {
  Parts p;
  int64_t d = days();
  civilFromDays(d, p.year, p.month, p.day);
  int64_t t = tickOfDay();
  int64_t seconds = t / kTicksPerSecond;
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  p.millisecond = static_cast<int>(((t % kTicksPerSecond) * 10 + 1) / 3);
  p.dayOfYear = static_cast<int>(d - daysFromCivil(p.year, 1, 1) + 1);
  // 1900-01-01 was a Monday: weekday 2 with Sunday first.
  int64_t sinceSunday = (d + 1) % 7;
  p.weekday = static_cast<int>(sinceSunday < 0 ? sinceSunday + 7 : sinceSunday) + 1;
  return p;
}

bool DateTime::inDateTimeRange() const {
  static const int64_t lo = daysFromCivil(1753, 1, 1) * kTicksPerDay;
  static const int64_t hi = (daysFromCivil(9999, 12, 31) + 1) * kTicksPerDay;
  return ticks_ >= lo && ticks_ < hi;
}

bool DateTime::inSmallDateTimeRange() const {
  static const int64_t hi = daysFromCivil(2079, 6, 6) * kTicksPerDay + (23 * 60 + 59) * kTicksPerMinute;
  return ticks_ >= 0 && ticks_ <= hi;
}

bool DateTime::inDateRange() const {
  static const int64_t lo = daysFromCivil(1, 1, 1) * kTicksPerDay;
  static const int64_t hi = (daysFromCivil(9999, 12, 31) + 1) * kTicksPerDay;
  return ticks_ >= lo && ticks_ < hi;
}

DateTime DateTime::roundedToMinute() const {
  // 29.998 s and below round down, 29.999 s (tick 8999.7 -> 9000) up.
  int64_t minutes = floorDiv(ticks_, kTicksPerMinute);
  int64_t rest = ticks_ - minutes * kTicksPerMinute;
  if (rest >= 30 * kTicksPerSecond) ++minutes;
  return DateTime(minutes * kTicksPerMinute);
}

}  // namespace mls::tsql
