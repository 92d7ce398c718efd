// The expansion of standard settings made for every classification-method
// cost object at once: the template rows (FDeptAll 1) become one row per
// cost object of calculation type 909, so that a lookup by cost object finds
// its standard.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"

namespace mls::standards {

// ConcludeUpdate.UpdateClassifyCostObjStandardSet: for the system "COST" or
// "DAYCOST" (any case) the templates of CBDeptStdSet (all departments, all
// expenses), for "OPCOST" those of OPCostTaxonSet of the year and period;
// any other system changes nothing.  Every distinct template gets one row per
// classification cost object; the old template rows go, in one transaction
// with the new rows, and stay as they are when there is no such cost object.
// Running it twice gives the rows of running it once.
void updateClassifyCostObjStandardSet(frame::Call& call, int32_t year, int32_t period,
                                      const std::string& systemName);

}  // namespace mls::standards
