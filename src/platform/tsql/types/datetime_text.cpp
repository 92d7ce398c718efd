#include "platform/tsql/types/datetime_text.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "platform/common/ascii_text.h"

namespace mls::tsql {

namespace {

using ascii::equalsNoCase;

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A cursor over the text with the few token readers the formats need.
struct Reader {
  std::string_view s;
  size_t pos = 0;

  bool done() const { return pos >= s.size(); }
  char peek() const { return done() ? '\0' : s[pos]; }
  bool accept(char c) {
    if (peek() != c) return false;
    ++pos;
    return true;
  }
  void skipSpaces() {
    while (peek() == ' ')
      ++pos;
  }
  // Reads 1..maxDigits digits; -1 when none.
  int number(int maxDigits, int* count = nullptr) {
    int v = 0, n = 0;
    while (n < maxDigits && std::isdigit(static_cast<unsigned char>(peek()))) {
      v = v * 10 + (s[pos++] - '0');
      ++n;
    }
    if (count) *count = n;
    return n == 0 ? -1 : v;
  }
};

bool isDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool isAlpha(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

bool isDigits(std::string_view s) {
  for (char c : s) {
    if (!isDigit(c)) return false;
  }
  return !s.empty();
}

int toInt(std::string_view digits) {
  int v = 0;
  for (char c : digits)
    v = v * 10 + (c - '0');
  return v;
}

// AM or PM at `pos` (any case), not followed by a letter.
bool isMeridiem(std::string_view s, size_t pos) {
  if (pos + 2 > s.size() || isAlpha(pos + 2 < s.size() ? s[pos + 2] : ' ')) return false;
  char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[pos])));
  return (c == 'A' || c == 'P') && std::toupper(static_cast<unsigned char>(s[pos + 1])) == 'M';
}

// 1..12 for a us_english month name or its three-letter abbreviation, else 0.
int monthNamed(std::string_view word) {
  for (int m = 1; m <= 12; ++m) {
    if (equalsNoCase(word, kMonths[m - 1]) || equalsNoCase(word, monthName(m))) return m;
  }
  return 0;
}

// A two-digit year under the cutoff 2049.
int fullYear(int year, int digits) {
  if (digits > 2) return year;
  return year <= 49 ? 2000 + year : 1900 + year;
}

// hh:mi[:ss[.fff | :mmm]] [AM|PM], or h AM|PM; fills the time and returns
// false on bad text.
bool readTime(Reader& r, int& h, int& mi, int& sec, int& ms) {
  h = r.number(2);
  if (h < 0) return false;
  mi = 0, sec = 0, ms = 0;
  if (r.accept(':')) {
    mi = r.number(2);
    if (mi < 0) return false;
    if (r.accept(':')) {
      sec = r.number(2);
      if (sec < 0) return false;
      if (r.accept('.')) {  // a fraction of a second
        int digits = 0;
        int frac = r.number(3, &digits);
        if (frac < 0 || isDigit(r.peek())) return false;
        for (int i = digits; i < 3; ++i)
          frac *= 10;
        ms = frac;
      } else if (r.accept(':')) {  // milliseconds
        ms = r.number(3);
        if (ms < 0 || isDigit(r.peek())) return false;
      }
    }
    r.skipSpaces();
  } else {
    r.skipSpaces();
    if (!isMeridiem(r.s, r.pos)) return false;  // an hour alone needs AM or PM
  }
  if (isMeridiem(r.s, r.pos)) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(r.peek())));
    r.pos += 2;
    if (h > 12) return false;
    if (c == 'A' && h == 12) h = 0;
    if (c == 'P' && h != 12) h += 12;
  }
  return h <= 23 && mi <= 59 && sec <= 59;
}

// Where the time begins: the first number followed by ':' or by AM/PM; the
// text's size when there is no time.
size_t timeStart(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    if (!isDigit(s[i])) {
      ++i;
      continue;
    }
    size_t start = i;
    while (i < s.size() && isDigit(s[i]))
      ++i;
    bool standsAlone = start == 0 || !isAlpha(s[start - 1]) || s[start - 1] == 'T' || s[start - 1] == 't';
    if (i < s.size() && s[i] == ':' && standsAlone) return start;
    size_t j = i;
    while (j < s.size() && s[j] == ' ')
      ++j;
    if (standsAlone && isMeridiem(s, j)) return start;
  }
  return s.size();
}

