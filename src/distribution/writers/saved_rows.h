// Saving and clearing distribution results on the client's request
// (ConcludeUpdate): the rows of one issue line stored as the client hands
// them over, the saved rows of a line re-split for a new total, and a
// period's rows cleared.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"
#include "platform/com/variant.h"
#include "platform/halvern/list.h"

namespace mls::distribution::writers {

// SaveMaterielDistribute: the line's rows (of every period) replaced by one
// row of (year, period) per record of `vctData` (a List of Dictionaries keyed
// "FStandardID", "FStandardData", "FInterID", "FEntryID", "FCostObjID",
// "FQty", "FPrice", "FAmount", "FCostItemID"), in one transaction.  Every
// record is read before anything runs: Nothing raises 91, a record that is
// no dictionary or a value that is no number 13, a missing key 5.  `typeID`
// 0: cbMaterielInfo, any other value cbWMaterielInfo.
com::Variant saveMaterielDistribute(frame::Call& call, int32_t year, int32_t period, int32_t interID,
                                    int32_t entryID, com::Ref<halvern::List> vctData, int32_t typeID);

// DistributeMaterielExpense: the line's saved rows of cbMaterielInfo, of the
// latest period that holds any, split again for the new total quantity and
// amount in proportion to their standard data; the rounding differences go
// to the row of the largest standard data (among equals the first saved).
// Two or more rows whose split amounts add up to 0 raise -1 "分配标准数值为零";
// decimals outside 0 to 10 or a total that is no finite number raise 5 first.
com::Variant distributeMaterielExpense(frame::Call& call, int32_t interID, int32_t entryID,
                                       int32_t qtyDecimals, int32_t priceDecimals, double sumAmount,
                                       double sumQty);

// ClearDistributeResult: the period's rows of the table of `typeID` (0
// normal, else repairable waste), all of them or, with a filter, those of the
// lines the filter (one search condition over t1, u1, v1, t3, t4 and t100)
// picks among the valid issue lines of the snapshot.
com::Variant clearDistributeResult(frame::Call& call, int32_t year, int32_t period, int32_t typeID,
                                   std::string sFilter);

}  // namespace mls::distribution::writers
