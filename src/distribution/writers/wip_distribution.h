// ConcludeUpdate.DispOnlineMateriel: the period's work-in-process materials
// (the lines of CBProductMatWip / CBProductMatWipEntry) spread over the cost
// objects that consumed them, one row per line and receiving cost object in
// CBOnlineMaterielDispInfo.
//
// A direct line goes to its own cost object.  A shared line goes to the
// consumers of its department, material and batch (of its cost-object group,
// when it names one), weighed by the part of each consumer's input that is
// still in process: input x WIP / (completed + WIP).  A consumer with nothing
// completed has all its input in process (all-online): it takes its input,
// claimed over the lines in proportion to the input amounts of the all-online
// consumers and capped by what it received, before the others share the rest.
// Each shared line's rounding difference goes to one of its rows.
//
// The whole distribution is one T-SQL batch.  It only runs when a cost object
// of sub-item 5 is in production in the period and the period has WIP lines.
// The period's rows of the lines a call distributes are replaced in one
// transaction with the new ones: a repeated call leaves the same rows, and
// the calls of other levels (other lines) keep theirs.
#pragma once

#include <cstdint>

#include "frame/call_frame.h"

namespace mls::distribution::writers {

// lLevel below 1: the materials not received as products in the period; 1
// and above: the products received in the period whose cost is recorded at
// that level.
void dispOnlineMateriel(frame::Call& call, int32_t year, int32_t period, int32_t level);

}  // namespace mls::distribution::writers
