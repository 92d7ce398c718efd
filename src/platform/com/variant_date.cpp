// Automation dates: days since 1899-12-30; the fraction is the time of day, also
// for dates before 1899-12-30 (-1.25 is 1899-12-29 06:00).
#include <cmath>
#include <cstdio>

#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "platform/com/variant_text.h"

namespace mls::com {

namespace {

constexpr int kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, DateParts& p) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  p.year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (p.month <= 2));
}

const int64_t kEpochDays = daysFromCivil(1899, 12, 30);

bool isLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Serial date <-> a continuous day count (the time of day always counts forward).
double toLinear(double serial) {
  double day = std::trunc(serial);
  return serial >= 0 ? serial : day + (day - serial);
}

double fromLinear(double linear) {
  double day = std::floor(linear);
  double time = linear - day;
  return day >= 0 ? day + time : day - time;
}

// Reads 1..maxDigits decimal digits (exactly `minDigits` at least).
bool readNumber(std::string_view text, size_t& pos, int minDigits, int maxDigits, int& out) {
  int n = 0, count = 0;
  while (pos < text.size() && count < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
    n = n * 10 + (text[pos++] - '0');
    ++count;
  }
  out = n;
  return count >= minDigits;
}

}  // namespace

double makeDate(int year, int month, int day, int hour, int minute, int second) {
  double days = static_cast<double>(
      daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays);
  double time = (hour * 3600 + minute * 60 + second) / static_cast<double>(kSecondsPerDay);
  return days >= 0 ? days + time : days - time;
}

DateParts splitDate(double date) {
  if (!isValidDate(date)) raise(err::kOverflow);
  double whole = std::trunc(date);
  auto seconds = static_cast<int64_t>(std::llround(std::fabs(date - whole) * kSecondsPerDay));
  auto day = static_cast<int64_t>(whole);
  if (seconds >= kSecondsPerDay) {  // rounds up to the next midnight
    seconds -= kSecondsPerDay;
    day += 1;
  }
  DateParts p;
  civilFromDays(day + kEpochDays, p);
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  return p;
}

bool isValidDate(double serial) {
  return serial > -657435.0 && serial < 2958466.0;
}

std::optional<double> parseDateText(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  size_t pos = 0;
  int y, m, d, hh = 0, nn = 0, ss = 0;
  if (!readNumber(text, pos, 4, 4, y) || pos == text.size()) return std::nullopt;
  char sep = text[pos++];
  if (sep != '-' && sep != '/') return std::nullopt;
  if (!readNumber(text, pos, 1, 2, m) || pos == text.size() || text[pos++] != sep) return std::nullopt;
  if (!readNumber(text, pos, 1, 2, d)) return std::nullopt;
  if (pos < text.size()) {
    if (text[pos] != ' ') return std::nullopt;
    while (pos < text.size() && text[pos] == ' ')
      ++pos;
    if (!readNumber(text, pos, 1, 2, hh) || pos == text.size() || text[pos++] != ':') return std::nullopt;
    if (!readNumber(text, pos, 2, 2, nn)) return std::nullopt;
    if (pos < text.size() && (text[pos++] != ':' || !readNumber(text, pos, 2, 2, ss))) return std::nullopt;
    if (pos != text.size()) return std::nullopt;
  }
  if (y < 100 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return std::nullopt;
  if (hh > 23 || nn > 59 || ss > 59) return std::nullopt;
  return makeDate(y, m, d, hh, nn, ss);
}

std::string formatDateText(double serial) {
  DateParts p = splitDate(serial);
  char buf[32];
  if (p.hour == 0 && p.minute == 0 && p.second == 0) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                  p.second);
  }
  return buf;
}

double dateMinusDays(double date, double days) {
  double result = fromLinear(toLinear(date) - days);
  if (!isValidDate(result)) raise(err::kOverflow);
  return result;
}

}  // namespace mls::com
