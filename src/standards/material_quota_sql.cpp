#include "standards/material_quota_sql.h"

#include "frame/sql_literal.h"
#include "standards/sql_text.h"

namespace mls::standards {
namespace {

// The joined orders, feed lists and lines of `material` (a number or a column
// of t1), without FROM and WHERE keywords of their own.
void ordersAndLines(SqlText& sql, const std::string& material) {
  sql.line("   FROM ICMO i INNER JOIN PPBOM b ON b.FICMOInterID=i.FInterID AND b.FStatus>0")
      .line("   LEFT JOIN PPBOMEntry e ON e.FInterID=b.FInterID AND e.FItemID=" + material)
      .line("    AND e.FMaterielType NOT IN (372,373) AND e.FItemID<>b.FItemID");
}

const char* kLineQty = "ISNULL(SUM(CASE WHEN e.FMaterielType=376 THEN -e.FQtyMust ELSE e.FQtyMust END),0)";

std::string oneMaterial(const TextScope& scope, int32_t itemID) {
  SqlText sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=u.FUnitQty*n.FQty FROM #OnlineCostObj t1")
      .line(" INNER JOIN (SELECT i.FCostObjID," + std::string(kLineQty) + "/SUM(i.FQty) AS FUnitQty");
  ordersAndLines(sql, frame::sqlNumber(itemID));
  sql.line("   WHERE " + liveOrderCondition(scope))
      .line("   GROUP BY i.FCostObjID HAVING SUM(i.FQty)<>0) u ON u.FCostObjID=t1.FCostObjID")
      .line(" INNER JOIN (SELECT FDeptID,FCostObjID,SUM(FQty) AS FQty FROM CBInQty")
      .line("   WHERE FYear=" + frame::sqlNumber(scope.year) +
            " AND FPeriod=" + frame::sqlNumber(scope.period))
      .line("   GROUP BY FDeptID,FCostObjID) n ON n.FCostObjID=t1.FCostObjID AND n.FDeptID=t1.FDeptID");
  return sql.str();
}

std::string everyRowsMaterial(const TextScope& scope) {
  SqlText sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=")
      .line(" ISNULL((SELECT " + std::string(kLineQty) + "/NULLIF(SUM(i.FQty),0)");
  ordersAndLines(sql, "t1.FItemID");
  sql.line("   WHERE i.FCostObjID=t1.FCostObjID AND " + liveOrderCondition(scope) + "),0)")
      .line(" *ISNULL((SELECT SUM(n.FQty) FROM CBInQty n")
      .line("   WHERE n.FYear=" + frame::sqlNumber(scope.year) +
            " AND n.FPeriod=" + frame::sqlNumber(scope.period))
      .line("   AND n.FDeptID=t1.FDeptID AND n.FCostObjID=t1.FCostObjID),0)")
      .line(" FROM #OnlineCostObj t1");
  return sql.str();
}

}  // namespace

std::string liveOrderCondition(const TextScope& scope) {
  return "(i.FStatus IN (1,2) OR (i.FStatus=3 AND i.FCloseDate>=" + scope.begin + "))" +
         " AND i.FCommitDate<" + scope.next + " AND i.FPlanCommitDate<" + scope.next;
}

std::string materialQuotaText(const TextScope& scope, int32_t itemID) {
  return itemID == -1 ? everyRowsMaterial(scope) : oneMaterial(scope, itemID);
}

}  // namespace mls::standards
