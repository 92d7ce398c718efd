#include "standards/completed_qty_sql.h"

#include "frame/domain_codes.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "standards/checked_column.h"

namespace mls::standards {
namespace {

// The live receipt lines of the window (header h, line e).
void receipts(frame::SqlScript& sql) {
  sql.line(" FROM ICStockBill h INNER JOIN ICStockBillEntry e ON e.FInterID=h.FInterID");
}

std::string receiptFilter(const TextScope& scope) {
  return " WHERE h.FTranType=" + std::string(frame::codes::kProductReceipt) +
         " AND h.FStatus>0 AND h.FCancellation=0 AND h.FDate>=" + scope.begin + " AND h.FDate<" + scope.next;
}

std::string updateFrom(const TextScope& scope, const std::string& source) {
  return "UPDATE t1 SET t1." + scope.column + "=v.FQty FROM #OnlineCostObj t1 INNER JOIN " + source +
         " v ON v.FItemID=t1.FCostObjID AND v.FDeptID=t1.FDeptID";
}

// The three statements run by sp_executesql.
std::string receiptsText(const TextScope& scope) {
  frame::SqlScript batch;
  batch.line("(SELECT h.FDeptID,c.FItemID,SUM(e.FQty) AS FQty");
  receipts(batch);
  batch.line(" INNER JOIN cbCostObj c ON e.FItemID=c.FStdProductID AND e.FBatchNo=c.FBatchNo")
      .line(receiptFilter(scope) + " AND c.FCalculateType=" + frame::codes::kBatchCosting)
      .add(" GROUP BY h.FDeptID,c.FItemID)");
  frame::SqlScript sql;
  sql.line(updateFrom(scope, batch.text()));

  sql.line(
      "SELECT h.FDeptID,c.FItemID,ROUND(SUM(e.FQty*p.FQuotiety),MAX(ISNULL(i.FQtyDecimal,4))) AS FQty INTO "
      "#Value");
  receipts(sql);
  sql.line(" INNER JOIN cb_CostObj_Product p ON p.FProductID=e.FItemID")
      .line(std::string(" INNER JOIN cbCostObj c ON c.FItemID=p.FCostObjID AND c.FCalculateType=") +
            frame::codes::kClassification)
      .line(" INNER JOIN t_ICItem i ON i.FItemID=c.FStdProductID")
      .line(receiptFilter(scope))
      .line(" GROUP BY h.FDeptID,c.FItemID")
      .line(updateFrom(scope, "#Value"))
      .line("DROP TABLE #Value");

  sql.line("SELECT h.FDeptID,c.FItemID,SUM(e.FQty) AS FQty INTO #Value1");
  receipts(sql);
  sql.line(" INNER JOIN cbCostObj c ON e.FItemID=c.FStdProductID AND " +
           frame::codes::ordinaryCostObject("c"))
      .line(receiptFilter(scope))
      .line(" AND e.FItemID NOT IN (SELECT p.FProductID FROM cb_CostObj_Product p")
      .line(std::string("  INNER JOIN cbCostObj x ON x.FItemID=p.FCostObjID WHERE x.FCalculateType=") +
            frame::codes::kClassification + ")")
      .line(" GROUP BY h.FDeptID,c.FItemID")
      .line(updateFrom(scope, "#Value1"))
      .line("DROP TABLE #Value1");
  return sql.text();
}

}  // namespace

std::string completedQtyText(const TextScope& scope) {
  frame::SqlScript sql;
  sql.line("DECLARE @intCalCompletyQty smallint")
      .line("SELECT @intCalCompletyQty=CAST(ISNULL(FValue,'0') AS smallint) FROM t_SystemProfile")
      .line(" WHERE FCategory='CB' AND FKey='CB_CALCOMPLETEQTY_OK'")
      .line("IF @intCalCompletyQty IS NULL SET @intCalCompletyQty=0")
      .line("IF @intCalCompletyQty=1")
      .line(" UPDATE t1 SET t1." + scope.column + "=q.FQty FROM #OnlineCostObj t1")
      .line("  INNER JOIN cbCompleteQty q ON q.FCostObjID=t1.FCostObjID AND q.FDeptID=t1.FDeptID")
      .line("  WHERE " + periodFilter(scope, "q"))
      .line("ELSE")
      .line("BEGIN")
      .line(" DECLARE @strGetData nvarchar(4000)")
      .line(" SET @strGetData=" + frame::sqlNText(receiptsText(scope)))
      .line(" EXEC sp_executesql @strGetData")
      .line("END");
  return sql.text();
}

}  // namespace mls::standards
