// The close's last step as the demo shows it: the product cost report of the
// closed period, as CalInfo.GetProductInfo answered it in one language,
// printed as a table of its first detail rows and every subtotal and total.
#pragma once

#include <string>

#include "platform/com/variant.h"

namespace mls::host {

void printProductCostReport(const com::Variant& report, const std::string& language, int year, int period);

}  // namespace mls::host
