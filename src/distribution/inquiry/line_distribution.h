// The preview of one issue line's distribution (GetMaterielExpenseDistribute
// of ConcludeInfo and its repairable-waste twin on WConcludeInfo): how the
// line's quantity and amount fall on cost objects.  A direct line goes whole
// to its cost object, after the guard says that object is in production (or
// has waste output); a shared line is spread by the standard quantities of an
// allocation standard - the one the user picked, the line's saved one, or the
// department's setting in the other-expense component (each item's own
// standard where the setting says so) - evaluated by the class's
// GetStandarddata on an instance of its own, or taken from the client's
// standard quantities.  Amounts and quantities are rounded half to even, the
// rounding difference put on one row (in the normal class the row the saved
// distribution would give it: the largest standard quantity, then the largest
// cost-object id).  Nothing is written to a permanent table.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"
#include "platform/halvern/list.h"

namespace mls::distribution::inquiry {

com::Ref<ado::Recordset> getMaterielExpenseDistribute(frame::Call& call, int32_t year, int32_t period,
                                                      int32_t interID, int32_t entryID, bool refresh,
                                                      com::Ref<halvern::List> vctData,
                                                      int32_t standardBySelect,
                                                      std::string standardNameBySelect, int32_t groupID,
                                                      std::string billNo);
com::Ref<ado::Recordset> getWasteMaterielExpenseDistribute(frame::Call& call, int32_t year, int32_t period,
                                                           int32_t interID, int32_t entryID, bool refresh,
                                                           com::Ref<halvern::List> vctData,
                                                           int32_t standardBySelect,
                                                           std::string standardNameBySelect, int32_t groupID,
                                                           std::string billNo);

}  // namespace mls::distribution::inquiry
