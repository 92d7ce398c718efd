#include "calculation/period_reset.h"

#include <string>
#include <vector>

#include "calculation/stock_bill_snapshot.h"
#include "frame/domain_codes.h"
#include "frame/lang_text.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/error.h"

namespace mls::calculation {
namespace {

// The user error of a snapshot that is not of the period; %1 the year, %2 the period.
constexpr const char* kSnapshotOfAnotherPeriod =
    "单据快照中有不属于%1年第%2期的单据，请先提取本期的单据数据，再执行此操作。";

std::string yearAndPeriod(const std::string& table, int32_t year, int32_t period) {
  return table + ".FYear = " + frame::sqlNumber(year) + " AND " + table +
         ".FPeriod = " + frame::sqlNumber(period);
}

// Rows of an other-expense distribution whose bill is no longer an
// other-expense bill of the period with `purpose`.
std::string expenseOrphans(const std::string& table, const char* purpose, int32_t year, int32_t period) {
  return "DELETE FROM " + table + " WHERE " + yearAndPeriod(table, year, period) +
         "\r\n  AND NOT EXISTS (SELECT 1 FROM cbCostExpenseInfo x WHERE x.FInterID = " + table +
         ".FInterID\r\n    AND x.FPurposeID = " + purpose + " AND x.FYear = " + frame::sqlNumber(year) +
         " AND x.FPeriod = " + frame::sqlNumber(period) + ")\r\n";
}

// Rows of a material distribution whose issue line is no longer a valid issue
// of `purpose` of a production department in the window.
std::string materielOrphans(const std::string& table, const char* purpose, int32_t year, int32_t period,
                            const frame::PeriodWindow& w) {
  return "DELETE FROM " + table + " WHERE " + yearAndPeriod(table, year, period) +
         "\r\n  AND NOT EXISTS (SELECT 1 FROM cb_ICStockBillEntry e"
         "\r\n    INNER JOIN cb_ICStockBill h ON e.FInterID = h.FInterID"
         "\r\n    INNER JOIN t_Department d ON h.FDeptID = d.FItemID"
         "\r\n    WHERE d.FCostAccountType = " +
         frame::codes::kProductionDept + " AND h.FDate >= " + frame::sqlDate(w.begin) + " AND h.FDate < " +
         frame::sqlDate(w.next) +
         "\r\n    AND h.FCancellation = 0 AND h.FStatus > 0 AND h.FPurposeID = " + purpose +
         "\r\n    AND e.FEntryID = " + table + ".FEntryID AND h.FInterID = " + table + ".FInterID)\r\n";
}

std::vector<std::string> orphanDeletes(int32_t year, int32_t period, const frame::PeriodWindow& w) {
  return {expenseOrphans("cbExpenseDistributeInfo", frame::codes::kExpenseNormal, year, period),
          materielOrphans("cbMaterielInfo", frame::codes::kNormalUse, year, period, w),
          expenseOrphans("cbWExpenseDistributeInfo", frame::codes::kExpenseWaste, year, period),
          materielOrphans("cbWMaterielInfo", frame::codes::kWasteUse, year, period, w)};
}

// Raises the user error -1 unless the snapshot records (year, period) and
// holds no bill dated outside the window.  No record is a snapshot never taken,
// or one that failed: an empty snapshot then is no proof of a period without
// bills.
void requireSnapshotOfWindow(frame::Call& call, int32_t year, int32_t period, const frame::PeriodWindow& w) {
  const std::string record = kSnapshotPeriodTable;
  com::Ref<ado::Recordset> rs = call.connection().execute(
      "IF OBJECT_ID('" + record + "') IS NULL SELECT 0\r\nELSE SELECT COUNT(*) FROM " + record +
      " WHERE FYear = " + frame::sqlNumber(year) + " AND FPeriod = " + frame::sqlNumber(period) +
      "\r\n  AND NOT EXISTS (SELECT 1 FROM cb_ICStockBill WHERE FDate IS NULL OR FDate < " +
      frame::sqlDate(w.begin) + " OR FDate >= " + frame::sqlDate(w.next) + ")\r\n");
  if (rs->value(0).toLong() != 0) return;
  com::Variant args(com::SafeArray::vector({com::Variant(year), com::Variant(period)}));
  com::raise(-1, call.fullName(), frame::langTextFormat(call.language(), kSnapshotOfAnotherPeriod, args));
}

frame::PeriodWindow checkedWindow(frame::Call& call, int32_t year, int32_t period) {
  frame::PeriodWindow w =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsDate);
  requireSnapshotOfWindow(call, year, period, w);
  return w;
}

void runEach(ado::Connection& connection, const std::vector<std::string>& statements) {
  for (const std::string& statement : statements)
    connection.execute(statement);
}

}  // namespace

com::Variant deleteCalInfo(frame::Call& call, int32_t year, int32_t period) {
  const frame::PeriodWindow w = checkedWindow(call, year, period);
  std::vector<std::string> statements = orphanDeletes(year, period, w);
  for (const char* table : {"cbProductCalInfo", "cbCalInfo", "cbWCalInfo", "cbWNCalInfo", "cbCalInfoDetail",
                            "cbWCalInfoDetail", "cbCalRevertInfo", "CBOnlineMaterielDispInfo"}) {
    statements.push_back(std::string("DELETE FROM ") + table + " WHERE " +
                         yearAndPeriod(table, year, period) + "\r\n");
  }
  runEach(call.connection(), statements);
  return {};
}

com::Variant deleteNDisTable(frame::Call& call, int32_t year, int32_t period) {
  const frame::PeriodWindow w = checkedWindow(call, year, period);
  runEach(call.connection(), orphanDeletes(year, period, w));
  return {};
}

}  // namespace mls::calculation
