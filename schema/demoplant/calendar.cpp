#include "schema/demoplant/calendar.h"

#include <cstdio>

namespace mls::demoplant {

// Days from civil dates and back, on the proleptic Gregorian calendar.
Day dayOf(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::string dayText(Day d) {
  const int z = d + 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  const int day = doy - (153 * mp + 2) / 5 + 1;
  const int month = mp < 10 ? mp + 3 : mp - 9;
  const int year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

Window periodWindow(int year, int period) {
  auto first = [](int y, int p) { return p == 1 ? dayOf(y - 1, 12, 26) : dayOf(y, p - 1, 26); };
  return {first(year, period), period >= 12 ? first(year + 1, 1) : first(year, period + 1)};
}

}  // namespace mls::demoplant
