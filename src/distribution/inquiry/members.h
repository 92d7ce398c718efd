// The public members of the distribution inquiry.
#pragma once

#include "platform/com/typelib.h"

namespace mls::distribution::inquiry {

void addConcludeInfoMembers(com::TypeInfo& type);
void addWConcludeInfoMembers(com::TypeInfo& type);
void addAutoDisInfoMembers(com::TypeInfo& type);
void addConcludeUpdateMembers(com::TypeInfo& type);

}  // namespace mls::distribution::inquiry
