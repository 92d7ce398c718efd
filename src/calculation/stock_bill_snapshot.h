// The period snapshot of stock bills: the live bills of transaction types 24,
// 2 and 5 dated in the period window, headers and lines, copied into
// cb_ICStockBill / cb_ICStockBillEntry, which hold exactly one window at a
// time; and the calculation work tables CBCalInfo_CurData /
// CBCalInfoDetail_CurData, re-created empty.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"

namespace mls::calculation {

// The table recording the year and period the snapshot holds: one row
// (FYear, FPeriod) after a snapshot whose copy succeeded, none while the
// snapshot is being replaced or after its copy failed.
inline constexpr const char* kSnapshotPeriodTable = "cb_ICStockBillPeriod";

// ConcludeUpdate.GetICStockBillDataForCB, on the call's READ UNCOMMITTED
// connection, in three batches: the period record emptied and the old
// snapshot dropped; the tables created as heaps, filled, and the period
// recorded; the keys and indexes added and the work tables re-created.  The
// window is taken (and range-checked) before the first batch.  Window dates
// are written 'yyyy-mm-dd'.  NULL bill numbers, departments, hook groups,
// vouchers, FROB and checkers become ''/0.  A failure stops at its batch; the
// work of the earlier batches stays.
void getICStockBillDataForCB(frame::Call& call, int32_t year, int32_t period);

}  // namespace mls::calculation
