#include "demo_database.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/registry.h"
#include "printing.h"

namespace mls::host {
namespace {

constexpr int kYear = 2024;

std::string schemaText(const std::string& file) {
  std::string path = std::string(MLS_SCHEMA_DIR) + "/" + file;
  std::ifstream in(path);
  if (!in) com::raise(53, "marlstone", "File not found: " + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str() + "\r\n";
}

std::string profileRow(const char* category, const char* key, int value) {
  return std::string("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('") + category + "', '" +
         key + "', '" + std::to_string(value) + "')\r\n";
}

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
  std::vector<com::Variant> statements{schemaText("system.sql"),
                                       profileRow("GL", "PeriodCount", 12),
                                       profileRow("CB", "StartYear", kYear),
                                       profileRow("CB", "StartPeriod", 4),
                                       profileRow("CB", "CurrentYear", kYear),
                                       profileRow("CB", "CurrentPeriod", 6)};
  for (int year : {kYear, kYear + 1}) {
    for (int period = 1; period <= 12; ++period)
      statements.emplace_back(calendarRow(year, period));
  }
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
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
