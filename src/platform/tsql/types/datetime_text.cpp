#include "platform/tsql/types/datetime_text.h"

#include <cctype>
#include <cstdio>

namespace mls::tsql {

namespace {

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

bool isDigits(std::string_view s) {
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return !s.empty();
}

// hh:mi[:ss[.fff]] [AM|PM]; fills the time and returns false on bad text.
bool readTime(Reader& r, int& h, int& mi, int& sec, int& ms) {
  h = r.number(2);
  if (h < 0 || !r.accept(':')) return false;
  mi = r.number(2);
  if (mi < 0) return false;
  sec = 0, ms = 0;
  if (r.accept(':')) {
    sec = r.number(2);
    if (sec < 0) return false;
    if (r.accept('.') || r.accept(':')) {
      int digits = 0;
      int frac = r.number(3, &digits);
      if (frac < 0 || std::isdigit(static_cast<unsigned char>(r.peek()))) return false;
      for (int i = digits; i < 3; ++i)
        frac *= 10;
      ms = frac;
    }
  }
  r.skipSpaces();
  char c = static_cast<char>(std::toupper(static_cast<unsigned char>(r.peek())));
  if ((c == 'A' || c == 'P') && r.pos + 1 < r.s.size() &&
      std::toupper(static_cast<unsigned char>(r.s[r.pos + 1])) == 'M') {
    r.pos += 2;
    if (h < 1 || h > 12) return false;
    if (c == 'A' && h == 12) h = 0;
    if (c == 'P' && h != 12) h += 12;
  }
  return h <= 23 && mi <= 59 && sec <= 59;
}

}  // namespace

DateParse parseDateTimeText(std::string_view text, int style, DateTime& out) {
  Reader r{text};
  r.skipSpaces();
  int y = 1900, m = 1, d = 1;
  bool hasDate = false;
  size_t tokenEnd = r.pos;
  while (tokenEnd < text.size() && text[tokenEnd] != ' ' && text[tokenEnd] != 'T' && text[tokenEnd] != 't') {
    ++tokenEnd;
  }
  std::string_view token = text.substr(r.pos, tokenEnd - r.pos);
  if (token.find(':') == std::string_view::npos && !token.empty()) {
    hasDate = true;
    if (isDigits(token) && token.size() == 8) {
      y = std::stoi(std::string(token.substr(0, 4)));
      m = std::stoi(std::string(token.substr(4, 2)));
      d = std::stoi(std::string(token.substr(6, 2)));
      r.pos = tokenEnd;
    } else {
      bool monthFirst = style == 1 || style == 101, dayFirst = style == 3 || style == 103;
      int digits = 0;
      int a = r.number(4, &digits);
      char sep = r.peek();
      if (a < 0 || (sep != '-' && sep != '/' && sep != '.')) return DateParse::BadFormat;
      ++r.pos;
      int b = r.number(2);
      if (b < 0 || !r.accept(sep)) return DateParse::BadFormat;
      int cDigits = 0;
      int c = r.number(4, &cDigits);
      if (c < 0) return DateParse::BadFormat;
      if (digits == 4 && !monthFirst && !dayFirst) {
        y = a, m = b, d = c;
      } else if (cDigits == 4 && digits <= 2 && (monthFirst || dayFirst)) {
        y = c;
        m = monthFirst ? a : b;
        d = monthFirst ? b : a;
      } else {
        return DateParse::BadFormat;
      }
      if (r.pos != tokenEnd) return DateParse::BadFormat;
    }
  }
  int h = 0, mi = 0, sec = 0, ms = 0;
  if (hasDate && (r.peek() == 'T' || r.peek() == 't')) {
    ++r.pos;
    if (!readTime(r, h, mi, sec, ms)) return DateParse::BadFormat;
  } else {
    r.skipSpaces();
    if (!r.done() && !readTime(r, h, mi, sec, ms)) return DateParse::BadFormat;
  }
  r.skipSpaces();
  if (!r.done()) return DateParse::BadFormat;
  if (!isValidDate(y, m, d)) return DateParse::OutOfRange;
  out = DateTime::fromParts(y, m, d, h, mi, sec, ms);
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
    case 106:
      return fmt("%02d %s %04d", p.day, mon, p.year);
    case 107:
      return fmt("%s %02d, %04d", mon, p.day, p.year);
    case 8:
    case 108:
      return fmt("%02d:%02d:%02d", p.hour, p.minute, p.second);
    case 14:
    case 114:
      return fmt("%02d:%02d:%02d:%03d", p.hour, p.minute, p.second, p.millisecond);
    case 20:
    case 120:
      return fmt("%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
    case 21:
    case 121:
      return fmt("%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour, p.minute, p.second,
                 p.millisecond);
    case 23:
      return fmt("%04d-%02d-%02d", p.year, p.month, p.day);
    case 126:
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
