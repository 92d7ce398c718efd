#include "batch_reader.h"

#include "platform/common/script_batches.h"

namespace mls::tsql::shell {

bool isSeparator(const std::string& line) {
  return common::isBatchSeparator(line);
}

std::optional<std::string> BatchReader::next() {
  std::string batch, line;
  while (std::getline(in_, line)) {
    if (isSeparator(line)) {
      if (!common::isBlankText(batch)) return batch;
      batch.clear();
      continue;
    }
    batch += line;
    batch += '\n';
  }
  if (common::isBlankText(batch)) return std::nullopt;
  return batch;
}

}  // namespace mls::tsql::shell
