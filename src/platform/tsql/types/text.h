// UTF-8 text as the engine sees it: lengths and positions count characters
// (code points), never bytes, so CJK text measures like Latin text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mls::tsql {

// Decodes the code point at `pos` and advances `pos`; a malformed byte reads as
// itself (one byte, one character).
char32_t utf8Next(std::string_view s, size_t& pos);
void utf8Append(std::string& out, char32_t c);
size_t utf8Length(std::string_view s);
// Byte offset of character `index` (0-based); s.size() when past the end.
size_t utf8Offset(std::string_view s, size_t index);
// Characters [start, start+count) (0-based, clipped to the text).
std::string_view utf8Substr(std::string_view s, size_t start, size_t count);

// Simple one-to-one case mapping of Latin, Greek and Cyrillic letters; other
// characters (CJK included) map to themselves.
char32_t toLowerChar(char32_t c);
std::string toUpper(std::string_view s);
std::string toLower(std::string_view s);

// The text without trailing spaces (U+0020).
std::string_view trimRightSpaces(std::string_view s);
std::string_view trimLeftSpaces(std::string_view s);

// The bytes of the currency symbol that starts `s`, 0 when none: '$' and the
// others a money value may start with (¢ £ ¤ ¥, ৲ ৳, ฿, ៛, ₠ to ₱, ﷼, the
// full-width ＄ ￠ ￡ ￥ ￦ and the small ﹩).
size_t currencySymbolLength(std::string_view s);

}  // namespace mls::tsql
