// What becomes of the client's calculation results in the work tables
// (CBCalInfo_CurData, CBCalInfoDetail_CurData), level by level: product cost
// rows, the calculation types of ordinary cost objects, and the settlement of a
// split between completed output and work in process on which the header and
// the detail rows disagree.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"

namespace mls::calculation {

// ConcludeUpdate.UpdateProduct: appends one cbProductCalInfo row per
// department, cost object and cost item of the level (cost objects of every
// type but classification, 909): the summed completed-output and revert
// amounts, the cost object's product and batch, and its completed quantity (0
// when it has none).  A second run of a level appends the rows again; the
// period reset clears them.
com::Variant updateProduct(frame::Call& call, int32_t level, int32_t year, int32_t period);

// ConcludeUpdate.UpdateCalType: cost objects of type 906 or 907 with header rows
// in the period become 906 when they have a row at level 1, then 907 when they
// have one at a higher level.  Other types stay as they are.
com::Variant updateCalType(frame::Call& call, int32_t year, int32_t period);

// ConcludeUpdate.AdjustAmountDiff: for each department, cost object and cost
// item of the level whose header and detail rows agree on the total but split
// it differently, the whole difference of both amounts goes onto one detail
// row, whose two amounts are then rounded to 2 decimals.  The row is the
// greatest by a packed text key (adjusted completed-output amount, adjusted
// work-in-process amount, department, cost object, cost item, material,
// producing cost object, batch).  The groups' rows are copied to a numbered
// work table, settled there and written back in one transaction, so that
// exactly one row changes even where two rows share the whole key.
void adjustAmountDiff(frame::Call& call, int32_t year, int32_t period, int32_t level);

}  // namespace mls::calculation
