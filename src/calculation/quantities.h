// Completed and product quantities of a period, from the snapshot's product
// receipts (transaction type 2, FStatus > 0, not cancelled, dated in the
// window) and the cost-object master, by the three rules of
// frame/completed_qty_rules.h (batch costing, classification, any other
// type); in cbProductQty a classification cost object's products are summed
// plainly, per product.  Only departments of cost-account type 361 keep rows.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "frame/member.h"
#include "platform/com/variant.h"

namespace mls::calculation {

// ConcludeUpdate.CalCompleteQty: the period's rows of cbCompleteQty.  The
// window comes from `dctCurPeriodDate` when its "lngISFindCurDate" is 1, else
// from the period component.  The three answer a Variant left Empty.
com::Variant calCompleteQty(frame::Call& call, int32_t year, int32_t period,
                            const frame::PeriodDates& dctCurPeriodDate);

// ConcludeUpdate.CalProductQty: the period's rows of cbProductQty.
com::Variant calProductQty(frame::Call& call, int32_t year, int32_t period);

// ConcludeUpdate.UpdateCalCompleteQtyStatus: sets CB / CB_CALCOMPLETEQTY_OK to
// "1" in the system profile.
com::Variant updateCalCompleteQtyStatus(frame::Call& call);

}  // namespace mls::calculation
