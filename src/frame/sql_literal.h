// Values written into T-SQL text.  Every number and text a statement carries
// goes through these, so a statement reads the same whatever the process's
// locale; dates go through sqlDate() (period_window.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mls::com {
class Decimal;
}

namespace mls::frame {

// An integer as decimal text.
std::string sqlNumber(int64_t n);
inline std::string sqlNumber(int32_t n) {
  return sqlNumber(int64_t{n});
}
// A double in its default text form: at most 15 significant digits, "." as the
// decimal separator, an exponent only where the plain form would need more
// digits ("12.5", "0.1", "1E+20").
std::string sqlNumber(double v);
// An exact decimal as plain text: every digit it holds, "." as the separator,
// no exponent ("-12.5", "0.0000000001").
std::string sqlNumber(const com::Decimal& v);
// A text between single quotes, each quote inside doubled.
std::string sqlText(std::string_view text);
// The same as a Unicode literal: N'...'.
std::string sqlNText(std::string_view text);

}  // namespace mls::frame
