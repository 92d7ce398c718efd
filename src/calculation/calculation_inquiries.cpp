#include "calculation/calculation_inquiries.h"

#include <string>

#include "calculation/period_rows.h"
#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

using frame::sqlNumber;

// Counts the window's checked, uncancelled issue lines of the level's
// products by departments of `costAccountType`; `costObjJoin` narrows the
// lines further.
bool levelProductIssued(frame::Call& call, int32_t year, int32_t period, int32_t level,
                        const char* costAccountType, const std::string& costObjJoin) {
  const frame::PeriodWindow w =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsText);
  frame::SqlScript sql;
  sql.line("SELECT COUNT(*) FROM cb_ICStockBill h")
      .line("  INNER JOIN cb_ICStockBillEntry b ON h.FInterID = b.FInterID")
      .line("  INNER JOIN t_Department d ON h.FDeptID = d.FItemID");
  if (!costObjJoin.empty()) sql.line(costObjJoin);
  sql.line(std::string("WHERE d.FCostAccountType = ") + costAccountType)
      .line("  AND b.FItemID IN (SELECT FProductID FROM cbProductCalInfo WHERE " +
            levelRows("", year, period, level) + ")")
      .line("  AND h.FDate >= " + frame::sqlDate(w.begin) + " AND h.FDate < " + frame::sqlDate(w.next))
      .line(std::string("  AND h.FCancellation = 0 AND h.FTranType = ") + frame::codes::kMaterialIssue +
            " AND h.FStatus > 0");
  com::Ref<ado::Recordset> rs = frame::detachedSelect(call.connection(), sql.text());
  return rs->value(size_t{0}).toLong() > 0;
}

}  // namespace

bool isRequestAssist(frame::Call& call, int32_t year, int32_t period, int32_t level) {
  return levelProductIssued(call, year, period, level, frame::codes::kAuxiliaryDept, "");
}

bool isRequestMake(frame::Call& call, int32_t year, int32_t period, int32_t level) {
  return levelProductIssued(call, year, period, level, frame::codes::kProductionDept,
                            "  INNER JOIN cbCostObj c ON b.FCostObjID = c.FItemID AND c.FNumber = ''");
}

com::Ref<ado::Recordset> getProductAmount(frame::Call& call, int32_t year, int32_t period, int32_t level) {
  frame::SqlScript sql;
  sql.line("SELECT FDeptID, FProductID, FBatchNo, SUM(FAmount) AS FAmount FROM cbProductCalInfo")
      .line("WHERE " + levelRows("", year, period, level))
      .line("GROUP BY FDeptID, FProductID, FBatchNo");
  return frame::detachedSelect(call.connection(), sql.text());
}

com::Ref<ado::Recordset> getOnOkCostObj(frame::Call& call, int32_t year, int32_t period) {
  ado::Connection& connection = call.connection();
  frame::dropTempTable(connection, "#OnlineCostObj");
  // Numbers and names keep their Unicode characters; the caption holds a
  // whole number and name.
  frame::SqlScript sql;
  sql.line(
         "CREATE TABLE #OnlineCostObj (FCostObjID INT, FCostObjNumber NVARCHAR(255), FCostObjName "
         "NVARCHAR(255),")
      .line("  FTName NVARCHAR(512), FQty DECIMAL(28,10), FSort INT NOT NULL DEFAULT(0))")
      .send(connection);
  sql.line("INSERT INTO #OnlineCostObj (FCostObjID, FCostObjNumber, FCostObjName, FTName, FQty)")
      .line("SELECT c.FItemID, c.FNumber, c.FName, '(' + c.FNumber + ')' + c.FName, SUM(q.FQty)")
      .line("FROM cbCompleteQty q INNER JOIN cbCostObj c ON q.FCostObjID = c.FItemID")
      .line("WHERE " + periodRows("q", year, period))
      .line("GROUP BY c.FItemID, c.FName, c.FNumber")
      .send(connection);
  com::Ref<ado::Recordset> rs =
      frame::detachedEditable(connection, "SELECT * FROM #OnlineCostObj WHERE FQty <> 0");
  frame::dropTempTable(connection, "#OnlineCostObj");
  return rs;
}

}  // namespace mls::calculation
