#include "demo_details.h"

#include "frame/sql_literal.h"

namespace mls::host {
namespace {

using frame::sqlNumber;

const char* const kDistribution =
    "SELECT 'cbMaterielInfo' AS TableName, COUNT(*) AS Rows FROM cbMaterielInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'cbWMaterielInfo', COUNT(*) FROM cbWMaterielInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'CBWBMaterielInfo', COUNT(*) FROM CBWBMaterielInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'cbExpenseDistributeInfo', COUNT(*) FROM cbExpenseDistributeInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'cbWExpenseDistributeInfo', COUNT(*) FROM cbWExpenseDistributeInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'cbProductCalInfo', COUNT(*) FROM cbProductCalInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'CBCalInfo', COUNT(*) FROM CBCalInfo WHERE FPeriod = 3 "
    "UNION ALL SELECT 'CBOnlineMaterielDispInfo', COUNT(*) FROM CBOnlineMaterielDispInfo WHERE FPeriod = 3";

// The snapshot's shared issue lines of normal use in the production
// departments (the snapshot holds the period's bills only).
const char* const kSharedLines =
    "FROM cb_ICStockBill h INNER JOIN cb_ICStockBillEntry e ON e.FInterID = h.FInterID\r\n"
    " INNER JOIN t_ICItem i ON i.FItemID = e.FItemID\r\n"
    " WHERE h.FTranType = 24 AND h.FPurposeID = 12000 AND h.FStatus > 0 AND h.FCancellation = 0"
    " AND h.FDeptID BETWEEN 101 AND 104\r\n"
    " AND (e.FCostObjID = 0 OR e.FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FNumber = "
    "'MaterielShareID'))\r\n";

// An issue line's valued amount: plan-priced materials at their plan price
// when the profile says so.
const char* const kIssued =
    "CASE WHEN i.FTrack = 81 AND (SELECT FValue FROM t_SystemProfile WHERE FCategory = 'CB' AND FKey = "
    "'MatCalStyle') = '1' THEN ROUND(e.FQty * e.FPlanPrice, 2) ELSE e.FAmount END";

// The department, cost object and cost item groups whose header and detail
// rows split the same total differently.
const char* const kSplitDiffers =
    "SELECT COUNT(*) AS Groups FROM CBCalInfo_CurData a WHERE a.FCostItemID = 1 AND a.FOverAmount <> (SELECT "
    "SUM(d.FOverAmount) FROM CBCalInfoDetail_CurData d WHERE d.FDeptID = a.FDeptID AND d.FCostObjID = "
    "a.FCostObjID AND d.FCostItemID = a.FCostItemID)";

const char* const kCalculationTypes =
    "SELECT FCalculateType, COUNT(*) AS CostObjects FROM cbCostObj GROUP BY FCalculateType ORDER BY "
    "FCalculateType";

const char* const kStandardSettings =
    "SELECT FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll FROM CBDeptStdSet ORDER BY FCostObjID";

// Two products with product cost rows, in the first two departments: the first
// batch-tracked one and the first counted in boxes.
const char* const kShownProducts =
    "(SELECT MIN(p.FProductID) FROM cbProductCalInfo p INNER JOIN t_ICItem i ON i.FItemID = p.FProductID "
    "WHERE p.FPeriod = 3 AND i.FTrack = 80), (SELECT MIN(p.FProductID) FROM cbProductCalInfo p WHERE "
    "p.FPeriod = 3 AND p.FProductID % 3 = 0)";

// How many rows a line has in the period.
std::string rowCount(int period) {
  return "(SELECT COUNT(*) FROM cbMaterielInfo m WHERE m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID "
         "AND m.FPeriod = " +
         sqlNumber(period) + ")";
}

void distribution(const Show& show, int year, int period) {
  show("shared lines of normal use, and how many have rows adding up to their issued amount",
       "SELECT COUNT(*) AS Lines, SUM(CASE WHEN x.RowsAmount = x.Issued THEN 1 ELSE 0 END) AS AddingUp FROM "
       "(SELECT " +
           std::string(kIssued) +
           " AS Issued, (SELECT SUM(m.FAmount) FROM cbMaterielInfo m WHERE m.FYear = " + sqlNumber(year) +
           " AND m.FPeriod = " + sqlNumber(period) +
           " AND m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID) AS RowsAmount " + kSharedLines + ") x");
  const std::string lines = std::string("SELECT TOP 3 e.FInterID, e.FEntryID ") + kSharedLines + " AND " +
                            rowCount(period) + " > 2 ORDER BY e.FInterID, e.FEntryID";
  show("three of them: their rows",
       "SELECT m.FInterID, m.FEntryID, m.FCostObjID, m.FStandardData, m.FQty, m.FPrice, m.FAmount FROM "
       "cbMaterielInfo m INNER JOIN (" +
           lines + ") l ON l.FInterID = m.FInterID AND l.FEntryID = m.FEntryID WHERE m.FPeriod = " +
           sqlNumber(period) + " ORDER BY m.FInterID, m.FEntryID, m.FCostObjID");
  show("the same lines: issued against the sum of their rows",
       "SELECT e.FInterID, e.FEntryID, e.FQty AS IssuedQty, " + std::string(kIssued) +
           " AS Issued, SUM(m.FQty) AS RowsQty, SUM(m.FAmount) AS RowsAmount, COUNT(*) AS Rows FROM "
           "cb_ICStockBillEntry e INNER JOIN t_ICItem i ON i.FItemID = e.FItemID INNER JOIN (" +
           lines +
           ") l ON l.FInterID = e.FInterID AND l.FEntryID = e.FEntryID INNER JOIN cbMaterielInfo m ON "
           "m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID AND m.FPeriod = " +
           sqlNumber(period) +
           " GROUP BY e.FInterID, e.FEntryID, e.FQty, e.FAmount, e.FPlanPrice, i.FTrack ORDER BY e.FInterID, "
           "e.FEntryID");
}

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

// The period's WIP lines with the sums of their rows; FKind: direct (a real
// cost object) or shared.
std::string wipLines(int year, int period) {
  const std::string y = sqlNumber(year), p = sqlNumber(period);
  const std::string ofLine = " FROM CBOnlineMaterielDispInfo r WHERE r.FYear = " + y +
                             " AND r.FPeriod = " + p + " AND r.FInterID = e.FID AND r.FEntryID = e.FEntryID)";
  return "(SELECT e.FID, e.FEntryID, e.FQty, CASE WHEN e.FCostObjID <> 0 AND e.FCostObjID NOT IN (SELECT "
         "FItemID FROM cbCostObj WHERE FNumber = 'MaterielShareID') THEN 'direct' ELSE 'shared' END AS "
         "FKind, "
         "(SELECT COUNT(*)" +
         ofLine + " AS FRows, (SELECT SUM(r.FQty)" + ofLine +
         " AS FRowsQty FROM CBProductMatWipEntry e INNER JOIN CBProductMatWip b ON b.FID = e.FID WHERE "
         "b.FYear "
         "= " +
         y + " AND b.FPeriod = " + p + ") x";
}

void workInProcess(const Show& show, int year, int period) {
  show("WIP lines by kind: with rows, and with rows adding up to their quantity",
       "SELECT FKind, COUNT(*) AS Lines, SUM(CASE WHEN FRows > 0 THEN 1 ELSE 0 END) AS WithRows, SUM(CASE "
       "WHEN "
       "FRowsQty = FQty THEN 1 ELSE 0 END) AS AddingUp FROM " +
           wipLines(year, period) + " GROUP BY FKind ORDER BY FKind");
  const std::string receiver = "CASE WHEN FStandardData = 0 THEN 'all-online' ELSE 'weighed or direct' END";
  show("rows of receivers with all their input in process (nothing completed), and the others",
       "SELECT " + receiver +
           " AS Receiver, COUNT(*) AS Rows, SUM(FQty) AS Qty, SUM(FAmount) AS Amount FROM "
           "CBOnlineMaterielDispInfo WHERE FYear = " +
           sqlNumber(year) + " AND FPeriod = " + sqlNumber(period) + " GROUP BY " + receiver +
           " ORDER BY Receiver");
}

void classification(const Show& show, int year, int period) {
  show("product cost rows of the classification cost objects",
       "SELECT p.FDeptID, p.FCostObjID, p.FCostItemID, p.FLevel, p.FProductID, d.FIsDeputy, p.FQty, "
       "p.FStandardQty, p.FAmount FROM cbProductCalInfo p INNER JOIN cb_CostObj_Product d ON d.FCostObjID = "
       "p.FCostObjID AND d.FProductID = p.FProductID WHERE p.FYear = " +
           sqlNumber(year) + " AND p.FPeriod = " + sqlNumber(period) +
           " ORDER BY p.FCostObjID, p.FDeptID, p.FCostItemID, p.FLevel, p.FProductID");
  // Both sides grouped first: each amount beside the sum of its rows.
  const std::string inPeriod = " WHERE FYear = " + sqlNumber(year) + " AND FPeriod = " + sqlNumber(period);
  show("amounts against their product cost rows",
       "SELECT a.FDeptID, a.FCostObjID, a.FCostItemID, a.FLevel, a.Amount, p.ProductRows FROM (SELECT "
       "FDeptID, FCostObjID, FCostItemID, FLevel, SUM(FOverAmount) AS Amount FROM CBCalInfo_CurData" +
           inPeriod +
           " AND FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FCalculateType = 909) GROUP BY FDeptID, "
           "FCostObjID, FCostItemID, FLevel) a LEFT JOIN (SELECT FDeptID, FCostObjID, FCostItemID, FLevel, "
           "SUM(FAmount) AS ProductRows FROM cbProductCalInfo" +
           inPeriod +
           " GROUP BY FDeptID, FCostObjID, FCostItemID, FLevel) p ON p.FDeptID = a.FDeptID AND p.FCostObjID "
           "= a.FCostObjID AND p.FCostItemID = a.FCostItemID AND p.FLevel = a.FLevel ORDER BY a.FCostObjID, "
           "a.FDeptID, a.FCostItemID, a.FLevel");
}

}  // namespace

void showStepDetails(const Show& show, const std::string& step, bool done, int year, int period) {
  if (step == "snapshot" && done) {
    show("snapshot by transaction type",
         "SELECT FTranType, COUNT(*) AS Bills, SUM(CASE WHEN FStatus > 0 AND FCancellation = 0 THEN 1 ELSE 0 "
         "END) AS Valid, MIN(FDate) AS FirstDay, MAX(FDate) AS LastDay FROM cb_ICStockBill GROUP BY "
         "FTranType ORDER BY FTranType");
    show("period 3 before the reset", kDistribution);
  } else if (step == "reset" && done) {
    show("period 3 after the reset", kDistribution);
  } else if (step == "quantities" && done) {
    show("completed quantities (first cost objects of each type)",
         "SELECT TOP 12 q.FDeptID, q.FCostObjID, c.FCalculateType, q.FQty FROM cbCompleteQty q INNER JOIN "
         "cbCostObj c ON c.FItemID = q.FCostObjID WHERE q.FYear = 2024 AND q.FPeriod = 3 ORDER BY "
         "q.FCostObjID, q.FDeptID");
    show(
        "product quantities of classification cost objects",
        "SELECT TOP 9 p.FDeptID, p.FCostObjID, p.FProductID, x.FQuotiety, x.FIsDeputy, p.FQty FROM "
        "cbProductQty p INNER JOIN cb_CostObj_Product x ON x.FCostObjID = p.FCostObjID AND x.FProductID = "
        "p.FProductID WHERE p.FYear = 2024 AND p.FPeriod = 3 ORDER BY p.FCostObjID, p.FDeptID, p.FProductID");
    show("flag",
         "SELECT FValue AS CB_CALCOMPLETEQTY_OK FROM t_SystemProfile WHERE FKey = 'CB_CALCOMPLETEQTY_OK'");
  } else if (step == "shared issues" && done) {
    distribution(show, year, period);
  } else if (step == "work in process of products" && done) {
    workInProcess(show, year, period);
  } else if (step == "client calculation" && done) {
    show("work tables",
         "SELECT FLevel, COUNT(*) AS HeaderRows, SUM(FOverAmount) AS Completed, SUM(FOnlineAmount) AS "
         "InProcess FROM CBCalInfo_CurData GROUP BY FLevel ORDER BY FLevel");
    show("groups whose detail splits the total otherwise", kSplitDiffers);
    show("calculation types before", kCalculationTypes);
  } else if (step == "product cost rows" && done) {
    show("groups whose detail splits the total otherwise, after the settlement", kSplitDiffers);
    show("product cost rows",
         "SELECT FLevel, COUNT(*) AS Rows, COUNT(DISTINCT FProductID) AS Products, SUM(FAmount) AS Amount "
         "FROM cbProductCalInfo WHERE FPeriod = 3 GROUP BY FLevel ORDER BY FLevel");
    show("calculation types after", kCalculationTypes);
  } else if (step == "classification split") {
    show(done ? "standard settings after" : "standard settings before", kStandardSettings);
    if (done) classification(show, year, period);
  } else if (step == "write-back") {
    show(done ? "the same lines after (each group's amounts add up to its cost)"
              : "receipt lines of two products before the write-back",
         receiptLines(year, period));
  }
}

}  // namespace mls::host
