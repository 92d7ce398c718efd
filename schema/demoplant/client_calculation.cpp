#include "schema/demoplant/client_calculation.h"

#include "frame/sql_literal.h"

namespace mls::demoplant {
namespace {

// On the cost object c: the share of completed output, and the level.
constexpr const char* kCompletedShare = "(10 - c.FItemID % 4) / 10.0";
constexpr const char* kLevel =
    "CASE WHEN c.FCalculateType = 907 OR c.FStdProductID % 5 = 0 THEN 2 ELSE 1 END";

}  // namespace

std::vector<std::string> clientCalculation(int year, int period) {
  const std::string y = frame::sqlNumber(year), p = frame::sqlNumber(period);
  const std::string share = kCompletedShare, level = kLevel;
  std::vector<std::string> sql;
  sql.push_back(
      "CREATE TABLE #DemoCost (FDeptID INT, FCostObjID INT, FCostItemID INT, FMaterielID INT, "
      "FBatchNo VARCHAR(200), FAmount DECIMAL(28,10), FQty DECIMAL(28,10))\r\n");
  sql.push_back(
      "INSERT INTO #DemoCost SELECT h.FDeptID, m.FCostObjID, 1, e.FItemID, e.FBatchNo, SUM(m.FAmount), "
      "SUM(m.FQty)\r\n"
      "FROM cbMaterielInfo m INNER JOIN cb_ICStockBillEntry e ON e.FInterID = m.FInterID AND e.FEntryID = "
      "m.FEntryID\r\n"
      "  INNER JOIN cb_ICStockBill h ON h.FInterID = e.FInterID\r\n"
      "WHERE m.FYear = " +
      y + " AND m.FPeriod = " + p + "\r\nGROUP BY h.FDeptID, m.FCostObjID, e.FItemID, e.FBatchNo\r\n");
  sql.push_back(
      "INSERT INTO #DemoCost SELECT b.FDeptID, d.FCostObjID, 2, 0, '', SUM(d.FAmount), 0\r\n"
      "FROM cbExpenseDistributeInfo d INNER JOIN cbCostExpenseInfo b ON b.FInterID = d.FInterID\r\n"
      "WHERE b.FPurposeID = 0 AND d.FYear = " +
      y + " AND d.FPeriod = " + p + "\r\nGROUP BY b.FDeptID, d.FCostObjID\r\n");
  sql.push_back("DELETE FROM #DemoCost WHERE NOT EXISTS (SELECT 1 FROM cbCompleteQty q WHERE q.FYear = " + y +
                " AND q.FPeriod = " + p +
                " AND q.FDeptID = #DemoCost.FDeptID AND q.FCostObjID = #DemoCost.FCostObjID)\r\n");
  // An amount as its completed part rounded to cents and the rest in process.
  auto split = [&](const std::string& amount) {
    return "ROUND(" + amount + " * " + share + ", 2), " + amount + " - ROUND(" + amount + " * " + share +
           ", 2)";
  };
  sql.push_back(
      "INSERT INTO CBCalInfo_CurData (FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FStandardID, "
      "FOverAmount, FOnlineAmount, FLevel)\r\nSELECT " +
      y + ", " + p + ", s.FDeptID, s.FCostObjID, s.FCostItemID, 1, " + split("SUM(s.FAmount)") + ", " +
      level +
      "\r\nFROM #DemoCost s INNER JOIN cbCostObj c ON c.FItemID = s.FCostObjID\r\n"
      "GROUP BY s.FDeptID, s.FCostObjID, s.FCostItemID, c.FItemID, c.FCalculateType, c.FStdProductID\r\n");
  sql.push_back(
      "INSERT INTO CBCalInfoDetail_CurData (FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FMaterielID, "
      "FBatchNo, FOverAmount, FOnlineAmount, FOverQty, FOnlineQty, FLevel)\r\nSELECT " +
      y + ", " + p + ", s.FDeptID, s.FCostObjID, 1, s.FMaterielID, s.FBatchNo, " + split("s.FAmount") +
      ", s.FQty * " + share + ", s.FQty - s.FQty * " + share + ", " + level +
      "\r\nFROM #DemoCost s INNER JOIN cbCostObj c ON c.FItemID = s.FCostObjID WHERE s.FCostItemID = 1\r\n");
  sql.push_back("DROP TABLE #DemoCost\r\n");
  return sql;
}

}  // namespace mls::demoplant
