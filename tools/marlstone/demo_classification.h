// The demo's classification step on the plant, after the product cost rows:
// the sort standard set for every classification cost object is expanded to
// each of them, then each one's amount of a department, cost item and level
// is split over its main products and its by-product
// (ConcludeUpdate.DistributeTaxCost, by the standard CalInfo.GetSortStandardID
// names), and the product cost rows it wrote are printed with the check that
// they add up to the amounts.
#pragma once

#include <string>

#include "demo_write_back.h"

namespace mls::host {

struct ClassificationDemo {
  std::string props;          // the properties string of every call
  std::string connectString;  // where the demo reads the amounts to split
};

void runClassificationDemo(const DemoCalls& calls, const ClassificationDemo& demo, int year, int period);

}  // namespace mls::host
