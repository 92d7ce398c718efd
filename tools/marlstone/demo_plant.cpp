#include "demo_plant.h"

#include "demo_classification.h"
#include "demo_database.h"
#include "demo_distribution.h"
#include "demo_wip.h"
#include "demo_write_back.h"

#include <filesystem>
#include <iostream>
#include <vector>

#include "classes/library.h"
#include "frame/sql_literal.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "platform/com/registry.h"
#include "printing.h"
#include "schema/demoplant/plant.h"
#include "schema/schema_files.h"

namespace mls::host {
namespace {

constexpr int kYear = 2024;
constexpr int kPeriod = 3;
// The plant lives in a database file, so that the T-SQL shell can open it afterwards.
std::string connectString;

std::string props() {
  return "ConnectString={" + connectString + "};Language=en;UserName=demo;UserID=1";
}

void show(const std::string& label, const std::string& sql) {
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->setCursorLocation(ado::kUseClient);
  c->open(connectString);
  com::Ref<ado::Recordset> rs = c->execute(sql);
  std::cout << "  " << label << ":\n";
  printRecordset(std::cout, *rs, 4);
  c->close();
}

// Calls <label>.<member>(props, args...) on `object` and prints its votes or
// its error; `answer` receives the result.
bool callStep(com::Dispatch& object, const std::string& label, const std::string& member,
              std::vector<com::Variant> args, com::Variant* answer = nullptr) {
  std::cout << "\n" << label << "." << member << "(";
  for (size_t i = 0; i < args.size(); ++i) {
    std::cout << (i ? ", " : "")
              << (args[i].isArray()    ? "<statements>"
                  : args[i].isObject() ? "<dictionary>"
                                       : args[i].toString());
  }
  std::cout << "):";
  args.insert(args.begin(), com::Variant(props()));
  com::VoteRecorder votes;
  bool ok = true;
  try {
    com::Variant result = com::invokeByName(object, member, com::kMethodOrGet, args);
    if (answer) {
      *answer = result;
      std::cout << " " << result.toString();
    }
  } catch (const com::ComError& e) {
    std::cout << " error " << e.number() << " (" << e.source() << "): " << e.description();
    ok = false;
  }
  for (com::Vote v : votes.votes())
    std::cout << ' ' << com::voteName(v);
  std::cout << "\n";
  return ok;
}

bool step(com::Dispatch& update, const std::string& member, std::vector<com::Variant> args) {
  return callStep(update, "ConcludeUpdate", member, std::move(args));
}

com::Variant scalar(const std::string& sql) {
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->open(connectString);
  com::Ref<ado::Recordset> rs = c->execute(sql);
  com::Variant v = rs->eof() ? com::Variant::null() : rs->value(0);
  c->close();
  return v;
}

const char* const kDistribution =
    "SELECT 'cbMaterielInfo' AS TableName, COUNT(*) AS Rows FROM cbMaterielInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'cbWMaterielInfo', COUNT(*) FROM cbWMaterielInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'CBWBMaterielInfo', COUNT(*) FROM CBWBMaterielInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'cbExpenseDistributeInfo', COUNT(*) FROM cbExpenseDistributeInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'cbWExpenseDistributeInfo', COUNT(*) FROM cbWExpenseDistributeInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'cbProductCalInfo', COUNT(*) FROM cbProductCalInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'CBCalInfo', COUNT(*) FROM CBCalInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'CBOnlineMaterielDispInfo', COUNT(*) FROM CBOnlineMaterielDispInfo WHERE FPeriod = 3";

}  // namespace

void runPlantDemo(const std::string& databaseFile) {
  std::filesystem::remove(databaseFile);
  connectString = "Provider=Marlstone.Embedded;Data Source=" + databaseFile + ";Create=True";
  classes::registerInProcess();
  demoplant::Plant plant =
      demoplant::generatePlant({.seed = 2024, .billLines = 2000, .year = kYear, .period = kPeriod});
  std::vector<com::Variant> statements{
      schema::schemaScript("system.sql") + "\r\n", schema::schemaScript("erp.sql") + "\r\n",
      profileRow("GL", "PeriodCount", "12"), profileRow("CB", "CB_CALCOMPLETEQTY_OK", "0")};
  for (std::string& s : plant.statements)
    statements.emplace_back(std::move(s));
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  com::callByName(*update, "UpdateBatch", props(), com::SafeArray::vector(std::move(statements)));
  const demoplant::PlantFacts& f = plant.facts;
  std::cout
      << "\ndemo plant (seed 2024): " << f.departments << " departments, " << f.items << " items, "
      << f.costObjects << " cost objects, " << f.bills << " live stock bills with " << f.billLines
      << " lines, " << f.distributionRows << " distribution rows, " << f.resultRows
      << " result rows; periods start on the 26th, period 3 of 2024 runs from 2024-02-26 to 2024-03-25\n";

  step(*update, "GetICStockBillDataForCB", {kYear, kPeriod});
  show("snapshot by transaction type",
       "SELECT FTranType, COUNT(*) AS Bills, SUM(CASE WHEN FStatus > 0 AND FCancellation = 0 THEN 1 ELSE 0 "
       "END) "
       "AS Valid, MIN(FDate) AS FirstDay, MAX(FDate) AS LastDay FROM cb_ICStockBill GROUP BY FTranType "
       "ORDER BY FTranType");
  show("snapshot lines", "SELECT COUNT(*) AS Lines FROM cb_ICStockBillEntry");

  // The reset refuses a snapshot of another period, then runs on the right one.
  step(*update, "GetICStockBillDataForCB", {kYear, kPeriod + 1});
  step(*update, "DeleteCalInfo", {kYear, kPeriod});
  step(*update, "GetICStockBillDataForCB", {kYear, kPeriod});
  show("period 3 before the reset", kDistribution);
  step(*update, "DeleteCalInfo", {kYear, kPeriod});
  show("period 3 after the reset", kDistribution);

  step(*update, "CalCompleteQty", {kYear, kPeriod});
  step(*update, "CalProductQty", {kYear, kPeriod});
  step(*update, "UpdateCalCompleteQtyStatus", {});
  show("completed quantities (first cost objects of each type)",
       "SELECT TOP 12 q.FDeptID, q.FCostObjID, c.FCalculateType, q.FQty FROM cbCompleteQty q INNER JOIN "
       "cbCostObj "
       "c ON c.FItemID = q.FCostObjID WHERE q.FYear = 2024 AND q.FPeriod = 3 ORDER BY q.FCostObjID, "
       "q.FDeptID");
  show("product quantities of classification cost objects",
       "SELECT TOP 9 p.FDeptID, p.FCostObjID, p.FProductID, x.FQuotiety, x.FIsDeputy, p.FQty FROM "
       "cbProductQty p "
       "INNER JOIN cb_CostObj_Product x ON x.FCostObjID = p.FCostObjID AND x.FProductID = p.FProductID "
       "WHERE p.FYear = 2024 AND p.FPeriod = 3 ORDER BY p.FCostObjID, p.FDeptID, p.FProductID");
  show("flag",
       "SELECT FValue AS CB_CALCOMPLETEQTY_OK FROM t_SystemProfile WHERE FKey = 'CB_CALCOMPLETEQTY_OK'");
  com::Ref<com::Dispatch> autoDis = com::createObject("Marlstone.AutoDis");
  runDistributionDemo({[&](const std::string& m, std::vector<com::Variant> a, com::Variant* answer) {
                         return callStep(*autoDis, "AutoDis", m, std::move(a), answer);
                       },
                       show, scalar},
                      kYear, kPeriod);
  const DemoCalls calls{
      [&](const std::string& m, std::vector<com::Variant> a) { return step(*update, m, std::move(a)); },
      show};
  runWriteBackDemo(calls, kYear, kPeriod);
  runClassificationDemo(calls, {props(), connectString}, kYear, kPeriod);
  runWipDemo(calls, kYear, kPeriod);
}

}  // namespace mls::host
