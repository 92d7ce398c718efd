#include "batch_reader.h"

namespace mls::tsql::shell {

namespace {

bool blank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

bool isSeparator(const std::string& line) {
  size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos || line.size() - first < 2) return false;
  size_t last = line.find_last_not_of(" \t\r");
  return last == first + 1 && (line[first] == 'G' || line[first] == 'g') &&
         (line[first + 1] == 'O' || line[first + 1] == 'o');
}

std::optional<std::string> BatchReader::next() {
  std::string batch, line;
  while (std::getline(in_, line)) {
    if (isSeparator(line)) {
      if (!blank(batch)) return batch;
      batch.clear();
      continue;
    }
    batch += line;
    batch += '\n';
  }
  if (blank(batch)) return std::nullopt;
  return batch;
}

}  // namespace mls::tsql::shell
