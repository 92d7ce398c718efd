#include "demo_plant.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "classes/library.h"
#include "close/period_close.h"
#include "demo_details.h"
#include "demo_reports.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "printing.h"

namespace mls::host {
namespace {

constexpr int kYear = 2024;
constexpr int kPeriod = 3;
// Plants up to this size also show what each step left.
constexpr int kDetailedLines = 5000;

void printStep(const close::Step& s, size_t index, size_t steps) {
  char line[256];
  std::snprintf(line, sizeof line, "%2zu/%zu %-27s %9lld rows %9.3f s  ", index, steps, s.name.c_str(),
                static_cast<long long>(s.rows), s.seconds);
  std::cout << line << s.did << "\n";
}

}  // namespace

void checkPlantDatabase(const std::string& databaseFile) {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(databaseFile, ec))) return;
  // Opened as it is, without waiting for another process: the engine refuses
  // anything that is not a database file.
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->open("Provider=Marlstone.Embedded;Data Source=" + databaseFile + ";Connect Timeout=0");
  c->close();
}

void runPlantDemo(const std::string& databaseFile, const PlantDemo& demo) {
  std::filesystem::remove(databaseFile);
  const std::string connect = "Provider=Marlstone.Embedded;Data Source=" + databaseFile + ";Create=True";
  classes::registerInProcess();
  const demoplant::PlantFacts f = close::buildPlant(
      connect, {.seed = demo.seed, .billLines = demo.billLines, .year = kYear, .period = kPeriod});
  std::cout
      << "\ndemo plant (seed " << demo.seed << "): " << f.departments << " departments, " << f.items
      << " items, " << f.costObjects << " cost objects, " << f.bills << " live stock bills with "
      << f.billLines << " lines, " << f.distributionRows << " distribution rows, " << f.resultRows
      << " result rows; periods start on the 26th, period 3 of 2024 runs from 2024-02-26 to 2024-03-25\n";

  const bool details = demo.billLines <= kDetailedLines;
  const Show show = [&](const std::string& label, const std::string& sql) {
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->setCursorLocation(ado::kUseClient);
    c->open(connect);
    com::Ref<ado::Recordset> rs = c->execute(sql);
    std::cout << "  " << label << ":\n";
    printRecordset(std::cout, *rs, 4);
    c->close();
  };
  close::PeriodClose closing(
      {.connect = connect, .year = kYear, .period = kPeriod, .reportLanguages = {"chs", "en"}});
  const size_t steps = close::PeriodClose::stepNames().size();
  size_t index = 0;
  std::cout << "\nthe close of period " << kPeriod << " of " << kYear
            << ", acting as the client (one line per step: rows left, time of its calls)\n";
  double total = 0;
  closing.run({.before =
                   [&](const std::string& step) {
                     if (details) showStepDetails(show, step, false, kYear, kPeriod);
                   },
               .after =
                   [&](const close::Step& s) {
                     printStep(s, ++index, steps);
                     total += s.seconds;
                     if (details) showStepDetails(show, s.name, true, kYear, kPeriod);
                   }});
  std::printf("closed in %.3f s\n", total);
  std::fflush(stdout);
  const std::vector<std::string> languages{"chs", "en"};
  for (size_t i = 0; i < languages.size(); ++i)
    printProductCostReport(closing.reports()[i], languages[i], kYear, kPeriod);
}

}  // namespace mls::host
