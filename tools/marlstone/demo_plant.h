// The demo's plant: a generated plant (schema/demoplant) in an embedded
// database file (replaced at each run), on which the period's first steps run through
// ConcludeUpdate created by ProgID from the classes served in process: the
// snapshot, the reset (refused first for a snapshot of another period), the
// completed and product quantities and the flag, each printed with its votes
// and the rows it produced.
#pragma once

#include <string>

namespace mls::host {

// Raises the library's error when a step fails unexpectedly.
void runPlantDemo(const std::string& databaseFile);

}  // namespace mls::host
