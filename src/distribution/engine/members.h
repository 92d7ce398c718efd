// The members of AutoDis that the distribution engine serves.
#pragma once

#include "platform/com/typelib.h"

namespace mls::distribution::engine {

// AutoDisMaterielExp and CreateDelCostBom.
void addAutoDisMembers(com::TypeInfo& type);

}  // namespace mls::distribution::engine
