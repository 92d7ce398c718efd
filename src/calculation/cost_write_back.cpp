#include "calculation/cost_write_back.h"

#include "calculation/period_rows.h"
#include "frame/domain_codes.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/decimal.h"

namespace mls::calculation {
namespace {

// One group of the write-back by product and its cost.
struct ProductCost {
  int32_t productId = 0;
  int32_t deptId = 0;
  std::string batchNo;
  com::Decimal amount;
};

using frame::sqlNumber;

// Valid receipt bills of the window, on the header alias `h`.
std::string receiptFilter(const frame::PeriodWindow& w) {
  return std::string("h.FTranType = ") + frame::codes::kProductReceipt +
         " AND h.FDate >= " + frame::sqlDate(w.begin) + " AND h.FDate < " + frame::sqlDate(w.next) +
         " AND h.FCancellation = 0 AND h.FStatus > 0";
}

// A line `e` of a product whose FTrack is `track` against the batch `batch`.
std::string batchMatch(const std::string& track, const std::string& batch) {
  return "(CASE WHEN " + track + " = 80 THEN e.FBatchNo ELSE '' END) = " + batch;
}

// The live receipt lines e (headers h) of the groups p of #TEMPProductAmount,
// with `join` after them.
std::string liveGroupLines(const frame::PeriodWindow& w, const std::string& join = "") {
  return "FROM ICStockBillEntry e INNER JOIN ICStockBill h ON e.FInterID = h.FInterID\r\n"
         "  INNER JOIN #TEMPProductAmount p ON h.FDeptID = p.FDeptID AND e.FItemID = p.FProductID\r\n"
         "    AND " +
         batchMatch("p.FTrack", "p.FBatchNo") + "\r\n" + join + "WHERE " + receiptFilter(w);
}

constexpr const char* kDropTemporaries =
    "IF OBJECT_ID('TEMPDB..#TEMPProductAmount') IS NOT NULL DROP TABLE #TEMPProductAmount\r\n"
    "IF OBJECT_ID('TEMPDB..#ICSTOCKBILL') IS NOT NULL DROP TABLE #ICSTOCKBILL";

}  // namespace

void setCostToDBByLevel(frame::Call& call, int32_t year, int32_t period, int32_t level,
                        const frame::PeriodDates& dctCurPeriodDate) {
  const frame::PeriodWindow w =
      frame::periodWindow(dctCurPeriodDate, call.props(), year, period, frame::WindowForm::NextAsDate);
  ado::Connection& connection = call.connection();
  frame::SqlScript sql;
  // The groups of the level and their costs.
  sql.line("IF OBJECT_ID('TEMPDB..#TEMPProductAmount') IS NOT NULL DROP TABLE #TEMPProductAmount")
      .line("CREATE TABLE #TEMPProductAmount (FDeptID INT DEFAULT 0, FProductID INT DEFAULT 0,")
      .line(
          "  FBatchNo VARCHAR(255) DEFAULT '', FAmount DECIMAL(23,10) DEFAULT 0, FQty DECIMAL(23,10) DEFAULT "
          "0,")
      .line("  FOriginPrice DECIMAL(23,10) DEFAULT 0, FPrice DECIMAL(23,10) DEFAULT 0,")
      .line("  FPriceDecimal INT DEFAULT 0, FTrack INT DEFAULT 0)")
      .line("INSERT INTO #TEMPProductAmount (FDeptID, FProductID, FBatchNo, FAmount)")
      .line("SELECT FDeptID, FProductID, FBatchNo, SUM(FAmount) FROM cbProductCalInfo")
      .line("WHERE " + levelRows("", year, period, level))
      .line("GROUP BY FDeptID, FProductID, FBatchNo");
  sql.send(connection);
  sql.line(
         "CREATE CLUSTERED INDEX idx_#TEMPProductAmount_FDeptID ON #TEMPProductAmount (FDeptID, FProductID,")
      .line("  FBatchNo)")
      .line("IF OBJECT_ID('TEMPDB..#ICSTOCKBILL') IS NOT NULL DROP TABLE #ICSTOCKBILL")
      .line("CREATE TABLE #ICSTOCKBILL (FInterID INT DEFAULT 0, FEntryID INT DEFAULT 0,")
      .line("  FToDoBill VARCHAR(48) DEFAULT '', FDeptID INT DEFAULT 0, FItemID INT DEFAULT 0,")
      .line(
          "  FQty DECIMAL(23,10) DEFAULT 0, FAmount DECIMAL(23,10) DEFAULT 0, FBatchNo VARCHAR(255) DEFAULT "
          "'')");
  sql.send(connection);
  // The products' decimals and tracking (an item without price decimals
  // rounds to whole units), and the received quantities of the snapshot.
  sql.line("UPDATE p SET FPriceDecimal = ISNULL(i.FPriceDecimal, 0), FTrack = ISNULL(i.FTrack, 0)")
      .line("FROM #TEMPProductAmount p INNER JOIN t_ICItem i ON p.FProductID = i.FItemID")
      .line("UPDATE p SET FQty = r.FQty FROM #TEMPProductAmount p INNER JOIN (")
      .line("  SELECT h.FDeptID, e.FItemID, g.FBatchNo, ISNULL(SUM(e.FQty), 0) AS FQty")
      .line("  FROM cb_ICStockBill h INNER JOIN cb_ICStockBillEntry e ON h.FInterID = e.FInterID")
      .line("    INNER JOIN #TEMPProductAmount g ON h.FDeptID = g.FDeptID AND e.FItemID = g.FProductID")
      .line("      AND " + batchMatch("g.FTrack", "g.FBatchNo"))
      .line("  WHERE " + receiptFilter(w))
      .line("  GROUP BY h.FDeptID, e.FItemID, g.FBatchNo")
      .line(") r ON p.FDeptID = r.FDeptID AND p.FProductID = r.FItemID AND p.FBatchNo = r.FBatchNo");
  sql.send(connection);
  // Unit prices, then the live lines.
  sql.line("UPDATE #TEMPProductAmount SET FOriginPrice = ROUND(FAmount / FQty, 20),")
      .line("  FPrice = ROUND(FAmount / FQty, FPriceDecimal) WHERE FQty <> 0")
      .line("UPDATE e SET FPrice = p.FPrice, FAmount = ROUND(e.FQty * p.FOriginPrice, 2),")
      .line(
          "  FAuxPrice = ROUND(p.FOriginPrice * (ISNULL(u.FCoefficient, 1) + ISNULL(u.FScale, 0)), "
          "p.FPriceDecimal)")
      .line(liveGroupLines(w, "  LEFT JOIN t_MeasureUnit u ON u.FItemID = e.FUnitID\r\n"));
  sql.send(connection);
  sql.line("INSERT INTO #ICSTOCKBILL (FToDoBill, FDeptID, FItemID, FQty, FAmount, FBatchNo)")
      .line("SELECT MAX(STR(e.FAmount, 28, 10) + STR(e.FInterID, 10, 0) + STR(e.FEntryID, 10, 0)),")
      .line("  h.FDeptID, e.FItemID, SUM(e.FQty), SUM(e.FAmount), p.FBatchNo")
      .line(liveGroupLines(w))
      .line("GROUP BY h.FDeptID, e.FItemID, p.FBatchNo, p.FTrack")
      .line(
          "UPDATE #ICSTOCKBILL SET FInterID = SUBSTRING(FToDoBill, 29, 10), FEntryID = SUBSTRING(FToDoBill, "
          "39, 10)")
      .line("CREATE CLUSTERED INDEX idx_#ICSTOCKBILL_FDeptID ON #ICSTOCKBILL (FDeptID, FItemID, FBatchNo)");
  sql.send(connection);
  sql.line("--调差处理")
      .line("UPDATE e SET FAmount = e.FAmount + (p.FAmount - s.FAmount)")
      .line("FROM ICStockBillEntry e INNER JOIN ICStockBill h ON e.FInterID = h.FInterID")
      .line("  INNER JOIN #ICSTOCKBILL s ON e.FInterID = s.FInterID AND e.FEntryID = s.FEntryID")
      .line("  INNER JOIN #TEMPProductAmount p ON p.FDeptID = s.FDeptID AND p.FProductID = s.FItemID")
      .line("    AND p.FBatchNo = s.FBatchNo")
      .line("WHERE p.FAmount - s.FAmount <> 0 AND " + receiptFilter(w));
  sql.send(connection);
  sql.line(kDropTemporaries);
  sql.send(connection);
}

void setCostToDBByProduct(frame::Call& call, int32_t year, int32_t period, int32_t productId, int32_t deptId,
                          const std::string& batchNo, double amount,
                          const frame::PeriodDates& dctCurPeriodDate) {
  const ProductCost cost{productId, deptId, batchNo, frame::decimalOf(amount)};
  const frame::PeriodWindow w =
      frame::periodWindow(dctCurPeriodDate, call.props(), year, period, frame::WindowForm::NextAsDate);
  ado::Connection& connection = call.connection();
  // The group's lines (e, headers h, items i) of the snapshot or the live bills.
  const std::string group = " h.FDeptID = " + sqlNumber(cost.deptId) +
                            " AND e.FItemID = " + sqlNumber(cost.productId) + " AND " +
                            batchMatch("i.FTrack", frame::sqlText(cost.batchNo)) + " AND " + receiptFilter(w);
  auto lines = [&](const char* head, const char* entry) {
    return std::string(" FROM ") + head + " h INNER JOIN " + entry +
           " e ON h.FInterID = e.FInterID INNER JOIN t_ICItem i ON e.FItemID = i.FItemID";
  };
  com::Ref<ado::Recordset> received =
      connection.execute("SELECT ISNULL(SUM(e.FQty), 0), ISNULL(MAX(i.FPriceDecimal), 0)" +
                         lines("cb_ICStockBill", "cb_ICStockBillEntry") + " WHERE" + group);
  const com::Decimal qty = received->value(0).toDecimal();
  if (qty.isZero()) return;
  const int decimals = static_cast<int>(received->value(1).toLong());
  // The unit price to 20 decimals (as many as a decimal of this size holds),
  // and rounded to the product's price decimals; both written exactly.
  const com::Decimal quotient = cost.amount / qty;
  const com::Decimal price = quotient.roundHalfEven(20);
  const com::Decimal rounded = quotient.roundHalfEven(decimals);

  connection.execute("UPDATE e SET FPrice = ROUND(" + sqlNumber(rounded) + ", ISNULL(i.FPriceDecimal, 0)), " +
                     "FAmount = ROUND(e.FQty * " + sqlNumber(price) + ", 2), FAuxPrice = ROUND(" +
                     sqlNumber(price) +
                     " * (ISNULL(u.FCoefficient, 1) + ISNULL(u.FScale, 0)), ISNULL(i.FPriceDecimal, 0))" +
                     lines("ICStockBill", "ICStockBillEntry") +
                     " LEFT JOIN t_MeasureUnit u ON u.FItemID = e.FUnitID WHERE" + group);
  com::Ref<ado::Recordset> written =
      connection.execute("SELECT ISNULL(SUM(ROUND(e.FAmount, 2)), 0)" +
                         lines("ICStockBill", "ICStockBillEntry") + " WHERE" + group);
  // The difference to the cent, exact whatever the amount's size.
  const com::Decimal difference = (cost.amount - written->value(0).toDecimal()).roundHalfEven(2);
  if (difference.isZero()) return;
  // The last live line of the group takes the difference; none is left when
  // the bills changed since the snapshot.
  connection.execute(
      "UPDATE ICStockBillEntry SET FAmount = FAmount + " + sqlNumber(difference) +
      " WHERE EXISTS (SELECT 1 FROM (SELECT TOP 1 e.FInterID, e.FEntryID" +
      lines("ICStockBill", "ICStockBillEntry") + " WHERE" + group +
      " ORDER BY e.FInterID DESC, e.FEntryID DESC) x WHERE x.FInterID = ICStockBillEntry.FInterID" +
      " AND x.FEntryID = ICStockBillEntry.FEntryID)");
}

}  // namespace mls::calculation
