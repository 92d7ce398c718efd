// Small text helpers on ASCII letters and spaces, for names, codes and
// property strings; other bytes (UTF-8 text included) pass unchanged.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace mls::ascii {

// `s` without leading and trailing spaces (tabs and line breaks stay).
inline std::string trimSpaces(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

inline std::string lowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

inline std::string upperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Whether `a` and `b` are the same text but for the case of ASCII letters.
inline bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace mls::ascii
