// The cost-BOM work table: a permanent table, "Temp_CostBom" and nine digits,
// listing a department's cost objects in production in a period with their
// BOM (FCostObjID, FBomID, FStdProductID, FQty).  The client creates it before
// distributing a department by weights that count BOM usage, the weight
// builders fill its FQty with the usage of one material at a time (the
// where-used walk of the allocation standards), and the client drops it
// afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"

namespace mls::distribution::engine {

// AutoDis.CreateDelCostBom with lType 0: creates and fills a table of a name
// no other table has and answers it; "" when the creation fails (a table
// that was made is dropped again).
std::string createCostBomTable(frame::Call& call, int32_t year, int32_t period, int32_t deptID);

// lType not 0: drops `name` when it is a cost-BOM table name; any other name
// is left alone.  Errors are ignored.
void dropCostBomTable(frame::Call& call, const std::string& name);

}  // namespace mls::distribution::engine
