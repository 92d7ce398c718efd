#include "frame/completed_qty_rules.h"

#include "frame/domain_codes.h"

namespace mls::frame::completed {

void addSource(SqlScript& sql, const Receipts& receipts, Rule rule) {
  sql.line(" FROM " + std::string(receipts.bills) + " h INNER JOIN " + std::string(receipts.lines) +
           " b ON b.FInterID = h.FInterID");
  switch (rule) {
    case Rule::BatchCosting:
      sql.line("  INNER JOIN cbCostObj c ON b.FItemID = c.FStdProductID AND b.FBatchNo = c.FBatchNo")
          .line(std::string("    AND c.FCalculateType = ") + codes::kBatchCosting);
      break;
    case Rule::Classification:
      sql.line("  INNER JOIN cb_CostObj_Product d ON b.FItemID = d.FProductID")
          .line(std::string("  INNER JOIN cbCostObj c ON d.FCostObjID = c.FItemID AND c.FCalculateType = ") +
                codes::kClassification)
          .line("  LEFT JOIN t_ICItem i ON c.FStdProductID = i.FItemID");
      break;
    case Rule::Ordinary:
      sql.line("  INNER JOIN cbCostObj c ON b.FItemID = c.FStdProductID AND " +
               codes::ordinaryCostObject("c"));
      break;
  }
  sql.line(std::string(" WHERE h.FTranType = ") + codes::kProductReceipt +
           " AND h.FStatus > 0 AND h.FCancellation = 0 AND h.FDate >= " + receipts.begin + " AND h.FDate < " +
           receipts.next);
  if (rule == Rule::Ordinary) {
    sql.line(
           "  AND NOT EXISTS (SELECT 1 FROM cb_CostObj_Product x INNER JOIN cbCostObj y ON x.FCostObjID = "
           "y.FItemID")
        .line(std::string("    WHERE x.FProductID = b.FItemID AND y.FCalculateType = ") +
              codes::kClassification + ")");
  }
}

std::string quantity(Rule rule) {
  return rule == Rule::Classification ? "ROUND(SUM(b.FQty * d.FQuotiety), MAX(ISNULL(i.FQtyDecimal, 4)))"
                                      : "SUM(b.FQty)";
}

}  // namespace mls::frame::completed