struct Ymd {
  int y = 1900, m = 1, d = 1;
};

// The order a CONVERT style names, or `order` for styles that name none.
DateOrder styleOrder(int style, DateOrder order) {
  switch (style) {
    case 1:
    case 101:
    case 10:
    case 110:
    case 22:
      return DateOrder::Mdy;
    case 3:
    case 103:
    case 4:
    case 104:
    case 5:
    case 105:
      return DateOrder::Dmy;
    case 2:
    case 102:
    case 11:
    case 111:
      return DateOrder::Ymd;
    default:
      return order;
  }
}

// 'a/b/c' with one separator of - / . ; the places of year, month and day
// come from the order, a four-digit year standing wherever it is written.
bool readNumericDate(std::string_view s, DateOrder order, bool yearFirstIsYmd, Ymd& out) {
  std::string_view parts[3];
  char sep = 0;
  size_t begin = 0;
  int n = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && isDigit(s[i])) continue;
    if (n == 3 || i == begin) return false;
    parts[n++] = s.substr(begin, i - begin);
    if (i == s.size()) break;
    if (s[i] != '-' && s[i] != '/' && s[i] != '.') return false;
    if (sep != 0 && s[i] != sep) return false;
    sep = s[i];
    begin = i + 1;
  }
  if (n != 3) return false;
  // the places of year, month and day in the written order
  static const char* const kPlaces[] = {"mdy", "dmy", "ymd", "ydm", "myd", "dym"};
  std::string places = kPlaces[static_cast<int>(order)];
  int yearAt = -1;
  for (int k = 0; k < 3; ++k) {
    if (parts[k].size() == 3 || parts[k].size() > 4) return false;
    if (parts[k].size() == 4) {
      if (yearAt >= 0) return false;
      yearAt = k;
    }
  }
  if (yearAt >= 0 && places[yearAt] != 'y') {
    // the month and the day keep their relative order around the year
    bool monthFirst = places.find('m') < places.find('d');
    places = std::string(3, 'y');
    int other = 0;
    for (int k = 0; k < 3; ++k) {
      if (k == yearAt) continue;
      places[k] = (other++ == 0) == monthFirst ? 'm' : 'd';
    }
  }
  if (yearFirstIsYmd && yearAt == 0) places = "ymd";
  for (int k = 0; k < 3; ++k) {
    int v = toInt(parts[k]);
    if (places[k] == 'y') {
      out.y = fullYear(v, static_cast<int>(parts[k].size()));
    } else {
      if (parts[k].size() > 2) return false;
      (places[k] == 'm' ? out.m : out.d) = v;
    }
  }
  return true;
}

// A month by name with one or two numbers: the year (two or four digits) and
// the day; a four-digit number is the year, else the first is the day.
bool readAlphabeticDate(std::string_view s, Ymd& out) {
  int month = 0;
  std::string_view numbers[2];
  int n = 0;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == ' ' || c == ',' || c == '-' || c == '/' || c == '.') {
      ++i;
      continue;
    }
    size_t start = i;
    bool word = isAlpha(c);
    while (i < s.size() && (word ? isAlpha(s[i]) : isDigit(s[i])))
      ++i;
    if (i == start) return false;
    std::string_view token = s.substr(start, i - start);
    if (word) {
      if (month != 0) return false;
      month = monthNamed(token);
      if (month == 0) return false;
    } else {
      if (n == 2) return false;
      numbers[n++] = token;
    }
  }
  if (month == 0 || n == 0) return false;
  std::string_view day, year;
  if (n == 1) {
    year = numbers[0];
    if (year.size() != 4) return false;
  } else if (numbers[0].size() == 4) {
    year = numbers[0], day = numbers[1];
  } else {
    day = numbers[0], year = numbers[1];
  }
  if ((year.size() != 2 && year.size() != 4) || day.size() > 2) return false;
  out.y = fullYear(toInt(year), static_cast<int>(year.size()));
  out.m = month;
  out.d = day.empty() ? 1 : toInt(day);
  return true;
}

