// The completed-quantity text (system kind 3).  When the system profile's
// CB / CB_CALCOMPLETEQTY_OK is 1 the receivers take cbCompleteQty of the
// period; otherwise the quantity is computed from the live product receipts of
// the window by the three rules that also fill cbCompleteQty
// (frame/completed_qty_rules.h), so that both ways weigh a cost object alike.
#pragma once

#include <string>

#include "standards/text_scope.h"

namespace mls::standards {

std::string completedQtyText(const TextScope& scope);

}  // namespace mls::standards
