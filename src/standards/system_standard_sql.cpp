#include "standards/system_standard_sql.h"

#include "frame/domain_codes.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "standards/checked_column.h"
#include "standards/completed_qty_sql.h"
#include "standards/entered_data_sql.h"
#include "standards/material_quota_sql.h"
#include "standards/text_scope.h"

namespace mls::standards {
namespace {

// A sum per department and cost object of one table of the period.
struct SummedSource {
  const char* table;
  const char* value;    // the summed column
  const char* deptCol;  // the table's department column
  const char* objCol;   // the table's cost-object column
  std::string filter;   // further conditions, each beginning with " AND "
};

std::string summed(const TextScope& scope, const SummedSource& s) {
  const std::string dept = s.deptCol, obj = s.objCol;
  frame::SqlScript sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=t2.FQty FROM #OnlineCostObj t1")
      .line(" INNER JOIN (SELECT " + dept + "," + obj + ",SUM(" + s.value + ") AS FQty FROM " + s.table)
      .line("   WHERE FYear=" + frame::sqlNumber(scope.year) +
            " AND FPeriod=" + frame::sqlNumber(scope.period) + s.filter)
      .line("   GROUP BY " + dept + "," + obj + ") t2")
      .line(" ON t2." + obj + "=t1.FCostObjID AND t2." + dept + "=t1.FDeptID");
  return sql.text();
}

SummedSource manHours(std::string filter) {
  return {"cbManHourInfo", "FQty", "FDeptID", "FCostObjID", std::move(filter)};
}

// Kind 8: the standard man-hours of the cost object's standard product.
std::string standardManHours(const TextScope& scope) {
  frame::SqlScript sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=i.FStandardManHour FROM #OnlineCostObj t1")
      .line(" INNER JOIN cbCostObj c ON c.FItemID=t1.FCostObjID")
      .line(" INNER JOIN t_ICItem i ON i.FItemID=c.FStdProductID")
      .line(" WHERE i.FStandardManHour IS NOT NULL");
  return sql.text();
}

// Kinds 70001 and 70002: the repairable-waste output of the cost object.
std::string wasteOutput(const TextScope& scope, int wasteType) {
  frame::SqlScript sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=w.FQty FROM #OnlineCostObj t1")
      .line(" INNER JOIN cbCostObj c ON c.FItemID=t1.FCostObjID")
      .line(" INNER JOIN CBWasterCostObjInfo w ON w.FCostObjID=c.FItemID")
      .line(" WHERE " + periodFilter(scope, "w") + " AND w.FWasterTypeID=" + frame::sqlNumber(wasteType));
  return sql.text();
}

// Kind 70005: the product quantity of the main products.
std::string productQty(const TextScope& scope) {
  frame::SqlScript sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=q.FQty FROM #OnlineCostObj t1")
      .line(" INNER JOIN cbProductQty q ON q.FCostObjID=t1.FCostObjID AND q.FDeptID=t1.FDeptID")
      .line("  AND q.FProductID=t1.FProductID")
      .line(" WHERE " + periodFilter(scope, "q") + " AND t1.FIsDeputy=0");
  return sql.text();
}

// Kinds 70009 and 70010: the rework issues of the window per bill department
// and line cost object (and line material as the product).
std::string reworkIssues(const TextScope& scope, bool byProduct) {
  frame::SqlScript sql;
  sql.line("UPDATE t1 SET t1." + scope.column + "=r.FQty FROM #OnlineCostObj t1")
      .line(std::string(" INNER JOIN (SELECT h.FDeptID,c.FItemID") +
            (byProduct ? ",e.FItemID AS FProductID" : "") + ",SUM(e.FQty) AS FQty")
      .line("   FROM ICStockBill h INNER JOIN ICStockBillEntry e ON e.FInterID=h.FInterID")
      .line("   INNER JOIN cbCostObj c ON c.FItemID=e.FCostObjID")
      .line("   INNER JOIN t_SubMessage m ON m.FInterID=e.FReProduceType AND m.FTypeID=244 AND m.FID='Y'")
      .line(std::string("   WHERE h.FTranType=") + frame::codes::kMaterialIssue +
            " AND h.FPurposeID=" + frame::codes::kWasteUse + " AND h.FStatus>0 AND h.FCancellation=0")
      .line("   AND h.FDate>=" + scope.begin + " AND h.FDate<" + scope.next)
      .line(std::string("   GROUP BY h.FDeptID,c.FItemID") + (byProduct ? ",e.FItemID" : "") + ") r")
      .line(std::string(" ON r.FItemID=t1.FCostObjID AND r.FDeptID=t1.FDeptID") +
            (byProduct ? " AND r.FProductID=t1.FProductID" : ""));
  return sql.text();
}

}  // namespace

bool isSystemKind(int32_t kind) {
  return (kind >= 1 && kind <= 8) || kind >= 70001;
}

std::string buildSystemStandardQtySql(int32_t kind, int32_t year, int32_t period,
                                      const com::Variant& beginDate, const com::Variant& endDate,
                                      std::string_view column, bool byCostItem, int32_t itemID) {
  const TextScope scope = makeTextScope(year, period, beginDate, endDate, column);
  switch (kind) {
    case 1:
      return summed(scope, {"cbBalance", "FQty", "FDepID", "FProductID", ""});
    case 2:
      return summed(scope, {"CBInQty", "FQty", "FDeptID", "FCostObjID", ""});
    case 3:
      return completedQtyText(scope);
    case 4:
      return summed(scope, {"cbCostObjCheck", "FQty", "FDeptID", "FCostObjID", ""});
    case 5:
      return rationText(scope, -1, byCostItem, false);
    case 7:
      return summed(scope, manHours(""));
    case 8:
      return standardManHours(scope);
    case 70001:
      return wasteOutput(scope, 0);
    case 70002:
      return wasteOutput(scope, 1);
    case 70003:
      return summed(scope, manHours(" AND FPurposeID=0"));
    case 70004:
      return summed(scope, manHours(" AND FPurposeID=1"));
    case 70005:
      return productQty(scope);
    case 70006:
      return sortText(scope, "(SELECT TOP 1 FNum FROM cb_BmStandard WHERE FID='FLFJQFPBZ')", true);
    case 70007:
      return summed(scope, manHours(" AND FType=0"));
    case 70008:
      return summed(scope, manHours(" AND FType=1"));
    case 70009:
      return reworkIssues(scope, false);
    case 70010:
      return reworkIssues(scope, true);
    case 70011:
      return summed(scope, {"cbBalance", "FAdjustQty", "FDepID", "FProductID", ""});
    case 70012:
      return materialQuotaText(scope, itemID);
    default:
      return {};
  }
}

}  // namespace mls::standards
