#include "calculation/quantities.h"

#include <string>

#include "calculation/period_rows.h"
#include "frame/domain_codes.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

// One of the two quantity tables: what its rows carry besides year, period,
// department and cost object.
struct QtyTable {
  const char* name;
  bool byProduct;  // cbProductQty: product and batch in the key
};

constexpr QtyTable kCompleteQty{"cbCompleteQty", false};
constexpr QtyTable kProductQty{"cbProductQty", true};

struct Period {
  int32_t year;
  int32_t period;
  frame::PeriodWindow window;
};

std::string insertHead(const QtyTable& t) {
  return std::string("INSERT INTO ") + t.name + " (FYear, FPeriod, FDeptID, FCostObjID" +
         (t.byProduct ? ", FProductID, FBatchNo" : "") + ", FQty)";
}

// The receipt lines of the window (header h, line b).
std::string receipts() {
  return "FROM cb_ICStockBill h INNER JOIN cb_ICStockBillEntry b ON h.FInterID = b.FInterID";
}
std::string receiptFilter(const Period& p) {
  return std::string("WHERE h.FTranType = ") + frame::codes::kProductReceipt +
         " AND h.FDate >= " + frame::sqlDate(p.window.begin) + " AND h.FDate < " +
         frame::sqlDate(p.window.next) + " AND h.FStatus > 0 AND h.FCancelLation = 0";
}

std::string selectHead(const Period& p) {
  return "SELECT " + frame::sqlNumber(p.year) + ", " + frame::sqlNumber(p.period) + ", h.FDeptID, c.FItemID";
}

void batchCosted(frame::SqlScript& sql, const QtyTable& t, const Period& p) {
  sql.line(insertHead(t))
      .line(selectHead(p) + (t.byProduct ? ", c.FStdProductID, c.FBatchNo" : "") + ", SUM(b.FQty)")
      .line(receipts())
      .line("  INNER JOIN cbCostObj c ON b.FItemID = c.FStdProductID AND b.FBatchNo = c.FBatchNo")
      .line(std::string("    AND c.FCalculateType = ") + frame::codes::kBatchCosting)
      .line(receiptFilter(p))
      .line(std::string("GROUP BY h.FDeptID, c.FItemID") +
            (t.byProduct ? ", c.FStdProductID, c.FBatchNo" : ""));
}

void classification(frame::SqlScript& sql, const QtyTable& t, const Period& p) {
  sql.line(insertHead(t))
      .line(selectHead(p) + (t.byProduct
                                 ? ", d.FProductID, c.FBatchNo, SUM(b.FQty)"
                                 : ", ROUND(SUM(b.FQty * d.FQuotiety), MAX(ISNULL(i.FQtyDecimal, 4)))"))
      .line(receipts())
      .line("  INNER JOIN cb_CostObj_Product d ON b.FItemID = d.FProductID")
      .line(std::string("  INNER JOIN cbCostObj c ON d.FCostObjID = c.FItemID AND c.FCalculateType = ") +
            frame::codes::kClassification)
      // An outer join: a standard product missing from the items rounds to 4.
      .line("  LEFT JOIN t_ICItem i ON c.FStdProductID = i.FItemID")
      .line(receiptFilter(p))
      .line(std::string("GROUP BY h.FDeptID, c.FItemID") + (t.byProduct ? ", d.FProductID, c.FBatchNo" : ""));
}

void ordinary(frame::SqlScript& sql, const QtyTable& t, const Period& p) {
  sql.line(insertHead(t))
      .line(selectHead(p) + (t.byProduct ? ", c.FStdProductID, c.FBatchNo" : "") + ", SUM(b.FQty)")
      .line(receipts())
      .line("  INNER JOIN cbCostObj c ON b.FItemID = c.FStdProductID")
      .line("    AND " + frame::codes::ordinaryCostObject("c"))
      .line(receiptFilter(p))
      .line(
          "  AND NOT EXISTS (SELECT 1 FROM cb_CostObj_Product x INNER JOIN cbCostObj y ON x.FCostObjID = "
          "y.FItemID")
      .line(std::string("    WHERE x.FProductID = b.FItemID AND y.FCalculateType = ") +
            frame::codes::kClassification + ")")
      .line(std::string("GROUP BY h.FDeptID, c.FItemID") +
            (t.byProduct ? ", c.FStdProductID, c.FBatchNo" : ""));
}

// The five statements, each sent on its own.
void computeQuantities(frame::Call& call, const QtyTable& t, const Period& p) {
  ado::Connection& connection = call.connection();
  frame::SqlScript sql;
  sql.line(std::string("DELETE FROM ") + t.name + " WHERE " + periodRows(t.name, p.year, p.period));
  sql.send(connection);
  batchCosted(sql, t, p);
  sql.send(connection);
  classification(sql, t, p);
  sql.send(connection);
  ordinary(sql, t, p);
  sql.send(connection);
  sql.line(std::string("DELETE FROM ") + t.name + " WHERE " + periodRows(t.name, p.year, p.period))
      .line("  AND NOT EXISTS (SELECT 1 FROM t_Department d WHERE d.FItemID = " + std::string(t.name) +
            ".FDeptID AND d.FCostAccountType = " + frame::codes::kProductionDept + ")");
  sql.send(connection);
}

}  // namespace

com::Variant calCompleteQty(frame::Call& call, int32_t year, int32_t period,
                            const frame::PeriodDates& dctCurPeriodDate) {
  Period p{year, period,
           frame::periodWindow(dctCurPeriodDate, call.props(), year, period, frame::WindowForm::NextAsDate)};
  computeQuantities(call, kCompleteQty, p);
  return {};
}

com::Variant calProductQty(frame::Call& call, int32_t year, int32_t period) {
  Period p{year, period,
           frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsDate)};
  computeQuantities(call, kProductQty, p);
  return {};
}

com::Variant updateCalCompleteQtyStatus(frame::Call& call) {
  frame::SqlScript sql;
  sql.line("DELETE FROM t_Systemprofile WHERE FCateGory='CB' AND FKey='CB_CALCOMPLETEQTY_OK' ")
      .line(
          " INSERT INTO t_Systemprofile(FCategory, FKey, FValue) VALUES ('CB','CB_CALCOMPLETEQTY_OK','1') ");
  sql.send(call.connection());
  return {};
}

}  // namespace mls::calculation
