// The scan of one table in storage order: a RowSource for one slot.
#pragma once

#include <memory>

#include "platform/tsql/catalog/table.h"
#include "platform/tsql/exec/query_plan.h"

namespace mls::tsql {

std::unique_ptr<RowSource> makeTableScan(std::shared_ptr<Table> table, int slot);

}  // namespace mls::tsql
