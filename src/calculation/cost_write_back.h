// The write-back of unit costs to the live product receipt bills.  A group is
// one department, product and batch; its receipt lines are the lines of
// checked, uncancelled receipt bills (transaction type 2) of the window, of
// the department and product, a batch-tracked product (FTrack 80) matched
// batch by batch and any other product only by the group batch ''.  The
// quantities come from the period snapshot, the lines written are the live
// ones: each gets the group's unit price, its amount (quantity x price rounded
// to 2 decimals) and its auxiliary price (price x the unit's coefficient plus
// scale), and the difference between the group's cost and the sum of the
// lines' amounts goes onto one live line of the group.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"
#include "frame/member.h"
#include "platform/com/variant.h"

namespace mls::calculation {

// ConcludeUpdate.SetCostToDBByLevel: every group of the level's product cost
// rows, its cost summed over cost objects and cost items.  The difference
// goes to the group's line with the greatest amount, then the greatest bill
// and entry numbers.  The window comes from `dctCurPeriodDate` when its
// "lngISFindCurDate" is 1, else from the period component.
void setCostToDBByLevel(frame::Call& call, int32_t year, int32_t period, int32_t level,
                        const frame::PeriodDates& dctCurPeriodDate);

// ConcludeUpdate.SetCostToDBByProduct: one group and its cost `amount`.  A
// group without quantity in the snapshot is not written; the difference goes
// to the live line with the greatest bill and entry numbers, and nowhere when
// no live line is left.
void setCostToDBByProduct(frame::Call& call, int32_t year, int32_t period, int32_t productId, int32_t deptId,
                          const std::string& batchNo, double amount,
                          const frame::PeriodDates& dctCurPeriodDate);

}  // namespace mls::calculation
