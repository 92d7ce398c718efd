// The public members of the pre-calculation checks.
#pragma once

#include "platform/com/typelib.h"

namespace mls::checks {

void addCalInfoCheckMembers(com::TypeInfo& type);

}  // namespace mls::checks
