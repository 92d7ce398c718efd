#include "calculation/calculation_inquiries.h"

#include <string>

#include "calculation/detached_select.h"
#include "calculation/sql_script.h"
#include "frame/globals.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"

namespace mls::calculation {
namespace {

using frame::sqlNumber;

std::string levelRows(int32_t year, int32_t period, int32_t level) {
  return "FYear = " + sqlNumber(year) + " AND FPeriod = " + sqlNumber(period) +
         " AND FLevel = " + sqlNumber(level);
}

// Counts the window's checked, uncancelled issue lines of the level's
// products by departments of `costAccountType`; `costObjJoin` narrows the
// lines further.
bool levelProductIssued(frame::Call& call, int32_t year, int32_t period, int32_t level,
                        int32_t costAccountType, const std::string& costObjJoin) {
  const frame::PeriodWindow w =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsText);
  SqlScript sql;
  sql.line("SELECT COUNT(*) FROM cb_ICStockBill h")
      .line("  INNER JOIN cb_ICStockBillEntry b ON h.FInterID = b.FInterID")
      .line("  INNER JOIN t_Department d ON h.FDeptID = d.FItemID");
  if (!costObjJoin.empty()) sql.line(costObjJoin);
  sql.line("WHERE d.FCostAccountType = " + sqlNumber(costAccountType))
      .line("  AND b.FItemID IN (SELECT FProductID FROM cbProductCalInfo WHERE " +
            levelRows(year, period, level) + ")")
      .line("  AND h.FDate >= " + frame::sqlDate(w.begin) + " AND h.FDate < " + frame::sqlDate(w.next))
      .line("  AND h.FCancellation = 0 AND h.FTranType = 24 AND h.FStatus > 0");
  com::Ref<ado::Recordset> rs = detachedSelect(call.connection(), sql.text());
  return rs->value(size_t{0}).toLong() > 0;
}

}  // namespace

bool isRequestAssist(frame::Call& call, int32_t year, int32_t period, int32_t level) {
  return levelProductIssued(call, year, period, level, 362, "");
}

bool isRequestMake(frame::Call& call, int32_t year, int32_t period, int32_t level) {
  return levelProductIssued(call, year, period, level, 361,
                            "  INNER JOIN cbCostObj c ON b.FCostObjID = c.FItemID AND c.FNumber = ''");
}

com::Ref<ado::Recordset> getProductAmount(frame::Call& call, int32_t year, int32_t period, int32_t level) {
  SqlScript sql;
  sql.line("SELECT FDeptID, FProductID, FBatchNo, SUM(FAmount) AS FAmount FROM cbProductCalInfo")
      .line("WHERE " + levelRows(year, period, level))
      .line("GROUP BY FDeptID, FProductID, FBatchNo");
  return detachedSelect(call.connection(), sql.text());
}

com::Ref<ado::Recordset> getOnOkCostObj(frame::Call& call, int32_t year, int32_t period) {
  ado::Connection& connection = call.connection();
  frame::dropTempTable(connection, "#OnlineCostObj");
  // Numbers and names keep their Unicode characters; the caption holds a
  // whole number and name.
  SqlScript sql;
  sql.line(
         "CREATE TABLE #OnlineCostObj (FCostObjID INT, FCostObjNumber NVARCHAR(255), FCostObjName "
         "NVARCHAR(255),")
      .line("  FTName NVARCHAR(512), FQty DECIMAL(28,10), FSort INT NOT NULL DEFAULT(0))")
      .send(connection);
  sql.line("INSERT INTO #OnlineCostObj (FCostObjID, FCostObjNumber, FCostObjName, FTName, FQty)")
      .line("SELECT c.FItemID, c.FNumber, c.FName, '(' + c.FNumber + ')' + c.FName, SUM(q.FQty)")
      .line("FROM cbCompleteQty q INNER JOIN cbCostObj c ON q.FCostObjID = c.FItemID")
      .line("WHERE q.FYear = " + sqlNumber(year) + " AND q.FPeriod = " + sqlNumber(period))
      .line("GROUP BY c.FItemID, c.FName, c.FNumber")
      .send(connection);
  com::Ref<ado::Recordset> rs = editableSelect(connection, "SELECT * FROM #OnlineCostObj WHERE FQty <> 0");
  frame::dropTempTable(connection, "#OnlineCostObj");
  return rs;
}

}  // namespace mls::calculation
