// The material-issue lines of the distribution screens: one department's
// issue lines of a period from the period snapshot, with item, cost object,
// voucher and department texts (optionally only shared lines, only lines
// without distribution rows); and the distributed issue lines, from the live
// bills, whose item is a product costed at a calculation level.  The waste
// class's lists test and join its own distribution table, cbWMaterielInfo.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"
#include "platform/halvern/dictionary.h"

namespace mls::distribution::inquiry {

// GetMaterielExpInfo: `filter` holds "Year", "Period", "DeptID" (required) and
// "OnlyShare" (1: shared lines only).
com::Ref<ado::Recordset> getMaterielExpInfo(frame::Call& call, com::Ref<halvern::Dictionary> filter,
                                            bool noDisData);
com::Ref<ado::Recordset> getWasteMaterielExpInfo(frame::Call& call, com::Ref<halvern::Dictionary> filter,
                                                 bool noDisData);

// GetMaterielExpInfoByLevel: one row per line, distribution row and cost row
// of the level.
com::Ref<ado::Recordset> getMaterielExpInfoByLevel(frame::Call& call, int32_t year, int32_t period,
                                                   int32_t level, bool onlyShare);
com::Ref<ado::Recordset> getWasteMaterielExpInfoByLevel(frame::Call& call, int32_t year, int32_t period,
                                                        int32_t level, bool onlyShare);

}  // namespace mls::distribution::inquiry
