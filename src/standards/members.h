// The public members of the allocation standards.
#pragma once

#include "platform/com/typelib.h"

namespace mls::standards {

void addCalInfoMembers(com::TypeInfo& type);
void addConcludeInfoMembers(com::TypeInfo& type);
void addConcludeUpdateMembers(com::TypeInfo& type);
void addWConcludeInfoMembers(com::TypeInfo& type);

}  // namespace mls::standards
