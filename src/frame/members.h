// The public members the call frame's own services answer: the period
// services and the batches of client-built SQL.
#pragma once

#include "platform/com/typelib.h"

namespace mls::frame {

void addCalInfoMembers(com::TypeInfo& type);
void addConcludeUpdateMembers(com::TypeInfo& type);

}  // namespace mls::frame
