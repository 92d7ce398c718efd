#include "demo_database.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "frame/sql_literal.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/registry.h"
#include "printing.h"
#include "schema/schema_files.h"

namespace mls::host {

std::string profileRow(const char* category, const char* key, const std::string& value) {
  return "INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES (" + frame::sqlText(category) + ", " +
         frame::sqlText(key) + ", " + frame::sqlText(value) + ")\r\n";
}

namespace {

constexpr int kYear = 2024;

// Periods of `year` start on the 26th of the month before.
std::string calendarRow(int year, int period) {
  int y = period == 1 ? year - 1 : year;
  int m = period == 1 ? 12 : period - 1;
  char day[32];
  std::snprintf(day, sizeof day, "%04d-%02d-26", y, m);
  return "INSERT INTO t_PeriodCalendar (FYear, FPeriod, FStartDate) VALUES (" + std::to_string(year) + ", " +
         std::to_string(period) + ", '" + day + "')\r\n";
}

}  // namespace

std::string demoProps(const std::string& language) {
  return "ConnectString={Provider=Marlstone.Embedded;Data Source=MarlstoneDemo};Language=" + language +
         ";UserName=demo;UserID=1";
}

void buildDemoDatabase() {
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  // One call a batch of the schema: a procedure's CREATE opens its batch.
  for (const std::string& batch : schema::schemaBatches("system.sql")) {
    com::callByName(*update, "UpdateBatch", demoProps("chs"),
                    com::SafeArray::vector(std::vector<com::Variant>{batch}));
  }
  std::vector<com::Variant> statements{profileRow("GL", "PeriodCount", std::to_string(12)),
                                       profileRow("CB", "StartYear", std::to_string(kYear)),
                                       profileRow("CB", "StartPeriod", std::to_string(4)),
                                       profileRow("CB", "CurrentYear", std::to_string(kYear)),
                                       profileRow("CB", "CurrentPeriod", std::to_string(6))};
  for (int year : {kYear, kYear + 1}) {
    for (int period = 1; period <= 12; ++period)
      statements.emplace_back(calendarRow(year, period));
  }
  com::callByName(*update, "UpdateBatch", demoProps("chs"), com::SafeArray::vector(std::move(statements)));
}

void printDemoPeriods(const std::string& language) {
  com::Ref<com::Dispatch> calInfo = com::createObject("Marlstone.CalInfo");
  com::Variant clip, rows, colorRow;
  bool ok = com::callByName(*calInfo, "GetPeriodsData", demoProps(language), com::Variant::byRef(&clip),
                            com::Variant::byRef(&rows), com::Variant::byRef(&colorRow))
                .toBool();
  std::cout << "\nCalInfo.GetPeriodsData, Language=" << language << ": " << (ok ? "True" : "False") << ", "
            << rows.toLong() << " periods, current period " << colorRow.toString() << "\n";
  printGrid(std::cout, clip.toString(), 2);
}

}  // namespace mls::host
