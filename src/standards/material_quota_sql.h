// The material-quota text: a receiver's weight is what the live production
// orders of its cost object need of the material per unit of order quantity
// (their audited feed lists, lines of type 376 negated, lines of type 372 and
// 373 and of the list's own product left out), times its input quantity of
// the period (CBInQty of its department and cost object).
//
// A live production order: FStatus 1 or 2, or 3 closed on or after the
// period's first day, committed and planned to commit before the next
// period's first day; only orders with an audited feed list count.  The
// divisor is the quantity of those orders, each order once however many feed
// lists and lines it has (the rule of the calculation's feed-list usage too).
// Orders whose quantities total 0 give a unit quantity of 0.
#pragma once

#include <cstdint>
#include <string>

#include "standards/text_scope.h"

namespace mls::standards {

// `itemID` -1: every row's own material (#OnlineCostObj.FItemID); every row is
// set, 0 where orders or input are missing.  Any other value: that material;
// rows whose cost object has no live order with an audited feed list, or
// whose department and cost object have no input, keep their value.
std::string materialQuotaText(const TextScope& scope, int32_t itemID);

// The condition that production order `i` (an ICMO alias) is live in the
// scope's window.
std::string liveOrderCondition(const TextScope& scope);

}  // namespace mls::standards
