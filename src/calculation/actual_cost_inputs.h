// CalInfo.GetCaculateInfo: everything the client's actual-cost calculation
// needs of the database for the cost objects it is about to calculate, in one
// Halvern.Dictionary of six detached rowsets: "OperateInfo", "SpendMateriel",
// "OverOnlineQty", "ZeroInfo", "PPBOMInfo", "OnlineMaterielDispInfo".
//
// The cost objects are the elements (0, i) of `varCostObj`, a two-dimensional
// array shaped as a recordset's rows (field, record); they go into #CostObj,
// which every builder joins.  Each element must be a whole number (a number
// or its text): anything else raises 13 with the element's position, before
// anything runs.  A cost object listed twice counts once; an empty list
// answers six empty rowsets.  Only the feed-list usage uses the period window
// (from `dctCurPeriodDate` when its "lngISFindCurDate" is 1, else from the
// period component); the other rowsets select by year and period.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "frame/member.h"
#include "platform/com/variant.h"
#include "platform/halvern/dictionary.h"

namespace mls::calculation {

com::Ref<halvern::Dictionary> getCaculateInfo(frame::Call& call, const com::Variant& varCostObj, int32_t year,
                                              int32_t period, const frame::PeriodDates& dctCurPeriodDate);

}  // namespace mls::calculation
