// What a batch may do to the database's permanent tables, seen from its
// statements before they run: a session that ran such a batch saves the
// database file when it closes.  The answer errs on the safe side: statements
// whose targets are not known from the text (EXEC, UPDATE through an alias of
// a permanent table) count as changes; writes to #temporary tables do not.
#pragma once

#include <string_view>
#include <vector>

#include "platform/tsql/parse/ast.h"

namespace mls::tsql::storage {

bool mayChangePermanentTables(const std::vector<ast::StmtPtr>& batch);
// The same for the text of a batch; a batch that does not parse runs nothing.
bool mayChangePermanentTables(std::string_view batch);

// A batch made of the CHECKPOINT command alone (any case, optional ';').
bool isCheckpointBatch(std::string_view text);

}  // namespace mls::tsql::storage
