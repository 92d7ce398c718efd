// The commands of the marlstone host.  Each answers the process exit status and
// reports errors with number, source and description on stderr.
#pragma once

#include <span>
#include <string>

#include "demo_plant.h"

namespace mls::host {

// The library the host loads: $MARLSTONE_LIBRARY, else the one built with the host.
std::string libraryPath();

int registerLibrary(const std::string& library);
int unregisterLibrary(const std::string& library);
// Creates `progId` through the registry and calls `member` with the arguments
// as text; prints the result, the by-reference parameters and the votes cast.
int callMember(const std::string& progId, const std::string& member, std::span<const std::string> args);
// Creates `progId` through the registry and prints its member table, one
// declaration per member: parameters with their types, ByRef, Optional and
// defaults, and the result.
int printMembers(const std::string& progId);
// The demo: the registered classes, a small period grid, then a period close
// of a generated plant.
int demo(const PlantDemo& plant);

}  // namespace mls::host
