#include "standards/material_quota_sql.h"

#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "standards/checked_column.h"

namespace mls::standards {
namespace {

// Usage per unit: what the cost object's live orders need of the material on
// their valid feed lists (a type-376 line returns, so counts negatively),
// divided by the quantity of those orders, each order counted once however
// many feed lists and lines it has.  Orders of no quantity give 0.

// The valid feed lists of order i and their lines of `material` (a number or
// a column of t1), from FROM to the end of WHERE.
std::string materialLines(const std::string& material) {
  return "FROM PPBOM b INNER JOIN PPBOMEntry e ON e.FInterID=b.FInterID AND e.FItemID=" + material +
         "\r\n    AND e.FMaterielType NOT IN (372,373) AND e.FItemID<>b.FItemID WHERE b.FStatus>0";
}

const char* kLineQty = "SUM(CASE WHEN e.FMaterielType=376 THEN -e.FQtyMust ELSE e.FQtyMust END)";

// Live orders with at least one valid feed list.
std::string liveOrders(const TextScope& scope) {
  return liveOrderCondition(scope) +
         "\r\n    AND EXISTS (SELECT 1 FROM PPBOM v WHERE v.FICMOInterID=i.FInterID AND v.FStatus>0)";
}

std::string oneMaterial(const TextScope& scope, int32_t itemID) {
  frame::SqlScript sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=u.FUnitQty*n.FQty FROM #OnlineCostObj t1")
      .line(" INNER JOIN (SELECT i.FCostObjID,")
      .line("   ISNULL(ISNULL(SUM(l.FQty),0)/NULLIF(SUM(i.FQty),0),0) AS FUnitQty")
      .line("   FROM ICMO i LEFT JOIN (SELECT b.FICMOInterID," + std::string(kLineQty) + " AS FQty")
      .line("    " + materialLines(frame::sqlNumber(itemID)))
      .line("    GROUP BY b.FICMOInterID) l ON l.FICMOInterID=i.FInterID")
      .line("   WHERE " + liveOrders(scope))
      .line("   GROUP BY i.FCostObjID) u ON u.FCostObjID=t1.FCostObjID")
      .line(" INNER JOIN (SELECT FDeptID,FCostObjID,SUM(FQty) AS FQty FROM CBInQty")
      .line("   WHERE FYear=" + frame::sqlNumber(scope.year) +
            " AND FPeriod=" + frame::sqlNumber(scope.period))
      .line("   GROUP BY FDeptID,FCostObjID) n ON n.FCostObjID=t1.FCostObjID AND n.FDeptID=t1.FDeptID");
  return sql.text();
}

std::string everyRowsMaterial(const TextScope& scope) {
  frame::SqlScript sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=")
      .line(" ISNULL(ISNULL((SELECT " + std::string(kLineQty))
      .line("   FROM ICMO i INNER JOIN PPBOM b ON b.FICMOInterID=i.FInterID")
      .line("    INNER JOIN PPBOMEntry e ON e.FInterID=b.FInterID AND e.FItemID=t1.FItemID")
      .line("    AND e.FMaterielType NOT IN (372,373) AND e.FItemID<>b.FItemID")
      .line("   WHERE b.FStatus>0 AND i.FCostObjID=t1.FCostObjID AND " + liveOrders(scope) + "),0)")
      .line(" /NULLIF((SELECT SUM(i.FQty) FROM ICMO i")
      .line("   WHERE i.FCostObjID=t1.FCostObjID AND " + liveOrders(scope) + "),0),0)")
      .line(" *ISNULL((SELECT SUM(n.FQty) FROM CBInQty n")
      .line("   WHERE n.FYear=" + frame::sqlNumber(scope.year) +
            " AND n.FPeriod=" + frame::sqlNumber(scope.period))
      .line("   AND n.FDeptID=t1.FDeptID AND n.FCostObjID=t1.FCostObjID),0)")
      .line(" FROM #OnlineCostObj t1");
  return sql.text();
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
