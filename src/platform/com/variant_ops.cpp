// Operators of the automation language on Variants, and the text forms of Double.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "platform/com/variant_text.h"

namespace mls::com {

namespace {

// Decodes one UTF-8 sequence at `pos` (an invalid byte stands for itself).
char32_t decode(std::string_view s, size_t& pos) {
  auto b = static_cast<unsigned char>(s[pos++]);
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
  for (int i = 0; i < extra && pos < s.size(); ++i) {
    auto c = static_cast<unsigned char>(s[pos]);
    if ((c & 0xC0) != 0x80) break;
    cp = cp << 6 | (c & 0x3F);
    ++pos;
  }
  return cp;
}

void encode(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t lower(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: upper/lower pairs
    if (c == 0x178) return 0xFF;
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == (oddUpper ? 1u : 0u)) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

}  // namespace

std::string formatDouble(double d) {
  if (d == 0) return "0";
  if (!std::isfinite(d)) return std::isnan(d) ? "NaN" : d > 0 ? "Infinity" : "-Infinity";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", d);  // "-d.dddddddddddddde+XX": 15 significant digits
  std::string_view text(buf);
  std::string out = text.front() == '-' ? "-" : "";
  if (text.front() == '-') text.remove_prefix(1);
  size_t e = text.find('e');
  int exp = std::atoi(std::string(text.substr(e + 1)).c_str());
  std::string digits;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits += c;
  }
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();

  if (exp < -4 || exp >= 15) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    char expText[16];
    std::snprintf(expText, sizeof expText, "E%c%02d", exp < 0 ? '-' : '+', std::abs(exp));
    return out + expText;
  }
  if (exp < 0) return out + "0." + std::string(static_cast<size_t>(-exp - 1), '0') + digits;
  auto intLen = static_cast<size_t>(exp + 1);
  if (digits.size() <= intLen) return out + digits + std::string(intLen - digits.size(), '0');
  return out + digits.substr(0, intLen) + "." + digits.substr(intLen);
}

std::string concat(const Variant& a, const Variant& b) {
  std::string left = a.isNull() ? std::string() : a.toString();
  return left + (b.isNull() ? std::string() : b.toString());
}

std::string foldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();)
    encode(lower(decode(utf8, pos)), out);
  return out;
}

int compareText(std::string_view a, std::string_view b, bool ignoreCase) {
  int c = ignoreCase ? foldCase(a).compare(foldCase(b)) : a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

Variant roundHalfEven(const Variant& v, int places) {
  if (places < 0) raise(err::kInvalidCall);
  switch (v.kind()) {
    case VarKind::Null:
    case VarKind::Boolean:
    case VarKind::Byte:
    case VarKind::Integer:
    case VarKind::Long:
      return v.deref();
    case VarKind::Decimal:
      return Variant(v.toDecimal().roundHalfEven(places));
    default: {
      double d = v.toDouble();
      // From 1E+15 on a Double has no digits after its 15 significant ones.
      if (std::fabs(d) >= 1e15) return Variant(places == 0 ? std::nearbyint(d) : d);
      return Variant(Decimal::fromDouble(d).roundHalfEven(places).toDouble());
    }
  }
}

size_t charLength(std::string_view utf8) {
  size_t n = 0;
  for (char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

}  // namespace mls::com
