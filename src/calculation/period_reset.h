// The period reset before a new calculation, and the distribution's own orphan
// clean-up.  Both first check that the stock-bill snapshot records the
// period and holds only bills of its window, and delete nothing otherwise: a
// snapshot of another period, or none, would make every distribution row of
// the period look orphaned.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"
#include "platform/com/variant.h"

namespace mls::calculation {

// ConcludeUpdate.DeleteCalInfo: the four orphan deletes of the distribution
// tables, then the period's product cost rows, saved results and
// work-in-process material distribution, each statement a batch of its own.
// Its Variant result is left Empty.
com::Variant deleteCalInfo(frame::Call& call, int32_t year, int32_t period);

// ConcludeUpdate.DeleteNDisTable: the same four orphan deletes alone.  A
// Function whose result stays Empty.
com::Variant deleteNDisTable(frame::Call& call, int32_t year, int32_t period);

}  // namespace mls::calculation
