#include "demo_distribution.h"

#include <iostream>

#include "frame/sql_literal.h"
#include "platform/halvern/dictionary.h"
#include "schema/demoplant/plant.h"

namespace mls::host {
namespace {

using frame::sqlNumber;

// The snapshot's shared issue lines of normal use in the production
// departments (the snapshot holds the period's bills only).
const char* const kSharedLines =
    "FROM cb_ICStockBill h INNER JOIN cb_ICStockBillEntry e ON e.FInterID = h.FInterID\r\n"
    " INNER JOIN t_ICItem i ON i.FItemID = e.FItemID\r\n"
    " WHERE h.FTranType = 24 AND h.FPurposeID = 12000 AND h.FStatus > 0 AND h.FCancellation = 0"
    " AND h.FDeptID BETWEEN 101 AND 104\r\n"
    " AND (e.FCostObjID = 0 OR e.FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FNumber = "
    "'MaterielShareID'))\r\n";

// How many rows a line has in the period.
std::string rowCount(int period) {
  return "(SELECT COUNT(*) FROM cbMaterielInfo m WHERE m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID "
         "AND m.FPeriod = " +
         sqlNumber(period) + ")";
}

com::Variant filter(int year, int period) {
  com::Ref<com::Dispatch> d = halvern::createDictionary();
  auto* dict = dynamic_cast<halvern::Dictionary*>(d.get());
  dict->setItem("Year", com::Variant(year));
  dict->setItem("Period", com::Variant(period));
  dict->setItem("bNoDis", com::Variant(false));
  return com::Variant(d);
}

// One material of department 101 that a BOM of one of its cost objects uses,
// on lines without rows yet, weighed by the plant's complex standard 10 (input
// times BOM usage) over a cost-BOM work table.
void byBomUsage(const DistributionCalls& calls, int year, int period) {
  const com::Variant material =
      calls.scalar(std::string("SELECT MIN(e.FItemID) ") + kSharedLines +
                   " AND h.FDeptID = 101 AND e.FCostObjGroupID = 0 AND " + rowCount(period) +
                   " = 0 AND e.FItemID IN (SELECT l.FItemID FROM ICBomChild l INNER JOIN ICBom b ON "
                   "b.FInterID = l.FInterID"
                   " INNER JOIN cbCostObj c ON c.FStdProductID = b.FItemID INNER JOIN CBInQty q ON "
                   "q.FCostObjID = c.FItemID"
                   " AND q.FDeptID = 101)");
  if (material.isNull()) return;
  std::cout << "\nmaterial " << material.toString()
            << " of department 101 by the complex standard 10 (input times BOM usage):\n";
  com::Variant table;
  calls.step("CreateDelCostBom", {0, year, period, 101}, &table);
  calls.step("AutoDisMaterielExp", {10, 101, 0, filter(year, period), material, "", table}, nullptr);
  calls.show("its rows",
             "SELECT FInterID, FEntryID, FCostObjID, FStandardData, FQty, FAmount FROM cbMaterielInfo "
             "WHERE FPeriod = " +
                 sqlNumber(period) + " AND FStdID = 10 ORDER BY FInterID, FEntryID, FCostObjID");
  calls.step("CreateDelCostBom", {1, year, period, 0, table}, nullptr);
}

}  // namespace

void runDistributionDemo(const DistributionCalls& calls, int year, int period) {
  std::cout << "\nmaterial distribution of the period's shared issues (AutoDis, acting as the client)\n";
  byBomUsage(calls, year, period);
  std::cout << "\neach production department's shared issues by the entered standard "
            << demoplant::kEnteredStandard
            << ": the ungrouped lines and the department's cost-object group (1 or 2), then\n"
               "repairable waste; lines with rows are split again in their rows' proportions\n";
  for (int dept = 101; dept <= 104; ++dept) {
    for (int group : {0, dept % 2 == 1 ? 1 : 2}) {
      calls.step("AutoDisMaterielExp",
                 {demoplant::kEnteredStandard, dept, 0, filter(year, period), 0, "", "", false, false, group},
                 nullptr);
    }
    calls.step("AutoDisMaterielExp", {demoplant::kEnteredStandard, dept, 1, filter(year, period)}, nullptr);
  }

  const std::string issued =
      "CASE WHEN i.FTrack = 81 AND (SELECT FValue FROM t_SystemProfile WHERE FCategory = 'CB' AND FKey = "
      "'MatCalStyle') = '1' THEN ROUND(e.FQty * e.FPlanPrice, 2) ELSE e.FAmount END";
  calls.show(
      "shared lines of normal use, and how many have rows adding up to their issued amount",
      "SELECT COUNT(*) AS Lines, SUM(CASE WHEN x.RowsAmount = x.Issued THEN 1 ELSE 0 END) AS AddingUp FROM "
      "(SELECT " +
          issued + " AS Issued, (SELECT SUM(m.FAmount) FROM cbMaterielInfo m WHERE m.FYear = " +
          sqlNumber(year) + " AND m.FPeriod = " + sqlNumber(period) +
          " AND m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID) AS RowsAmount " + kSharedLines + ") x");
  const std::string lines = std::string("SELECT TOP 3 e.FInterID, e.FEntryID ") + kSharedLines + " AND " +
                            rowCount(period) + " > 2 ORDER BY e.FInterID, e.FEntryID";
  calls.show("three of them: their rows",
             "SELECT m.FInterID, m.FEntryID, m.FCostObjID, m.FStandardData, m.FQty, m.FPrice, m.FAmount FROM "
             "cbMaterielInfo m INNER JOIN (" +
                 lines + ") l ON l.FInterID = m.FInterID AND l.FEntryID = m.FEntryID WHERE m.FPeriod = " +
                 sqlNumber(period) + " ORDER BY m.FInterID, m.FEntryID, m.FCostObjID");
  calls.show(
      "the same lines: issued against the sum of their rows",
      "SELECT e.FInterID, e.FEntryID, e.FQty AS IssuedQty, " + issued +
          " AS Issued, SUM(m.FQty) AS RowsQty, SUM(m.FAmount) AS RowsAmount, COUNT(*) AS Rows FROM "
          "cb_ICStockBillEntry e INNER JOIN t_ICItem i ON i.FItemID = e.FItemID INNER JOIN (" +
          lines +
          ") l ON l.FInterID = e.FInterID AND l.FEntryID = e.FEntryID INNER JOIN cbMaterielInfo m ON "
          "m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID AND m.FPeriod = " +
          sqlNumber(period) +
          " GROUP BY e.FInterID, e.FEntryID, e.FQty, e.FAmount, e.FPlanPrice, i.FTrack ORDER BY e.FInterID, "
          "e.FEntryID");
}

}  // namespace mls::host
