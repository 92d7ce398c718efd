// T-SQL scripts as the usual client tools split them: a line holding only GO
// (any case, spaces around it allowed) ends a batch.  The server never sees
// GO; a statement that must open its batch (CREATE PROCEDURE) follows one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mls::common {

// Whether `line` (without its line break) is a batch separator.
bool isBatchSeparator(std::string_view line);
// Whether `text` holds nothing but blanks.
bool isBlankText(std::string_view text);
// The batches of `script` that hold more than blanks, in order.
std::vector<std::string> splitBatches(std::string_view script);

}  // namespace mls::common
