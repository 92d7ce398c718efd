#include "frame/pasted_text.h"

namespace mls::frame {

std::string pastedText(std::string_view text) {
  std::string out(text);
  out += "\r\n";
  return out;
}

bool hasBareCarriageReturn(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return true;
  }
  return false;
}

}  // namespace mls::frame
