// Points in time as the server's DATETIME keeps them: ticks of 1/300 second
// since 1900-01-01 00:00:00 (negative before it).  SMALLDATETIME (whole
// minutes) and DATE (midnight) use the same representation; the conversions
// enforce their precision and range.
#pragma once

#include <compare>
#include <cstdint>

namespace mls::tsql {

class DateTime {
 public:
  static constexpr int64_t kTicksPerSecond = 300;
  static constexpr int64_t kTicksPerMinute = 60 * kTicksPerSecond;
  static constexpr int64_t kTicksPerDay = 24 * 60 * kTicksPerMinute;

  struct Parts {
    int year = 1900, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    int millisecond = 0;  // as DATETIME shows it: 0, 3, 7, 10, ... 997
    int dayOfYear = 1;
    int weekday = 1;  // 1 = Sunday ... 7 = Saturday (DATEFIRST 7)
  };

  DateTime() = default;
  explicit DateTime(int64_t ticks) : ticks_(ticks) {}

  // The ticks of a calendar date and time; milliseconds round to the nearest
  // tick (.001 -> .000, .002 -> .003, .005 -> .007, .999 -> next second).
  static DateTime fromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                            int millisecond = 0);
  static DateTime fromDays(int64_t days) { return DateTime(days * kTicksPerDay); }

  int64_t ticks() const { return ticks_; }
  int64_t days() const;       // whole days since 1900-01-01 (floor)
  int64_t tickOfDay() const;  // 0 .. kTicksPerDay-1
  Parts parts() const;

  // Range checks of the three types (DATETIME 1753-01-01..9999-12-31 23:59:59.997,
  // SMALLDATETIME 1900-01-01..2079-06-06 23:59, DATE 0001-01-01..9999-12-31).
  bool inDateTimeRange() const;
  bool inSmallDateTimeRange() const;
  bool inDateRange() const;
  // The value rounded to the minute (SMALLDATETIME: 29.998 s rounds down, 29.999 s up).
  DateTime roundedToMinute() const;
  DateTime dateOnly() const { return fromDays(days()); }

  friend auto operator<=>(const DateTime&, const DateTime&) = default;

 private:
  int64_t ticks_ = 0;
};

// Days from 1900-01-01 to the given civil date (proleptic Gregorian).
int64_t daysFromCivil(int year, int month, int day);
bool isValidDate(int year, int month, int day);
int daysInMonth(int year, int month);

}  // namespace mls::tsql
