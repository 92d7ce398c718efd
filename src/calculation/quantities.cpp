#include "calculation/quantities.h"

#include <string>

#include "calculation/period_rows.h"
#include "frame/completed_qty_rules.h"
#include "frame/domain_codes.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

namespace completed = frame::completed;
using completed::Rule;

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

// A row of `t` for one rule's group: what it carries besides department and
// cost object (the product and the cost object's batch in cbProductQty, where
// a classification cost object's products are summed plainly, each).
void insertRule(frame::SqlScript& sql, const QtyTable& t, const Period& p, Rule rule) {
  const std::string key = !t.byProduct                   ? ""
                          : rule == Rule::Classification ? ", d.FProductID, c.FBatchNo"
                                                         : ", c.FStdProductID, c.FBatchNo";
  sql.line(insertHead(t))
      .line("SELECT " + frame::sqlNumber(p.year) + ", " + frame::sqlNumber(p.period) +
            ", h.FDeptID, c.FItemID" + key + ", " +
            (t.byProduct ? std::string("SUM(b.FQty)") : completed::quantity(rule)));
  completed::addSource(sql,
                       {"cb_ICStockBill", "cb_ICStockBillEntry", frame::sqlDate(p.window.begin),
                        frame::sqlDate(p.window.next)},
                       rule);
  sql.line("GROUP BY h.FDeptID, c.FItemID" + key);
}

// The five statements, each sent on its own.
void computeQuantities(frame::Call& call, const QtyTable& t, const Period& p) {
  ado::Connection& connection = call.connection();
  frame::SqlScript sql;
  sql.line(std::string("DELETE FROM ") + t.name + " WHERE " + periodRows(t.name, p.year, p.period));
  sql.send(connection);
  for (Rule rule : completed::kRules) {
    insertRule(sql, t, p, rule);
    sql.send(connection);
  }
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
