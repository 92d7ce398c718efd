// Automation dates: days since 1899-12-30; the fraction is the time of day, also
// for dates before 1899-12-30 (-1.25 is 1899-12-29 06:00).
#include <cmath>
#include <cstdio>

#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "platform/com/variant_text.h"
#include "platform/common/civil_date.h"

namespace mls::com {

namespace {

constexpr int kSecondsPerDay = 86400;

using civil::daysFromCivil;
using civil::daysInMonth;

void civilFromDays(int64_t z, DateParts& p) {
  civil::civilFromDays(z, p.year, p.month, p.day);
}

const int64_t kEpochDays = daysFromCivil(1899, 12, 30);

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
