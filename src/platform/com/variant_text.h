// Text forms of numbers and dates used by Variant conversions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mls::com {

// A number in invariant form: optional spaces and sign, digits with one optional
// point, an optional exponent.  nullopt when the text is not such a number;
// raises 6 when its magnitude does not fit a Double.
std::optional<double> parseNumberText(std::string_view text);
// A Double in its default text form: up to 15 significant digits, exponent form
// ("1E-05", "1.5E+20") below 1E-4 and from 1E+15 on.
std::string formatDouble(double d);

// True when `serial` lies in the automation date range (years 100 to 9999).
bool isValidDate(double serial);
// 'yyyy-mm-dd' or 'yyyy/mm/dd' with an optional ' hh:nn' or ' hh:nn:ss'.
std::optional<double> parseDateText(std::string_view text);
// 'yyyy-mm-dd', with ' hh:nn:ss' only when the date has a time of day.
std::string formatDateText(double serial);

}  // namespace mls::com
