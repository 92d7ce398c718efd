#include "platform/halvern/text_utility.h"

#include "platform/com/error.h"

namespace mls::halvern {

std::string TextUtility::fillPlaceholders(std::string_view text, const com::Variant& args) {
  const com::SafeArray& array = args.array();
  if (array.dims() > 1) com::raise(com::err::kInvalidCall, "Halvern.TextUtility");
  const std::vector<com::Variant>& values = array.elements();
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      out += text[i++];
      continue;
    }
    // The longest digit run after '%' whose number names an argument.
    size_t best = 0, number = 0, bestNumber = 0;
    for (size_t len = 1; i + len < text.size() && text[i + len] >= '0' && text[i + len] <= '9'; ++len) {
      number = number * 10 + static_cast<size_t>(text[i + len] - '0');
      if (number > values.size()) break;
      if (number >= 1) {
        best = len;
        bestNumber = number;
      }
    }
    if (best == 0) {
      out += text[i++];
      continue;
    }
    const com::Variant& value = values[bestNumber - 1];
    if (!value.isNull()) out += value.toString();
    i += best + 1;
  }
  return out;
}

int32_t TextUtility::textLength(std::string_view text) {
  return static_cast<int32_t>(com::charLength(text));
}

com::Variant TextUtility::nullToDefault(const com::Variant& value, const com::Variant& fallback) {
  return value.isNull() ? fallback.deref() : value.deref();
}

}  // namespace mls::halvern
