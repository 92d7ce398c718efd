#include "demo_reports.h"

#include <iostream>
#include <vector>

#include "platform/com/dispatch.h"
#include "printing.h"

namespace mls::host {
namespace {

// Detail rows shown before the rest are left out.
constexpr int kDetailRows = 20;

}  // namespace

void printProductCostReport(const com::Variant& report, const std::string& language, int year, int period) {
  const std::vector<const char*> columns{"FBillNo",  "FDeptName",     "FVoucherNumber", "FNumber", "FName",
                                         "FBatchNo", "FCostItemName", "FAmount",        "FSumSort"};
  std::cout << "\nCalInfo.GetProductInfo(" << year << ", " << period << ") in \"" << language
            << "\": the product cost report of the closed period (FSumSort 0 detail, 102 department "
               "subtotal, 101 total)\n";
  com::Dispatch& rs = *report.toObject();
  // The report's columns worth reading, as a grid.
  std::string clip;
  for (const char* c : columns)
    clip += std::string(c == columns.front() ? "" : "\t") + c;
  int rows = 0, details = 0;
  for (com::callByName(rs, "MoveFirst"); !com::getProperty(rs, "EOF").toBool();
       com::callByName(rs, "MoveNext")) {
    ++rows;
    auto value = [&](const char* c) {
      return com::getProperty(*com::getProperty(rs, "Fields", c).toObject(), "Value");
    };
    if (value("FSumSort").toLong() == 0 && ++details > kDetailRows) continue;
    clip += "\r";
    for (const char* c : columns) {
      com::Variant v = value(c);
      clip += std::string(c == columns.front() ? "" : "\t") + (v.isNull() ? "" : v.toString());
    }
  }
  printGrid(std::cout, clip, 2);
  std::cout << "  (" << rows << " rows";
  if (details > kDetailRows)
    std::cout << ", the first " << kDetailRows << " of " << details << " detail rows shown";
  std::cout << ")\n";
}

}  // namespace mls::host
