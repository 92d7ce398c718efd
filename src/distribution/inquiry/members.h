// The public members of the distribution inquiry, saving and re-pricing.
#pragma once

#include "platform/com/typelib.h"

namespace mls::distribution::inquiry {

void addConcludeInfoMembers(com::TypeInfo& type);
void addWConcludeInfoMembers(com::TypeInfo& type);
void addAutoDisInfoMembers(com::TypeInfo& type);
// The saving, direct-row, re-spread and re-pricing writers.
void addConcludeUpdateMembers(com::TypeInfo& type);
void addAutoDisMembers(com::TypeInfo& type);

}  // namespace mls::distribution::inquiry
