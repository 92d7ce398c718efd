// Reads every result of an executed batch, in order: each rowset fully
// materialised (columns described, every row fetched), each statement's count
// of affected rows.  A failing statement anywhere in the batch raises
// err::kCommandFailed with its diagnostics.
#pragma once

#include <sql.h>

#include <string>
#include <vector>

#include "platform/ado/provider.h"

namespace mls::odbc {

// `executed` is what SQLExecDirect answered for `stmt`.
std::vector<ado::BatchItem> readResults(SQLHSTMT stmt, SQLRETURN executed, const std::string& provider);

}  // namespace mls::odbc
