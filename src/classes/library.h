// The classes libmarlstone.so serves: the seven public classes and the
// foundation library's dispatch classes that cross the public interfaces, and the
// sibling components the classes create by ProgID (period component, language loader).
#pragma once

#include <vector>

#include "platform/com/registry.h"

namespace mls::classes {

const std::vector<com::ClassEntry>& libraryClasses();

// Adds the library's classes to this module's in-process class table (once), so
// that objects the library creates by ProgID are made without a round trip
// through the registry file.
void registerInProcess();

}  // namespace mls::classes
