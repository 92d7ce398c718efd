#include "standards/completed_qty_sql.h"

#include <utility>

#include "frame/completed_qty_rules.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "standards/checked_column.h"

namespace mls::standards {
namespace {

namespace completed = frame::completed;
using completed::Rule;

std::string updateFrom(const TextScope& scope, const std::string& source) {
  return "UPDATE t1 SET t1." + scope.column + "=v.FQty FROM #OnlineCostObj t1 INNER JOIN " + source +
         " v ON v.FItemID=t1.FCostObjID AND v.FDeptID=t1.FDeptID";
}

// The three statements run by sp_executesql, over the live product receipts.
std::string receiptsText(const TextScope& scope) {
  const completed::Receipts receipts{"ICStockBill", "ICStockBillEntry", scope.begin, scope.next};
  const std::string head = "SELECT h.FDeptID,c.FItemID,";
  // Batch costing updates from its grouping directly.
  frame::SqlScript batch;
  batch.line("(" + head + completed::quantity(Rule::BatchCosting) + " AS FQty");
  completed::addSource(batch, receipts, Rule::BatchCosting);
  batch.add(" GROUP BY h.FDeptID,c.FItemID)");
  frame::SqlScript sql;
  sql.line(updateFrom(scope, batch.text()));
  for (const auto& [rule, table] :
       {std::pair{Rule::Classification, "#Value"}, std::pair{Rule::Ordinary, "#Value1"}}) {
    sql.line(head + completed::quantity(rule) + " AS FQty INTO " + table);
    completed::addSource(sql, receipts, rule);
    sql.line(" GROUP BY h.FDeptID,c.FItemID")
        .line(updateFrom(scope, table))
        .line(std::string("DROP TABLE ") + table);
  }
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