bool readDate(std::string_view s, bool isoTime, DateOrder order, bool yearFirstIsYmd, Ymd& out) {
  if (isDigits(s)) {
    if (s.size() == 8) {
      out = {toInt(s.substr(0, 4)), toInt(s.substr(4, 2)), toInt(s.substr(6, 2))};
    } else if (s.size() == 6 && !isoTime) {
      out = {fullYear(toInt(s.substr(0, 2)), 2), toInt(s.substr(2, 2)), toInt(s.substr(4, 2))};
    } else if (s.size() == 4 && !isoTime) {
      out = {toInt(s), 1, 1};
    } else {
      return false;
    }
    return true;
  }
  if (isoTime) {  // yyyy-mm-ddThh:mi:ss, read the same under every order
    if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !isDigits(s.substr(0, 4)) ||
        !isDigits(s.substr(5, 2)) || !isDigits(s.substr(8, 2)))
      return false;
    out = {toInt(s.substr(0, 4)), toInt(s.substr(5, 2)), toInt(s.substr(8, 2))};
    return true;
  }
  for (char c : s) {
    if (isAlpha(c)) return readAlphabeticDate(s, out);
  }
  return readNumericDate(s, order, yearFirstIsYmd, out);
}

std::string_view trimSpaces(std::string_view s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

thread_local DateOrder tCurrentOrder = DateOrder::Mdy;

}  // namespace

std::string_view monthName(int month) {
  static constexpr std::string_view kNames[] = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
  return kNames[month - 1];
}

std::string_view weekdayName(int weekday) {
  static constexpr std::string_view kNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                "Thursday", "Friday", "Saturday"};
  return kNames[weekday - 1];
}

bool isDateStyle(int style) {
  return (style >= 0 && style <= 14) || (style >= 20 && style <= 25) || (style >= 100 && style <= 114) ||
         style == 120 || style == 121 || style == 126 || style == 127;
}

std::optional<DateOrder> dateOrderNamed(std::string_view name) {
  static const DateOrder kOrders[] = {DateOrder::Mdy, DateOrder::Dmy, DateOrder::Ymd,
                                      DateOrder::Ydm, DateOrder::Myd, DateOrder::Dym};
  for (DateOrder o : kOrders) {
    if (equalsNoCase(name, dateOrderName(o))) return o;
  }
  return std::nullopt;
}

std::string_view dateOrderName(DateOrder order) {
  static const std::string_view kNames[] = {"mdy", "dmy", "ymd", "ydm", "myd", "dym"};
  return kNames[static_cast<int>(order)];
}

DateOrder currentDateOrder() {
  return tCurrentOrder;
}

DateOrderScope::DateOrderScope(DateOrder order) : saved_(tCurrentOrder) {
  tCurrentOrder = order;
}

DateOrderScope::~DateOrderScope() {
  tCurrentOrder = saved_;
}

DateParse parseDateTimeText(std::string_view text, int style, DateTime& out, DateOrder order, bool toDate) {
  std::string_view s = trimSpaces(text);
  size_t at = timeStart(s);
  std::string_view datePart = trimSpaces(s.substr(0, at));
  bool isoTime = false;
  if (at < s.size() && at > 0 && (s[at - 1] == 'T' || s[at - 1] == 't') && !datePart.empty()) {
    isoTime = true;
    datePart = datePart.substr(0, datePart.size() - 1);
    if (datePart.empty() || datePart.back() == ' ') return DateParse::BadFormat;
  } else if (at < s.size() && at > 0 && s[at - 1] != ' ') {
    return DateParse::BadFormat;  // a time runs on from the date
  }
  // DATE, and the ODBC and ISO styles, read a four-digit year written first
  // as year-month-day.
  const bool yearFirstIsYmd = toDate || style == 20 || style == 120 || style == 21 || style == 121 ||
                              style == 23 || style == 25 || style == 126 || style == 127;
  Ymd date;
  if (!datePart.empty() && !readDate(datePart, isoTime, styleOrder(style, order), yearFirstIsYmd, date))
    return DateParse::BadFormat;
  int h = 0, mi = 0, sec = 0, ms = 0;
  if (at < s.size()) {
    Reader r{s, at};
    if (!readTime(r, h, mi, sec, ms)) return DateParse::BadFormat;
    // Style 127 reads ISO 8601 with the time zone mark of UTC.
    if (isoTime && style == 127 && !r.accept('Z')) r.accept('z');
    r.skipSpaces();
    if (!r.done()) return DateParse::BadFormat;
  }
  if (!isValidDate(date.y, date.m, date.d)) return DateParse::OutOfRange;
  out = DateTime::fromParts(date.y, date.m, date.d, h, mi, sec, ms);
  return DateParse::Ok;
}

