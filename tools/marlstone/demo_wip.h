// The demo's work-in-process distribution on the plant, after the period's
// calculation: ConcludeUpdate.DispOnlineMateriel for the materials not made in
// the period and then for the products of level 1, with the rows by kind of
// receiver, a few shared lines with their rows, and how many lines' rows add up
// to them.
#pragma once

#include "demo_write_back.h"

namespace mls::host {

void runWipDemo(const DemoCalls& calls, int year, int period);

}  // namespace mls::host
