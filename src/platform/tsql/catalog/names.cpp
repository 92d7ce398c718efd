#include "platform/tsql/catalog/names.h"

#include "platform/tsql/types/text.h"

namespace mls::tsql {

bool sameName(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (toLowerChar(utf8Next(a, i)) != toLowerChar(utf8Next(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace mls::tsql
