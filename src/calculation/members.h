// The public members of the cost calculation data.
#pragma once

#include "platform/com/typelib.h"

namespace mls::calculation {

void addCalInfoMembers(com::TypeInfo& type);
void addConcludeUpdateMembers(com::TypeInfo& type);

}  // namespace mls::calculation
