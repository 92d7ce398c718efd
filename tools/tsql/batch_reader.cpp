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

bool BatchReader::nextLine(std::string& line, int number) {
  if (prompt_) prompt_(number);
  return static_cast<bool>(std::getline(in_, line));
}

std::optional<std::string> BatchReader::next() {
  std::string batch, line;
  for (int number = 1; nextLine(line, number); ++number) {
    if (isSeparator(line)) {
      if (!blank(batch)) return batch;
      batch.clear();
      number = 0;
      continue;
    }
    batch += line;
    batch += '\n';
  }
  if (blank(batch)) return std::nullopt;
  return batch;
}

}  // namespace mls::tsql::shell
