#include "platform/tsql/storage/batch_effects.h"

#include "platform/tsql/catalog/names.h"

namespace mls::tsql::storage {

bool isCheckpointBatch(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && (blank(text.back()) || text.back() == ';'))
    text.remove_suffix(1);
  return sameName(text, "CHECKPOINT");
}

}  // namespace mls::tsql::storage
