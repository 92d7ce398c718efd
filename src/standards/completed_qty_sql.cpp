#include "standards/completed_qty_sql.h"

#include "frame/sql_literal.h"
#include "standards/sql_text.h"

namespace mls::standards {
namespace {

// The live receipt lines of the window (header h, line e).
void receipts(SqlText& sql) {
  sql.line(" FROM ICStockBill h INNER JOIN ICStockBillEntry e ON e.FInterID=h.FInterID");
}

std::string receiptFilter(const TextScope& scope) {
  return " WHERE h.FTranType=2 AND h.FStatus>0 AND h.FCancellation=0 AND h.FDate>=" + scope.begin +
         " AND h.FDate<" + scope.next;
}

std::string updateFrom(const TextScope& scope, const std::string& source) {
  return "UPDATE t1 SET t1." + scope.column + "=v.FQty FROM #OnlineCostObj t1 INNER JOIN " + source +
         " v ON v.FItemID=t1.FCostObjID AND v.FDeptID=t1.FDeptID";
}

// The three statements run by sp_executesql.
std::string receiptsText(const TextScope& scope) {
  SqlText batch;
  batch.line("(SELECT h.FDeptID,c.FItemID,SUM(e.FQty) AS FQty");
  receipts(batch);
  batch.line(" INNER JOIN cbCostObj c ON e.FItemID=c.FStdProductID AND e.FBatchNo=c.FBatchNo")
      .line(receiptFilter(scope) + " AND c.FCalculateType=908")
      .add(" GROUP BY h.FDeptID,c.FItemID)");
  SqlText sql;
  sql.line(updateFrom(scope, batch.str()));

  sql.line(
      "SELECT h.FDeptID,c.FItemID,ROUND(SUM(e.FQty*p.FQuotiety),MAX(ISNULL(i.FQtyDecimal,4))) AS FQty INTO "
      "#Value");
  receipts(sql);
  sql.line(" INNER JOIN cb_CostObj_Product p ON p.FProductID=e.FItemID")
      .line(" INNER JOIN cbCostObj c ON c.FItemID=p.FCostObjID AND c.FCalculateType=909")
      .line(" INNER JOIN t_ICItem i ON i.FItemID=c.FStdProductID")
      .line(receiptFilter(scope))
      .line(" GROUP BY h.FDeptID,c.FItemID")
      .line(updateFrom(scope, "#Value"))
      .line("DROP TABLE #Value");

  sql.line("SELECT h.FDeptID,c.FItemID,SUM(e.FQty) AS FQty INTO #Value1");
  receipts(sql);
  sql.line(" INNER JOIN cbCostObj c ON e.FItemID=c.FStdProductID AND c.FCalculateType NOT IN (908,909)")
      .line(receiptFilter(scope))
      .line(" AND e.FItemID NOT IN (SELECT p.FProductID FROM cb_CostObj_Product p")
      .line("  INNER JOIN cbCostObj x ON x.FItemID=p.FCostObjID WHERE x.FCalculateType=909)")
      .line(" GROUP BY h.FDeptID,c.FItemID")
      .line(updateFrom(scope, "#Value1"))
      .line("DROP TABLE #Value1");
  return sql.str();
}

}  // namespace

std::string completedQtyText(const TextScope& scope) {
  SqlText sql;
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
  return sql.str();
}

}  // namespace mls::standards
