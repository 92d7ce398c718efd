// UTF-8 <-> UTF-16 for the wide ODBC calls.  Ill-formed input (a lone
// surrogate, a broken UTF-8 sequence) becomes U+FFFD rather than being lost.
#pragma once

#include <string>
#include <string_view>

namespace mls::odbc {

std::u16string utf16FromUtf8(std::string_view utf8);
std::string utf8FromUtf16(std::u16string_view utf16);

}  // namespace mls::odbc
