#include "distribution/writers/repricing.h"

#include <string>

#include "distribution/engine/issue_lines.h"
#include "distribution/engine/line_rows.h"
#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::distribution::writers {
namespace {

using engine::Purpose;
using frame::sqlNumber;

constexpr const char* kTargets =
    "CREATE TABLE #Target (FYear int, FPeriod int, FInterID int, FEntryID int, FTarget Decimal(28,10))";

// The lines of a rework requisition (1058) on a valid, unposted live bill
// dated in [begin, next), items of plan price left out under style 1; u the
// bill, v the line, t the item.
std::string reworkLines(const std::string& begin, const std::string& next, int32_t style) {
  return " FROM ICStockBillEntry v INNER JOIN ICStockBill u ON u.FInterID=v.FInterID\r\n"
         " INNER JOIN t_ICItem t ON t.FItemID=v.FItemID\r\n"
         " WHERE v.FReProduceType=1058 AND u.FDate>=" +
         begin + " AND u.FDate<" + next +
         " AND u.FStatus>0 AND u.FCancellation=0 AND ISNULL(u.FVchInterID,0)=0" +
         (style == 1 ? std::string(" AND t.FTrack<>") + frame::codes::kPlanPriced : "") + "\r\n";
}

// The price of a rework line under rule `rule` (v the line, t its item, y and
// p the current period, begin its first day), as float.
std::string reworkPrice(int32_t rule, bool batches, const std::string& begin, int32_t y, int32_t p) {
  if (rule == 0) {
    return "ISNULL((SELECT TOP 1 ISNULL(e.FPrice,0) FROM ICStockBillEntry e INNER JOIN ICStockBill b ON "
           "b.FInterID=e.FInterID\r\n  WHERE e.FItemID=v.FItemID AND b.FTranType=" +
           std::string(frame::codes::kProductReceipt) + " AND b.FDate<" + begin +
           " AND b.FStatus>0 AND b.FCancellation=0\r\n  ORDER BY b.FDate DESC,b.FInterID DESC,e.FEntryID "
           "DESC),0)";
  }
  if (rule == 1) {
    return "ISNULL((SELECT CASE WHEN SUM(FBegBal)>0 AND SUM(FBegQty)>0 THEN CAST(SUM(FBegBal) AS float(10))/"
           "CAST(SUM(FBegQty) AS float(10)) ELSE 0 END\r\n  FROM icbal WHERE FItemID=v.FItemID AND FYear=" +
           sqlNumber(y) + " AND FPeriod=" + sqlNumber(p) +
           (batches ? " AND FBatchNo=v.FBatchNo AND FBegBal>0 AND FBegQty>0" : "") + "),0)";
  }
  return "ISNULL(v.FPrice,0)";
}

}  // namespace

void updateToPlanPrice(frame::Call& call, int32_t year, int32_t period) {
  ado::Connection& db = call.connection();
  for (Purpose purpose : {Purpose::Normal, Purpose::RepairableWaste}) {
    engine::loadRows(
        db, purpose,
        "INNER JOIN cb_ICStockBillEntry v1 ON v1.FInterID=d.FInterID AND v1.FEntryID=d.FEntryID\r\n"
        " INNER JOIN t_ICItem t ON t.FItemID=v1.FItemID WHERE t.FTrack=" +
            std::string(frame::codes::kPlanPriced) + " AND d.FYear=" + sqlNumber(year) +
            " AND d.FPeriod=" + sqlNumber(period));
    frame::dropTempTable(db, "#Target");
    frame::SqlScript sql;
    sql.line(
           "UPDATE r SET FAmount=ISNULL(ROUND(r.FQty*t.FPlanPrice,2),0),FPrice=ISNULL(t.FPlanPrice,0) FROM "
           "#Rows r")
        .line(" INNER JOIN cb_ICStockBillEntry v1 ON v1.FInterID=r.FInterID AND v1.FEntryID=r.FEntryID")
        .line(" INNER JOIN t_ICItem t ON t.FItemID=v1.FItemID")
        .line(kTargets)
        .line(
            "INSERT INTO #Target SELECT DISTINCT r.FYear,r.FPeriod,r.FInterID,r.FEntryID,v1.FPlanAmount FROM "
            "#Rows r")
        .line(" INNER JOIN cb_ICStockBillEntry v1 ON v1.FInterID=r.FInterID AND v1.FEntryID=r.FEntryID")
        .line(" WHERE v1.FPlanAmount IS NOT NULL")
        .add(engine::placeDifference(
            "FAmount", "#Target",
            engine::rankLargest("FStandardData") + "+CASE WHEN FAmount<>0 THEN '1' ELSE '0' END+" +
                engine::rankSmallest("FCostObjID") + "+" + engine::rankSmallest("FCostItemID")))
        .line("DROP TABLE #Target");
    sql.send(db);
    engine::writeRows(db, purpose);
  }
}

