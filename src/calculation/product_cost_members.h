// The public members of the product cost rows, their consistency inquiry and
// the write-back of unit costs: ConcludeUpdate's UpdateProduct, UpdateCalType,
// AdjustAmountDiff, SetCostToDBByLevel and SetCostToDBByProduct, and
// CalInfo's GetTaxCost.
#pragma once

#include "platform/com/typelib.h"

namespace mls::calculation {

// Adds the members that belong to the class of `type` (by its class name).
void registerProductCostMembers(com::TypeInfo& type);

}  // namespace mls::calculation
