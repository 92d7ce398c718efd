// Batches the storage layer answers itself rather than the executor.
#pragma once

#include <string_view>

namespace mls::tsql::storage {

// A batch made of the CHECKPOINT command alone (any case, optional ';').
bool isCheckpointBatch(std::string_view text);

}  // namespace mls::tsql::storage
