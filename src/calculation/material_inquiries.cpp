#include "calculation/material_inquiries.h"

#include <string>

#include "calculation/period_rows.h"
#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/error.h"

namespace mls::calculation {
namespace {

using frame::sqlNumber;
namespace codes = frame::codes;

constexpr const char* kBadCalMode = "计算方式%1无效：只能是0或1。";

// The materials distributed with a quantity or an amount in one distribution
// table: lngCal 0 takes the item from the item master, 1 from the item base
// table without the items that are a by-product of some cost object.
// `batch` adds the line's batch and leaves rework lines out.
std::string distributedMaterials(const char* table, int32_t year, int32_t period, int32_t lngCal,
                                 bool batch) {
  const bool base = lngCal == 1;
  std::string sql = "SELECT DISTINCT a.FCostObjID, c.FItemID, ";
  if (batch) sql += "ISNULL(b.FBatchNo, '') AS FBatchno, ";
  sql += "c.FErpClsID FROM " + std::string(table) +
         " a\r\n  INNER JOIN cb_ICStockBillEntry b ON a.FInterID = b.FInterID AND a.FEntryID = b.FEntryID\r\n"
         "  INNER JOIN " +
         (base ? "t_icitembase" : "t_ICItem") + " c ON b.FItemID = c.FItemID\r\n";
  if (base) sql += "  LEFT JOIN cb_CostObj_Product d ON c.FItemID = d.FProductID AND d.FIsDeputy = 1\r\n";
  sql += "WHERE " + periodRows("a", year, period) + " AND (a.FQty <> 0 OR a.FAmount <> 0)";
  if (base) sql += " AND d.FProductID IS NULL";
  if (batch) sql += " AND (b.FReProduceType IS NULL OR b.FReProduceType <> 1058)";
  return sql;
}

com::Ref<ado::Recordset> materials(frame::Call& call, int32_t year, int32_t period, int32_t lngCal,
                                   bool batch) {
  if (lngCal != 0 && lngCal != 1) {
    com::raise(com::err::kInvalidCall, call.fullName(),
               frame::langTextFormat(call.language(), kBadCalMode,
                                     com::Variant(com::SafeArray::vector({com::Variant(lngCal)}))));
  }
  frame::SqlScript sql;
  sql.line(distributedMaterials("cbMaterielInfo", year, period, lngCal, batch))
      .line("UNION")
      .line(distributedMaterials("cbWMaterielInfo", year, period, lngCal, batch));
  return frame::detachedSelect(call.connection(), sql.text());
}

}  // namespace

com::Ref<ado::Recordset> getMateriel(frame::Call& call, int32_t year, int32_t period, int32_t lngCal) {
  return materials(call, year, period, lngCal, false);
}

com::Ref<ado::Recordset> getMaterielBySetLevel(frame::Call& call, int32_t year, int32_t period,
                                               int32_t lngCal) {
  return materials(call, year, period, lngCal, true);
}

com::Ref<ado::Recordset> getProductIn(frame::Call& call, int32_t year, int32_t period,
                                      const frame::PeriodDates& dctCurPeriodDate) {
  const frame::PeriodWindow w =
      frame::periodWindow(dctCurPeriodDate, call.props(), year, period, frame::WindowForm::NextAsText);
  // A receipt matches the cost objects of live items whose product list holds
  // its product, by batch when the product is batch-tracked; cost object 0
  // stands for none and finds no cost object below.
  frame::SqlScript sql;
  sql.line("SELECT t.FProductID, t.FBatchno, t.FCostObjID, '(' + o.FNumber + ')' + o.FName AS FTName FROM (")
      .line("  SELECT DISTINCT e.FItemID AS FProductID, ISNULL(e.FBatchNo, '') AS FBatchno,")
      .line("    ISNULL(k.FCostObjID, 0) AS FCostObjID")
      .line("  FROM cb_ICStockBill h")
      .line("    INNER JOIN cb_ICStockBillEntry e ON h.FInterID = e.FInterID")
      .line("    INNER JOIN t_Department d ON h.FDeptID = d.FItemID")
      .line("    INNER JOIN t_ICItem i ON e.FItemID = i.FItemID")
      .line("    LEFT JOIN (SELECT p.FCostObjID, p.FProductID, c.FBatchNo FROM cb_CostObj_Product p")
      .line("      INNER JOIN cbCostObj c ON p.FCostObjID = c.FItemID")
      .line("      INNER JOIN t_item r ON c.FItemID = r.FItemID WHERE r.FDeleted = 0) k")
      .line("      ON k.FProductID = e.FItemID")
      .line("      AND k.FBatchNo = CASE WHEN i.FTrack = " + std::string(codes::kBatchTracked) +
            " THEN ISNULL(e.FBatchNo, '') ELSE '' END")
      .line("  WHERE h.FDate >= " + frame::sqlDate(w.begin) + " AND h.FDate < " + frame::sqlDate(w.next))
      .line("    AND h.FCancellation = 0 AND h.FTranType = " + std::string(codes::kProductReceipt) +
            " AND h.FStatus > 0 AND d.FCostAccountType = " + codes::kProductionDept)
      .line(
          "    AND EXISTS (SELECT 1 FROM cb_CostObj_Product m WHERE m.FProductID = e.FItemID AND m.FIsDeputy "
          "<> 1)")
      .line(") t INNER JOIN cbCostObj o ON t.FCostObjID = o.FItemID");
  return frame::detachedSelect(call.connection(), sql.text());
}

com::Ref<ado::Recordset> getAmountZero(frame::Call& call, int32_t year, int32_t period, int32_t costObjId) {
  frame::SqlScript sql;
  sql.line(" Select a.FCostObjID,b.FBillNo,c.FEntryID,d.FNumber,d.FName from cbMaterielInfo a ")
      .line("  INNER JOIN cb_ICStockBill b ON a.FInterID = b.FInterID")
      .line("  INNER JOIN cb_ICStockBillEntry c ON a.FInterID = c.FInterID AND a.FEntryID = c.FEntryID")
      .line("  INNER JOIN t_ICItem d ON c.FItemID = d.FItemID")
      .line("WHERE c.FAmount = 0 AND " + periodRows("a", year, period) +
            " AND a.FCostObjID = " + sqlNumber(costObjId));
  return frame::detachedSelect(call.connection(), sql.text());
}

com::Ref<ado::Recordset> getOnlineCostobj(frame::Call& call, int32_t year, int32_t period,
                                          const frame::PeriodDates& /*dctCurPeriodDate: not needed*/) {
  ado::Connection& connection = call.connection();
  frame::dropTempTable(connection, "#OnlineCostObj");
  frame::SqlScript sql;
  sql.line(
         "CREATE TABLE #OnlineCostObj (FCostObjID INT, FCostObjNumber varchar(255), FCostObjName "
         "varchar(255),")
      .line("  FBatchNo varchar(255), FProductID int, FCalculateType int, FStdID INT, FStdSubID INT,")
      .line("  FStdSubItemID INT not Null Default(0), FSort int not Null Default(0))")
      .send(connection);
  // In production: an input quantity or a beginning balance in the period.
  // Out again: a zero input quantity of the period with beginning balances
  // that sum to 0 (a cost object without balance rows stays).
  const std::string inQty = "CBInQty WHERE " + periodRows("", year, period);
  const std::string balance = "cbBalance WHERE " + periodRows("", year, period);
  sql.line("INSERT INTO #OnlineCostObj (FCostObjID, FCostObjNumber, FCostObjName, FBatchNo, FProductID,")
      .line("  FCalculateType, FStdID, FStdSubID, FStdSubItemID)")
      .line("SELECT c.FItemID, c.FNumber, c.FName, c.FBatchNo, c.FStdProductID, c.FCalculateType, c.FStdID,")
      .line("  c.FStdSubID, c.FStdSubItemID FROM cbCostObj c")
      .line("WHERE c.FItemID IN (SELECT FCostObjID FROM " + inQty + ")")
      .line("  OR c.FItemID IN (SELECT FProductID FROM " + balance + ")")
      .line("DELETE FROM #OnlineCostObj")
      .line("WHERE FCostObjID IN (SELECT FCostObjID FROM " + inQty + " AND ISNULL(FQty, 0) = 0)")
      .line("  AND FCostObjID IN (SELECT FProductID FROM " + balance)
      .line("    GROUP BY FProductID HAVING SUM(ISNULL(FBegBal, 0)) = 0)")
      .send(connection);
  com::Ref<ado::Recordset> rs = frame::detachedEditable(
      connection,
      "SELECT '('+cbCostObj.FNumber+')'+ cbCostObj.FName as FTName,#OnlineCostObj.* FROM #OnlineCostObj "
      "inner join cbCostObj ON #OnlineCostObj.FCostObjID=cbCostObj.FItemID");
  connection.execute("Drop Table #OnlineCostObj");
  return rs;
}

}  // namespace mls::calculation
