#include "demo_reports.h"

#include <iostream>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "printing.h"

namespace mls::host {

void printProductCostReports(const std::string& databaseFile, int year, int period) {
  const std::string connect = "Provider=Marlstone.Embedded;Data Source=" + databaseFile;
  const std::vector<const char*> columns{"FBillNo",  "FDeptName",     "FVoucherNumber", "FNumber", "FName",
                                         "FBatchNo", "FCostItemName", "FAmount",        "FSumSort"};
  com::Ref<com::Dispatch> calInfo = com::createObject("Marlstone.CalInfo");
  for (const char* language : {"chs", "en"}) {
    const std::string props =
        "ConnectString={" + connect + "};Language=" + language + ";UserName=demo;UserID=1";
    std::cout << "\nCalInfo.GetProductInfo(" << year << ", " << period << ") in \"" << language
              << "\": the product cost report of the closed period (FSumSort 0 detail, 102 department "
                 "subtotal, 101 total)\n";
    com::Variant answer = com::callByName(*calInfo, "GetProductInfo", props, year, period, "");
    com::Dispatch& rs = *answer.toObject();
    // The report's columns worth reading, as a grid.
    std::string clip;
    for (const char* c : columns)
      clip += std::string(c == columns.front() ? "" : "\t") + c;
    int rows = 0;
    for (com::callByName(rs, "MoveFirst"); !com::getProperty(rs, "EOF").toBool();
         com::callByName(rs, "MoveNext")) {
      clip += "\r";
      for (const char* c : columns) {
        com::Variant v = com::getProperty(*com::getProperty(rs, "Fields", c).toObject(), "Value");
        clip += std::string(c == columns.front() ? "" : "\t") + (v.isNull() ? "" : v.toString());
      }
      ++rows;
    }
    printGrid(std::cout, clip, 2);
    std::cout << "  (" << rows << " rows)\n";
  }
}

}  // namespace mls::host
