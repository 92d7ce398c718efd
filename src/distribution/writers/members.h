// The public members that write distribution rows: ConcludeUpdate's saving,
// re-split, clearing, re-pricing and work-in-process distribution, and every
// member of AutoDis (the engine's shared-material distribution and cost-BOM
// table, the direct rows and the re-spread of shared rows).  Each class's
// members come from its one registration function.
#pragma once

#include "platform/com/typelib.h"

namespace mls::distribution::writers {

void addConcludeUpdateMembers(com::TypeInfo& type);
void addAutoDisMembers(com::TypeInfo& type);

}  // namespace mls::distribution::writers
