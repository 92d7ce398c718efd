// The public members of the distribution inquiry: the issue-line lists, the
// distribution data and one line's distribution, the settings and look-up
// lists.
#pragma once

#include "platform/com/typelib.h"

namespace mls::distribution::inquiry {

void addConcludeInfoMembers(com::TypeInfo& type);
void addWConcludeInfoMembers(com::TypeInfo& type);
void addAutoDisInfoMembers(com::TypeInfo& type);

}  // namespace mls::distribution::inquiry
