// Completed and product quantities of a period, from the snapshot's product
// receipts (transaction type 2, FStatus > 0, not cancelled, dated in the
// window) and the cost-object master:
//   908 batch costing   - the receipts of the cost object's product and batch;
//   909 classification  - the receipts of its products, weighted by their
//                         coefficients and rounded (half away from zero) to the
//                         standard product's quantity decimals, 4 when unset;
//                         per product a plain sum;
//   any other type      - every receipt of its standard product, any batch,
//                         except products of classification cost objects.
// Only departments of cost-account type 361 keep rows.
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
