// The demo's last step: the product cost report of the plant's closed period,
// asked of CalInfo created by ProgID in Chinese and in English and printed as
// a table.
#pragma once

#include <string>

namespace mls::host {

// Raises the library's error when the report fails.
void printProductCostReports(const std::string& databaseFile, int year, int period);

}  // namespace mls::host
