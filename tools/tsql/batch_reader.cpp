#include "batch_reader.h"

#include "platform/common/script_batches.h"

namespace mls::tsql::shell {

bool isSeparator(const std::string& line) {
  return common::isBatchSeparator(line);
}

bool BatchReader::nextLine(std::string& line, int number) {
  if (prompt_) prompt_(number);
  return static_cast<bool>(std::getline(in_, line));
}

std::optional<std::string> BatchReader::next() {
  std::string batch, line;
  for (int number = 1; nextLine(line, number); ++number) {
    if (isSeparator(line)) {
      if (!common::isBlankText(batch)) return batch;
      batch.clear();
      number = 0;
      continue;
    }
    batch += line;
    batch += '\n';
  }
  if (common::isBlankText(batch)) return std::nullopt;
  return batch;
}

}  // namespace mls::tsql::shell
