#include "standards/entered_data_sql.h"

#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "standards/checked_column.h"

namespace mls::standards {

std::string rationText(const TextScope& scope, int32_t standardID, bool byCostItem, bool departmentWide) {
  frame::SqlScript sql;
  sql.line("UpDate t1 SET  t1." + scope.column + "=" + "t2.FQty FROM #OnlineCostObj t1 inner join ")
      .line("  CBRationStandardInfo t2")
      .line(std::string(" ON (t2.FCostObjID=") + (departmentWide ? "0" : "t1.FCostObjID "))
      .line("    AND t1.FDeptID=t2.FDeptID ")
      .line(std::string("    AND t2.FCostItemID=") + (byCostItem ? "t1.FCostItemID " : "0") + ")")
      .line(" WHERE t2.FYear=" + frame::sqlNumber(scope.year))
      .line(" AND t2.FPeriod= " + frame::sqlNumber(scope.period))
      .line(" AND t2.FStandardID= " + frame::sqlNumber(standardID));
  return sql.text();
}

std::string sortText(const TextScope& scope, std::string_view standardExpr, bool mainProductsOnly) {
  frame::SqlScript sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=t2.FQty FROM #OnlineCostObj t1")
      .line(" INNER JOIN CBSortStandardInfo t2 ON t2.FCostObjID=t1.FCostObjID AND t2.FDeptID=t1.FDeptID")
      .line("  AND t2.FProductID=t1.FProductID AND t2.FCostItemID=t1.FCostItemID")
      .line(" WHERE " + periodFilter(scope, "t2"))
      .line(" AND t2.FStandardID=" + std::string(standardExpr));
  if (mainProductsOnly) sql.line(" AND t1.FIsDeputy=0");
  return sql.text();
}

}  // namespace mls::standards
