#include "demo_write_back.h"

#include <iostream>

#include "frame/sql_literal.h"
#include "schema/demoplant/client_calculation.h"

namespace mls::host {
namespace {

using frame::sqlNumber;

// The department, cost object and cost item groups whose header and detail
// rows split the same total differently.
constexpr const char* kSplitDiffers =
    "SELECT COUNT(*) AS Groups FROM CBCalInfo_CurData a WHERE a.FCostItemID = 1 AND a.FOverAmount <> (SELECT "
    "SUM(d.FOverAmount) FROM CBCalInfoDetail_CurData d WHERE d.FDeptID = a.FDeptID AND d.FCostObjID = "
    "a.FCostObjID AND d.FCostItemID = a.FCostItemID)";

// Two products with product cost rows, in the first two departments: the first
// batch-tracked one and the first counted in boxes.
constexpr const char* kShownProducts =
    "(SELECT MIN(p.FProductID) FROM cbProductCalInfo p INNER JOIN t_ICItem i ON i.FItemID = p.FProductID "
    "WHERE "
    "p.FPeriod = 3 AND i.FTrack = 80), (SELECT MIN(p.FProductID) FROM cbProductCalInfo p WHERE p.FPeriod = 3 "
    "AND "
    "p.FProductID % 3 = 0)";

std::string receiptLines(int year, int period) {
  return "SELECT h.FDeptID, e.FItemID, e.FBatchNo, e.FInterID, e.FEntryID, h.FDate, e.FQty, e.FUnitID, "
         "e.FPrice, e.FAmount, e.FAuxPrice, (SELECT SUM(p.FAmount) FROM cbProductCalInfo p WHERE p.FYear = " +
         sqlNumber(year) + " AND p.FPeriod = " + sqlNumber(period) +
         " AND p.FDeptID = h.FDeptID AND p.FProductID = e.FItemID AND p.FBatchNo = e.FBatchNo) AS "
         "GroupCost\r\nFROM ICStockBillEntry e INNER JOIN ICStockBill h ON h.FInterID = e.FInterID\r\n"
         "WHERE h.FTranType = 2 AND h.FDate >= '2024-02-26' AND h.FDate < '2024-03-26' AND h.FStatus > 0 AND "
         "h.FCancellation = 0 AND e.FItemID IN (" +
         kShownProducts +
         ")\r\n  AND h.FDeptID IN (101, 102)\r\nORDER BY e.FItemID, h.FDeptID, e.FBatchNo, e.FInterID, "
         "e.FEntryID";
}

}  // namespace

void runWriteBackDemo(const DemoCalls& calls, int year, int period) {
  std::cout << "\nthe client's calculation (schema/demoplant/client_calculation.h): material and other\n"
               "expenses per department and cost object, 0-30% left in work in process, levels 1 and 2\n";
  std::vector<com::Variant> statements;
  for (std::string& s : demoplant::clientCalculation(year, period))
    statements.emplace_back(std::move(s));
  calls.step("UpdateBatch", {com::Variant(com::SafeArray::vector(std::move(statements)))});
  calls.show("work tables",
             "SELECT FLevel, COUNT(*) AS HeaderRows, SUM(FOverAmount) AS Completed, SUM(FOnlineAmount) AS "
             "InProcess FROM CBCalInfo_CurData GROUP BY FLevel ORDER BY FLevel");
  calls.show("groups whose detail splits the total otherwise", kSplitDiffers);
  for (int level : {1, 2}) {
    calls.step("AdjustAmountDiff", {year, period, level});
    calls.step("UpdateProduct", {level, year, period});
  }
  calls.show("groups whose detail splits the total otherwise, after the settlement", kSplitDiffers);
  calls.show(
      "product cost rows",
      "SELECT FLevel, COUNT(*) AS Rows, COUNT(DISTINCT FProductID) AS Products, SUM(FAmount) AS Amount "
      "FROM cbProductCalInfo WHERE FPeriod = 3 GROUP BY FLevel ORDER BY FLevel");
  calls.show("calculation types before",
             "SELECT FCalculateType, COUNT(*) AS CostObjects FROM cbCostObj GROUP BY "
             "FCalculateType ORDER BY FCalculateType");
  calls.step("UpdateCalType", {year, period});
  calls.show("calculation types after",
             "SELECT FCalculateType, COUNT(*) AS CostObjects FROM cbCostObj GROUP BY "
             "FCalculateType ORDER BY FCalculateType");
  calls.show("receipt lines of two products before the write-back", receiptLines(year, period));
  for (int level : {1, 2})
    calls.step("SetCostToDBByLevel", {year, period, level});
  calls.show("the same lines after (each group's amounts add up to its cost)", receiptLines(year, period));
}

}  // namespace mls::host
