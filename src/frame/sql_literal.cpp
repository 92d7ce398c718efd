#include "frame/sql_literal.h"

#include <charconv>
#include <cmath>

#include "platform/com/decimal.h"
#include "platform/com/error.h"

namespace mls::frame {

std::string sqlNumber(int64_t n) {
  return std::to_string(n);
}

std::string sqlNumber(double v) {
  // A number that is not finite has no text form: writing anything would
  // store a wrong value.
  if (!std::isfinite(v)) com::raise(com::err::kOverflow);
  // A zero is "0" whatever its sign, as in the default text form.
  if (v == 0) return "0";
  char buffer[64];
  // to_chars ignores the locale: the separator is always ".".
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 15);
  if (ec != std::errc()) return "0";
  std::string text(buffer, end);
  // to_chars writes "1e+20"; the default text form of a double writes "1E+20".
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

std::string sqlNumber(const com::Decimal& v) {
  return v.toString();
}

std::string sqlText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

std::string sqlNText(std::string_view text) {
  return "N" + sqlText(text);
}

}  // namespace mls::frame
