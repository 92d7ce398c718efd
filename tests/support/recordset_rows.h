// A recordset's rows as text (NULL as "NULL"), sorted, for comparing results
// whose order the query leaves open.
#pragma once

#include <string>
#include <vector>

#include "platform/ado/recordset.h"

namespace mls::testing {

std::vector<std::vector<std::string>> sortedRowTexts(ado::Recordset& rs);

}  // namespace mls::testing
