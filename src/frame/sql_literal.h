// Values written into T-SQL text.  Every number and text a statement carries
// goes through these, so a statement reads the same whatever the process's
// locale; dates go through sqlDate() (period_window.h).  A number is always
// written as the exact decimal it is: a double reaches SQL only through
// decimalOf(), never through a rounded text form of its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mls::com {
class Decimal;
class Variant;
}  // namespace mls::com

namespace mls::frame {

// An integer as decimal text.
std::string sqlNumber(int64_t n);
inline std::string sqlNumber(int32_t n) {
  return sqlNumber(int64_t{n});
}
// An exact decimal as plain text: every digit it holds, "." as the separator,
// no exponent ("-12.5", "0.0000000001").
std::string sqlNumber(const com::Decimal& v);
// A double has no text of its own here: take the decimal it stands for.
std::string sqlNumber(double v) = delete;

// The decimal a double stands for: the shortest decimal that reads back as
// the same double, so a client's 12345678901234.56 is that (not the 15 digits
// 12345678901234.6, nor the binary value's 12345678901234.560546875) and
// 0.1 is 0.1.  Digits past the 28th decimal place are rounded half to even;
// a value that is not finite, or whose integral part passes 28 digits,
// raises 6 (overflow).
com::Decimal decimalOf(double v);
// The same for a Variant: a Double by the rule above, any other value as its
// exact decimal (text is read as written); what is no number raises 13.
com::Decimal decimalOf(const com::Variant& v);

// A text between single quotes, each quote inside doubled.
std::string sqlText(std::string_view text);
// The same as a Unicode literal: N'...'.
std::string sqlNText(std::string_view text);

}  // namespace mls::frame
