// The completed-quantity text (system kind 3).  When the system profile's
// CB / CB_CALCOMPLETEQTY_OK is 1 the receivers take cbCompleteQty of the
// period; otherwise the quantity is computed from the live product receipts of
// the window by the three rules of the completed quantities: batch costing
// (908) the receipts of the standard product and batch, classification (909)
// the receipts of its products weighted by their coefficients and rounded to
// the standard product's quantity decimals (4 when unset), any other type the
// receipts of the standard product that is no product of a classification
// cost object.  A cost object without a type is an ordinary one.
#pragma once

#include <string>

#include "standards/text_scope.h"

namespace mls::standards {

std::string completedQtyText(const TextScope& scope);

}  // namespace mls::standards