com::Variant updateReWorkPrice(frame::Call& call) {
  ado::Connection& db = call.connection();
  const int32_t style = engine::matCalStyle(db);
  com::Ref<ado::Recordset> setting = db.execute(
      "DECLARE @R int,@Y int,@P int,@B datetime,@E datetime\r\n"
      "SET @R=(SELECT FValue FROM t_SystemProfile WHERE FKey LIKE 'ReproducePrice')\r\n"
      "SET @Y=(SELECT FValue FROM t_SystemProfile WHERE FCategory='CB' AND FKey LIKE 'CurrentYear')\r\n"
      "SET @P=(SELECT FValue FROM t_SystemProfile WHERE FCategory='CB' AND FKey LIKE 'CurrentPeriod')\r\n"
      "EXEC GetPeriodStartEnd @Y,@P,@B OUTPUT,@E OUTPUT\r\n"
      "SELECT @R,@Y,@P,@B,@E");
  if (setting->value(0).isNull() || setting->value(0).toLong() == 2) return com::Variant(true);
  const int32_t rule = setting->value(0).toLong();
  const int32_t y = setting->value(1).toLong();
  const int32_t p = setting->value(2).toLong();
  const std::string begin = frame::sqlDate(setting->value(3));
  const std::string next = frame::sqlDate(setting->value(4));
  setting->close();

  const std::string lines = reworkLines(begin, next, style);
  frame::dropTempTable(db, "#Rework");
  frame::SqlScript price;
  price.line("CREATE TABLE #Rework (FInterID int, FEntryID int, FPrice float, FShown float)");
  for (bool batches : {false, true}) {
    const std::string p0 = reworkPrice(rule, batches, begin, y, p);
    // Batch items show the price at their price decimals under the average rule.
    const std::string shown = batches && rule == 1 ? "ROUND(" + p0 + ",ISNULL(t.FPriceDecimal,8))" : p0;
    price.line("INSERT INTO #Rework SELECT v.FInterID,v.FEntryID," + p0 + "," + shown)
        .add(lines)
        .line(" AND ISNULL(v.FAmount,0)=0 AND t.FTrack " + std::string(batches ? "" : "NOT ") +
              "IN (80,20308)");
  }
  price.send(db);

  engine::inTransaction(db, [&] {
    // An auxiliary quantity of 0 gives an auxiliary price of 0.
    db.execute(
        "UPDATE v SET FPrice=w.FShown,FAmount=v.FQty*w.FPrice,\r\n"
        " FAuxPrice=CASE WHEN ISNULL(v.FAuxQty,0)=0 THEN 0 WHEN t.FTrack IN (80,20308) THEN "
        "ROUND(v.FQty*w.FPrice/v.FAuxQty,ISNULL(t.FPriceDecimal,8)) ELSE v.FQty*w.FPrice/v.FAuxQty END\r\n"
        " FROM ICStockBillEntry v INNER JOIN #Rework w ON w.FInterID=v.FInterID AND w.FEntryID=v.FEntryID\r\n"
        " INNER JOIN t_ICItem t ON t.FItemID=v.FItemID\r\nDROP TABLE #Rework");
    // The rows of each rework line take its price and share its amount by
    // quantity, the rounding difference on the row of the largest quantity.
    for (Purpose purpose : {Purpose::Normal, Purpose::ResidualValue, Purpose::RepairableWaste}) {
      engine::loadRows(
          db, purpose,
          "WHERE EXISTS (SELECT 1" + lines + " AND v.FInterID=d.FInterID AND v.FEntryID=d.FEntryID)");
      frame::dropTempTable(db, "#Target");
      frame::dropTempTable(db, "#Sums");
      db.execute(
          "SELECT FYear,FPeriod,FInterID,FEntryID,SUM(FQty) AS FSum INTO #Sums FROM #Rows GROUP BY "
          "FYear,FPeriod,FInterID,FEntryID");
      // A line whose part fits no row takes every change back.
      const std::string from =
          " FROM #Rows r\r\n INNER JOIN #Sums s ON s.FYear=r.FYear AND s.FPeriod=r.FPeriod AND "
          "s.FInterID=r.FInterID AND s.FEntryID=r.FEntryID\r\n"
          " INNER JOIN ICStockBillEntry v ON v.FInterID=r.FInterID AND v.FEntryID=r.FEntryID WHERE 1=1";
      const engine::PartRange range = engine::checkParts(db, call.language(), "r.FInterID,r.FEntryID", from,
                                                         {{"ISNULL(v.FAmount,0)", "r.FQty", "s.FSum", "2"}});
      frame::SqlScript sql;
      sql.line("UPDATE r SET FPrice=ISNULL(v.FPrice,0),FAmount=" +
               engine::weighedPart("ISNULL(v.FAmount,0)", "r.FQty", "s.FSum", "2", range) + from)
          .line(kTargets)
          .line(
              "INSERT INTO #Target SELECT s.FYear,s.FPeriod,s.FInterID,s.FEntryID,ISNULL(v.FAmount,0) FROM "
              "#Sums s")
          .line(" INNER JOIN ICStockBillEntry v ON v.FInterID=s.FInterID AND v.FEntryID=s.FEntryID")
          .add(engine::placeDifference("FAmount", "#Target",
                                       engine::rankLargest("FQty") + "+" +
                                           engine::rankSmallest("FCostObjID") + "+" +
                                           engine::rankSmallest("FCostItemID")))
          .line("DROP TABLE #Target DROP TABLE #Sums");
      sql.send(db);
      engine::writeRows(db, purpose);
    }
  });
  return com::Variant(true);
}

