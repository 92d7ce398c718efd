#include "platform/tsql/types/text.h"

namespace mls::tsql {

char32_t utf8Next(std::string_view s, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char c = byte(pos);
  size_t extra = c < 0xC0 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF8 ? 3 : 0;
  if (extra > 0 && pos + extra < s.size()) {
    char32_t cp = c & (0x3F >> extra);
    size_t i = 1;
    for (; i <= extra && (byte(pos + i) & 0xC0) == 0x80; ++i)
      cp = (cp << 6) | (byte(pos + i) & 0x3F);
    if (i > extra) {
      pos += extra + 1;
      return cp;
    }
  }
  ++pos;
  return c;
}

void utf8Append(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

size_t utf8Length(std::string_view s) {
  size_t n = 0;
  for (size_t pos = 0; pos < s.size(); ++n)
    utf8Next(s, pos);
  return n;
}

size_t utf8Offset(std::string_view s, size_t index) {
  size_t pos = 0;
  for (size_t i = 0; i < index && pos < s.size(); ++i)
    utf8Next(s, pos);
  return pos;
}

std::string_view utf8Substr(std::string_view s, size_t start, size_t count) {
  size_t b = utf8Offset(s, start);
  std::string_view rest = s.substr(b);
  return rest.substr(0, utf8Offset(rest, count));
}

namespace {

// Simple one-to-one case mapping of Latin, Greek and Cyrillic letters; other
// characters (CJK included) map to themselves (as toLowerChar).
char32_t toUpperChar(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
      (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A)) {
    return c - 0x20;
  }
  if (c == 0xFF) return 0x178;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0x100 && c <= 0x17F) {
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (oddUpper) return c % 2 == 0 ? c - 1 : c;
    return c % 2 == 1 ? c - 1 : c;
  }
  return c;
}

}  // namespace

char32_t toLowerChar(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F) || (c >= 0xFF21 && c <= 0xFF3A)) {
    return c + 0x20;
  }
  if (c == 0x178) return 0xFF;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x100 && c <= 0x17F) {
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (oddUpper) return c % 2 == 1 ? c + 1 : c;
    return c % 2 == 0 ? c + 1 : c;
  }
  return c;
}

namespace {

template <typename Map>
std::string mapText(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  for (size_t pos = 0; pos < s.size();) {
    size_t start = pos;
    char32_t c = utf8Next(s, pos);
    char32_t m = map(c);
    if (m == c) {
      out.append(s.substr(start, pos - start));
    } else {
      utf8Append(out, m);
    }
  }
  return out;
}

}  // namespace

std::string toUpper(std::string_view s) {
  return mapText(s, toUpperChar);
}
std::string toLower(std::string_view s) {
  return mapText(s, toLowerChar);
}

std::string_view trimRightSpaces(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] == ' ')
    --e;
  return s.substr(0, e);
}

std::string_view trimLeftSpaces(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && s[b] == ' ')
    ++b;
  return s.substr(b);
}

size_t currencySymbolLength(std::string_view s) {
  if (s.empty()) return 0;
  if (s[0] == '$') return 1;
  size_t bytes = 0;
  const char32_t c = utf8Next(s, bytes);
  const bool symbol = (c >= 0xA2 && c <= 0xA5) || c == 0x9F2 || c == 0x9F3 || c == 0xE3F || c == 0x17DB ||
                      (c >= 0x20A0 && c <= 0x20B1) || c == 0xFDFC || c == 0xFE69 || c == 0xFF04 ||
                      c == 0xFFE0 || c == 0xFFE1 || c == 0xFFE5 || c == 0xFFE6;
  // A malformed byte reads as itself: only a whole character is a symbol.
  return symbol && bytes > 1 ? bytes : 0;
}

}  // namespace mls::tsql
