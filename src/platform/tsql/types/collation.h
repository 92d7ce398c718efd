// String comparison under the database's default collation: without regard to
// case and accent-sensitive; = < > ignore trailing spaces, LIKE does not.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace mls::tsql {

// <0, 0, >0.  Case-insensitive; trailing spaces are not significant.
int compareText(std::string_view a, std::string_view b);
// Hash consistent with compareText() == 0.
size_t hashText(std::string_view s);

// A LIKE pattern compiled once and matched against many texts (a scan with a
// constant pattern).  % (any run), _ (one character), [abc], [a-z], [^x];
// case-insensitive; every character of text and pattern counts, trailing
// spaces included; `escape` (0 for none) makes the next pattern character
// literal.
class LikePattern {
 public:
  explicit LikePattern(std::string_view pattern, char32_t escape = 0);
  bool matches(std::string_view text) const;

 private:
  struct Compiled;
  std::shared_ptr<const Compiled> compiled_;
};

// 1-based character position of the first match of LIKE pattern `pattern`
// (as PATINDEX: the pattern usually starts and ends with %), 0 when none.
size_t patternIndex(std::string_view text, std::string_view pattern);

// 1-based character position of `needle` in `haystack` at or after character
// `start` (1-based), case-insensitive; 0 when absent (CHARINDEX).
size_t findText(std::string_view haystack, std::string_view needle, size_t start = 1);

}  // namespace mls::tsql
