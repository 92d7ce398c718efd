#include "platform/common/script_batches.h"

namespace mls::common {

bool isBatchSeparator(std::string_view line) {
  size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos || line.size() - first < 2) return false;
  size_t last = line.find_last_not_of(" \t\r");
  return last == first + 1 && (line[first] == 'G' || line[first] == 'g') &&
         (line[first + 1] == 'O' || line[first + 1] == 'o');
}

bool isBlankText(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

std::vector<std::string> splitBatches(std::string_view script) {
  std::vector<std::string> out;
  std::string batch;
  while (!script.empty()) {
    size_t end = script.find('\n');
    std::string_view line = script.substr(0, end);
    script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
    if (isBatchSeparator(line)) {
      if (!isBlankText(batch)) out.push_back(std::move(batch));
      batch.clear();
      continue;
    }
    batch += line;
    batch += '\n';
  }
  if (!isBlankText(batch)) out.push_back(std::move(batch));
  return out;
}

}  // namespace mls::common
