// Halvern.TextUtility: placeholder filling and small text helpers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/variant.h"

namespace mls::halvern {

class TextUtility {
 public:
  // Replaces "%1".."%n" with the text of the first..n-th element of `args` (a
  // one-dimensional array, whatever its lower bound), in one left-to-right pass:
  // text taken from an argument is not searched again.  After a '%' the longest
  // run of digits that names an argument is used ("%10" is the tenth argument
  // when there are ten, else the first followed by "0"); a placeholder that
  // names no argument stays as written.  Null arguments fill in as "".
  static std::string fillPlaceholders(std::string_view text, const com::Variant& args);
  // Length in characters.
  static int32_t textLength(std::string_view text);
  // `fallback` when `value` is Null, else `value`.
  static com::Variant nullToDefault(const com::Variant& value, const com::Variant& fallback);
};

}  // namespace mls::halvern
