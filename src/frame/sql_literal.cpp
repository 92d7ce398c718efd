#include "frame/sql_literal.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "platform/com/decimal.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"

namespace mls::frame {

std::string sqlNumber(int64_t n) {
  return std::to_string(n);
}

com::Decimal decimalOf(double v) {
  if (!std::isfinite(v)) com::raise(com::err::kOverflow);
  char buffer[64];
  // Without a precision to_chars writes the shortest text that reads back as
  // the same double, and ignores the locale.
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  if (ec != std::errc()) com::raise(com::err::kOverflow);
  std::optional<com::Decimal> d = com::Decimal::parse(std::string_view(buffer, end));
  if (!d) com::raise(com::err::kOverflow);
  return d->normalized();
}

com::Decimal decimalOf(const com::Variant& v) {
  const com::Variant& value = v.deref();
  if (value.kind() == com::VarKind::Double) return decimalOf(value.toDouble());
  return value.toDecimal();
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
