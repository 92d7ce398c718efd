// CalInfo's members for the calculation's material, product and consumption
// inquiries and its product cost reports.
#pragma once

#include "platform/com/typelib.h"

namespace mls::calculation {

// Adds the members to CalInfo's member table.
void registerCalculationInquiryMembers(com::TypeInfo& type);

}  // namespace mls::calculation
