// The split of a classification-method cost object's amount (calculation
// type 909) over its products: by-products first take their fixed amounts,
// the rest goes to the main products by the shares of a sort standard, or to
// one or every main product when no standard is named; the rounding
// difference falls on the main product row first in product order, so that
// the product cost rows add up to the amount.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "frame/member.h"
#include "platform/com/variant.h"

namespace mls::calculation {

// ConcludeUpdate.DistributeTaxCost: appends one cbProductCalInfo row per
// product of the cost object with a product quantity of the cost object in
// the department and period, with the product's share of `sumAmount` for the
// cost item, its received quantity and its coefficient, at `level`.  The
// standard data and by-product amounts come from CalInfo.GetSortStandarddata
// and CalInfo.GetDeputyData, called by name on new instances made through the
// object context.  `standardID` 0: no standard; then `proCount` 1 gives every
// main product the whole rest (the rounding step takes the excess back from
// the first), any other value gives it to the first.  `dataQty` is 1 when the
// rows were written, 0 when the amount cannot be placed (standard data adding
// up to 0, no product rows, or no main product for a rest other than 0): then
// nothing is written and no vote is cast.  The answer is Empty.
com::Variant distributeTaxCost(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                               int32_t costObjID, int32_t costItemID, int32_t level, double sumAmount,
                               int32_t standardID, frame::ByRef<int32_t> dataQty, int32_t proCount);

}  // namespace mls::calculation