com::Ref<ado::Recordset> insertBadData(frame::Call& call, int32_t year, int32_t period,
                                       frame::PeriodDates dctCurPeriodDate) {
  const frame::PeriodWindow w =
      frame::periodWindow(dctCurPeriodDate, call.props(), year, period, frame::WindowForm::NextAsDate);
  ado::Connection& db = call.connection();
  const std::string ofPeriod = " WHERE FYear=" + sqlNumber(year) + " AND FPeriod=" + sqlNumber(period);
  const int32_t style = engine::matCalStyle(db);
  com::Ref<ado::Recordset> last;
  engine::inTransaction(db, [&] {
    frame::SqlScript sql;
    sql.line("DELETE FROM CBWBMaterielInfo" + ofPeriod)
        .line(
            "INSERT INTO CBWBMaterielInfo "
            "(FYear,FPeriod,FCostObjID,FInterID,FEntryID,FCostItemID,FQty,FPrice,"
            "FAmount)")
        .line(" SELECT " + sqlNumber(year) + "," + sqlNumber(period) +
              ",v1.FCostObjID,u1.FInterID,v1.FEntryID,ISNULL(t4.FCostProject,0),v1.FQty," +
              engine::valuedPrice(style, "t4") + "," + engine::valuedAmount(style, "t4"))
        .line(" FROM cb_ICStockBill u1 INNER JOIN cb_ICStockBillEntry v1 ON u1.FInterID=v1.FInterID")
        .line(" INNER JOIN t_Department t3 ON u1.FDeptID=t3.FItemID AND t3.FCostAccountType=" +
              std::string(frame::codes::kProductionDept))
        .line(" INNER JOIN cbCostObj t2 ON t2.FItemID=v1.FCostObjID")
        .line(" LEFT JOIN t_ICItem t4 ON t4.FItemID=v1.FItemID")
        .line(" WHERE " + engine::periodIssueCondition(frame::sqlDate(w.begin), frame::sqlDate(w.next)) +
              engine::purposeCondition(Purpose::ResidualValue) + " AND " + engine::directCondition());
    sql.send(db);
    last = db.execute(
        std::string(
            "UPDATE CBWBMaterielInfo SET FCostItemID=ISNULL((SELECT TOP 1 FItemID FROM cbCostItem WHERE "
            "FTypeID=") +
        frame::codes::kMaterialCostItem + "),0)" + ofPeriod + " AND (FCostItemID=0 OR FCostItemID IS NULL)");
  });
  last->setActiveConnection(nullptr);
  return last;
}

}  // namespace mls::distribution::writers