namespace {

// The styles of a date in numbers only (1 to 12, 101 to 112: two-digit years
// below 100, four-digit ones above), or nothing for another style.
std::optional<std::string> formatNumericDate(const DateTime::Parts& p, int style) {
  char buf[64];
  auto fmt = [&](const char* f, auto... args) {
    std::snprintf(buf, sizeof buf, f, args...);
    return std::string(buf);
  };
  int yy = p.year % 100;
  switch (style) {
    case 1:
      return fmt("%02d/%02d/%02d", p.month, p.day, yy);
    case 101:
      return fmt("%02d/%02d/%04d", p.month, p.day, p.year);
    case 2:
      return fmt("%02d.%02d.%02d", yy, p.month, p.day);
    case 102:
      return fmt("%04d.%02d.%02d", p.year, p.month, p.day);
    case 3:
      return fmt("%02d/%02d/%02d", p.day, p.month, yy);
    case 103:
      return fmt("%02d/%02d/%04d", p.day, p.month, p.year);
    case 4:
      return fmt("%02d.%02d.%02d", p.day, p.month, yy);
    case 104:
      return fmt("%02d.%02d.%04d", p.day, p.month, p.year);
    case 5:
      return fmt("%02d-%02d-%02d", p.day, p.month, yy);
    case 105:
      return fmt("%02d-%02d-%04d", p.day, p.month, p.year);
    case 10:
      return fmt("%02d-%02d-%02d", p.month, p.day, yy);
    case 110:
      return fmt("%02d-%02d-%04d", p.month, p.day, p.year);
    case 11:
      return fmt("%02d/%02d/%02d", yy, p.month, p.day);
    case 111:
      return fmt("%04d/%02d/%02d", p.year, p.month, p.day);
    case 12:
      return fmt("%02d%02d%02d", yy, p.month, p.day);
    case 112:
      return fmt("%04d%02d%02d", p.year, p.month, p.day);
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> formatDateTime(DateTime t, TypeId type, int style) {
  DateTime::Parts p = t.parts();
  char buf[64];
  auto fmt = [&](const char* f, auto... args) {
    std::snprintf(buf, sizeof buf, f, args...);
    return std::string(buf);
  };
  int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
  const char* ampm = p.hour < 12 ? "AM" : "PM";
  const char* mon = kMonths[p.month - 1];
  if (style == 0 && type == TypeId::Date) style = 23;
  switch (style) {
    case 0:
    case 100:
      return fmt("%s %2d %04d %2d:%02d%s", mon, p.day, p.year, h12, p.minute, ampm);
    case 9:
    case 109:
      return fmt("%s %2d %04d %2d:%02d:%02d:%03d%s", mon, p.day, p.year, h12, p.minute, p.second,
                 p.millisecond, ampm);
    case 6:
      return fmt("%02d %s %02d", p.day, mon, p.year % 100);
    case 106:
      return fmt("%02d %s %04d", p.day, mon, p.year);
    case 7:
      return fmt("%s %02d, %02d", mon, p.day, p.year % 100);
    case 107:
      return fmt("%s %02d, %04d", mon, p.day, p.year);
    case 8:
    case 24:
    case 108:
      return fmt("%02d:%02d:%02d", p.hour, p.minute, p.second);
    case 13:
    case 113:
      return fmt("%02d %s %04d %02d:%02d:%02d:%03d", p.day, mon, p.year, p.hour, p.minute, p.second,
                 p.millisecond);
    case 14:
    case 114:
      return fmt("%02d:%02d:%02d:%03d", p.hour, p.minute, p.second, p.millisecond);
    case 20:
    case 120:
      return fmt("%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
    case 21:
    case 25:
    case 121:
      return fmt("%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour, p.minute, p.second,
                 p.millisecond);
    case 22:
      return fmt("%02d/%02d/%02d %2d:%02d:%02d %s", p.month, p.day, p.year % 100, h12, p.minute, p.second,
                 ampm);
    case 23:
      return fmt("%04d-%02d-%02d", p.year, p.month, p.day);
    case 126:
    case 127:  // the time zone mark Z belongs to types that carry a zone
      if (p.millisecond == 0) {
        return fmt("%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
      }
      return fmt("%04d-%02d-%02dT%02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour, p.minute, p.second,
                 p.millisecond);
    default:
      return formatNumericDate(p, style);
  }
}

}  // namespace mls::tsql
