// One property read straight from a properties text.
#pragma once

#include <string>
#include <string_view>

namespace mls::frame {

// The value of `key` in a properties text, or "" when absent; never fails.  A
// key matches only where an item begins (at the start, or after ";" and
// spaces), never inside a braced value, without regard to case, followed
// directly by "=" (a space before the "=" defeats it).  The first match wins;
// the value runs to the next ";" and is not trimmed.
std::string getPropsValue(std::string_view props, std::string_view key);

}  // namespace mls::frame
