#include "calculation/wip_material_inputs.h"

#include <string>

#include "frame/call_frame.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/object_context.h"

namespace mls::calculation {
namespace {

// The live production orders `m` of the window.
std::string liveOrders(const std::string& begin, const std::string& next) {
  return "(m.FStatus IN (1, 2) OR (m.FStatus = 3 AND m.FCloseDate >= " + begin +
         ")) AND m.FCommitDate <= " + next + " AND m.FPlanCommitDate <= " + next;
}

}  // namespace

com::Ref<ado::Recordset> getPPBOMInfo(ado::Connection& connection, const com::Variant& begin,
                                      const com::Variant& next) {
  com::getObjectContext().setComplete();
  return frame::runNamed("Marlstone.CalInfo.GetPPBOMInfo", [&] {
    const std::string live = liveOrders(frame::sqlDate(begin), frame::sqlDate(next));
    frame::SqlScript sql;
    sql.line("IF Object_ID('tempdb..#PPBomInfo') IS NOT NULL DROP TABLE #PPBomInfo")
        .line(
            "CREATE TABLE #PPBomInfo (FCostObjID int, FItemID int, FQtyScrap Decimal(23,10) Not Null "
            "Default(0))")
        .line("INSERT INTO #PPBomInfo (FCostObjID, FItemID)")
        .line("SELECT DISTINCT o.FCostObjID, e.FItemID")
        .line("FROM #CostObj o")
        .line("  INNER JOIN ICMO m ON m.FCostObjID = o.FCostObjID")
        .line("  INNER JOIN PPBOM b ON b.FICMOInterID = m.FInterID AND b.FStatus > 0")
        .line("  INNER JOIN PPBOMEntry e ON e.FInterID = b.FInterID AND e.FMaterielType NOT IN (372, 373)")
        .line("    AND e.FItemID <> b.FItemID")
        .line("WHERE " + live)
        // The material's net usage over the cost object's live orders, divided
        // by their quantity, each order with a valid feed list counted once;
        // orders of no quantity give 0.
        .line("UPDATE t SET FQtyScrap = ISNULL(ISNULL((SELECT SUM(CASE WHEN e.FMaterielType = 376")
        .line("    THEN -e.FQtyMust ELSE e.FQtyMust END)")
        .line("  FROM ICMO m INNER JOIN PPBOM b ON b.FICMOInterID = m.FInterID AND b.FStatus > 0")
        .line("    INNER JOIN PPBOMEntry e ON e.FInterID = b.FInterID AND e.FItemID = t.FItemID")
        .line("  WHERE m.FCostObjID = t.FCostObjID AND " + live + "), 0)")
        .line("  / NULLIF((SELECT SUM(m.FQty) FROM ICMO m WHERE m.FCostObjID = t.FCostObjID AND " + live)
        .line(
            "    AND EXISTS (SELECT 1 FROM PPBOM b WHERE b.FICMOInterID = m.FInterID AND b.FStatus > 0)), "
            "0), 0)")
        .line("FROM #PPBomInfo t");
    sql.send(connection);
    com::Ref<ado::Recordset> rs = frame::detachedSelect(connection, "SELECT * FROM #PPBomInfo");
    connection.execute("DROP TABLE #PPBomInfo ", nullptr, -1);
    return rs;
  });
}

com::Ref<ado::Recordset> getOnlineMaterielDispInfo(ado::Connection& connection, int32_t year,
                                                   int32_t period) {
  com::getObjectContext().setComplete();
  return frame::runNamed("Marlstone.CalInfo.GetOnlineMaterielDispInfo", [&] {
    frame::SqlScript sql;
    sql.line(
           "SELECT a.FDeptID, a.FCostObjID, a.FItemID, a.FBatchNo, SUM(a.FQty) AS FQty, SUM(a.FAmount) AS "
           "FAmount")
        .line("FROM CBOnlineMaterielDispInfo a")
        .line("  INNER JOIN #CostObj o ON a.FCostObjID = o.FCostObjID")
        .line("WHERE a.FYear = " + frame::sqlNumber(year) + " AND a.FPeriod = " + frame::sqlNumber(period))
        .line("GROUP BY a.FDeptID, a.FCostObjID, a.FItemID, a.FBatchNo");
    return frame::detachedSelect(connection, sql.text());
  });
}

}  // namespace mls::calculation
