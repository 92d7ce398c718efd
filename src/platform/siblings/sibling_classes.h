// The sibling components this library serves by ProgID: the period component
// (Ridgeholm.AisInfo), the other-expense component (Ashgrove.OthenExpense)
// and the language loader (Pelloran.Loader).
#pragma once

#include <vector>

#include "platform/com/registry.h"

namespace mls::siblings {

const std::vector<com::ClassEntry>& siblingClasses();

}  // namespace mls::siblings
