#include "frame/props_value.h"

#include "platform/com/variant.h"

namespace mls::frame {

std::string getPropsValue(std::string_view props, std::string_view key) {
  std::string text(props);
  if (text.empty() || text.back() != ';') text += ';';
  std::string wanted = std::string(key) + "=";
  size_t pos = 0;
  while (pos < text.size()) {
    pos = text.find_first_not_of(' ', pos);
    if (pos == std::string::npos) break;
    if (com::compareText(std::string_view(text).substr(pos, wanted.size()), wanted, true) == 0) {
      size_t start = pos + wanted.size();
      return text.substr(start, text.find(';', start) - start);
    }
    // Skip this item: a braced value runs to its "}", any other to the next ";".
    size_t eq = text.find('=', pos);
    size_t semi = text.find(';', pos);
    if (eq < semi) {
      size_t value = text.find_first_not_of(' ', eq + 1);
      if (value != std::string::npos && text[value] == '{') {
        size_t close = text.find('}', value);
        if (close == std::string::npos) break;
        semi = text.find(';', close);
      }
    }
    if (semi == std::string::npos) break;
    pos = semi + 1;
  }
  return {};
}

}  // namespace mls::frame
