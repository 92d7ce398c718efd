#include "calculation/consumption_inquiries.h"

#include <string>

#include "calculation/period_rows.h"
#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

using frame::sqlNumber;
namespace codes = frame::codes;

// The cost object's distribution rows of the period, joined to their issue
// lines in the snapshot, into one quantity column of #CalTab1.
std::string distributedQty(const char* table, const char* column, int32_t year, int32_t period,
                           int32_t costObjId, bool grouped) {
  frame::SqlScript sql;
  sql.line("INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, " +
           std::string(column) + ")")
      .line(std::string("SELECT h.FDeptID, a.FCostObjID, a.FCostItemID, e.FItemID, e.FBatchNo, ") +
            (grouped ? "SUM(a.FQty)" : "a.FQty") + " FROM " + table + " a")
      .line("  INNER JOIN cb_ICStockBill h ON a.FInterID = h.FInterID")
      .line("  INNER JOIN cb_ICStockBillEntry e ON a.FInterID = e.FInterID AND a.FEntryID = e.FEntryID")
      .line("WHERE " + periodRows("a", year, period) + " AND a.FCostObjID = " + sqlNumber(costObjId));
  if (grouped) sql.line("GROUP BY h.FDeptID, a.FCostObjID, a.FCostItemID, e.FItemID, e.FBatchNo");
  return sql.text();
}

}  // namespace

com::Ref<ado::Recordset> getSpendMaterielSum(frame::Call& call, int32_t year, int32_t period,
                                             int32_t /*lngDeptID: every department*/, int32_t costObjId) {
  ado::Connection& connection = call.connection();
  frame::dropTempTable(connection, "#CalTab1");
  connection.execute(
      "CREATE TABLE #CalTab1 (FDeptID int, FCostObjID int, FCostItemID int, FMaterielID int, FBatchNo "
      "varchar(255),\r\n"
      "  FBegQty decimal(28,10) not null default 0, FNorQty decimal(28,10) not null default 0,\r\n"
      "  FWasQty decimal(28,10) not null default 0, FBadQty decimal(28,10) not null default 0)");
  connection.execute(
      "INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, FBegQty)\r\n"
      "SELECT FDepID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, FQty FROM cbCostObjDetail\r\n"
      "WHERE FYear = " +
      sqlNumber(year) + " AND FPeriod = " + sqlNumber(period) + " AND FCostObjID = " + sqlNumber(costObjId));
  connection.execute(distributedQty("cbMaterielInfo", "FNorQty", year, period, costObjId, true));
  connection.execute(distributedQty("cbWMaterielInfo", "FWasQty", year, period, costObjId, true));
  connection.execute(distributedQty("CBWBMaterielInfo", "FBadQty", year, period, costObjId, false));
  com::Ref<ado::Recordset> rs = frame::detachedSelect(
      connection,
      "SELECT FDeptID, FCostObjID, FCostItemID, FMaterielID,\r\n"
      "  ISNULL(SUM(FBegQty + FNorQty + FWasQty + FBadQty), 0) AS FSumQty FROM #CalTab1\r\n"
      "GROUP BY FDeptID, FCostObjID, FCostItemID, FMaterielID");
  frame::dropTempTable(connection, "#CalTab1");
  return rs;
}

com::Ref<ado::Recordset> getICMOMaterielQtyToCostItem(frame::Call& call,
                                                      int32_t /*lngDeptID: every department*/,
                                                      int32_t costObjId, int32_t year, int32_t period) {
  const frame::PeriodWindow w =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsText);
  ado::Connection& connection = call.connection();
  connection.execute(
      "CREATE TABLE #CalTab1 (FDeptID int, FCostObjID int, FCostItemID int, FMaterielID int, FBatchNo "
      "varchar(255),\r\n"
      "  FQty decimal(28,10) not null default 0)");
  frame::SqlScript sql;
  sql.line("INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, FQty)")
      .line("SELECT h.FDeptID, e.FCostOBJID, 0, e.FItemID, e.FBatchNo, e.FQty FROM cb_ICStockBill h")
      .line("  INNER JOIN cb_ICStockBillEntry e ON h.FInterID = e.FInterID")
      .line("  INNER JOIN ICMO m ON m.FInterID = e.FICMOInterID")
      .line("WHERE h.FTranType = " + std::string(codes::kMaterialIssue) +
            " AND h.FCancellation = 0 AND h.FCheckerID <> 0")
      .line("  AND e.FCostOBJID = " + sqlNumber(costObjId) + " AND m.FTranType = " + codes::kProductionOrder +
            " AND m.FCostObjID = e.FCostOBJID")
      .line("  AND ((m.FStatus <> 0 AND m.FStatus <> 3) OR (m.FStatus = 3 AND m.FCloseDate >= " +
            frame::sqlDate(w.next) + "))")
      .send(connection);
  // Several material cost items: the first by interior ID.
  sql.line("UPDATE t SET FBatchNo = '' FROM #CalTab1 t INNER JOIN t_ICItem i ON t.FMaterielID = i.FItemID")
      .line("  WHERE i.FTrack <> " + std::string(codes::kBatchTracked))
      .line("UPDATE t SET FCostItemID = i.FCostProject FROM #CalTab1 t")
      .line("  INNER JOIN t_ICItem i ON t.FMaterielID = i.FItemID WHERE i.FCostProject > 0")
      .line(
          "UPDATE #CalTab1 SET FCostItemID = ISNULL((SELECT TOP 1 FItemID FROM cbCostItem WHERE FTypeID = " +
          std::string(codes::kMaterialCostItem))
      .line("  ORDER BY FItemID), 0) WHERE FCostItemID = 0 OR FCostItemID IS NULL")
      .send(connection);
  com::Ref<ado::Recordset> rs = frame::detachedSelect(
      connection,
      "SELECT FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, ISNULL(SUM(FQty), 0) AS FQty\r\n"
      "FROM #CalTab1 GROUP BY FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo");
  frame::dropTempTable(connection, "#CalTab1");
  return rs;
}

}  // namespace mls::calculation
