#include "calculation/product_cost_check.h"

#include <string>

#include "calculation/period_rows.h"
#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

using frame::sqlNumber;

constexpr const char* kTyped = "#Cost20020305";
constexpr const char* kList = "#Cost20020306";

// The work-table rows of the level whose cost object is of type 909 and whose
// department exists: a, c, d, and `join` after them.
std::string classificationRows(int32_t year, int32_t period, int32_t level, const std::string& join = "") {
  return std::string("FROM CBCalInfo_CurData a INNER JOIN cbCostObj c ON a.FCostObjID = c.FItemID") +
         " AND c.FCalculateType = " + frame::codes::kClassification +
         "\r\n  INNER JOIN t_Department d ON a.FDeptID = d.FItemID\r\n" + join + "WHERE " +
         levelRows("a", year, period, level);
}

// The by-products of the period's product quantities: q, x, c, d.
std::string byProductRows() {
  return "FROM CBProductQty q INNER JOIN cb_CostObj_Product x ON x.FCostObjID = q.FCostObjID\r\n"
         "    AND x.FProductID = q.FProductID AND x.FIsDeputy = 1\r\n"
         "  INNER JOIN cbCostObj c ON q.FCostObjID = c.FItemID AND c.FCalculateType = " +
         std::string(frame::codes::kClassification) +
         "\r\n  INNER JOIN t_Department d ON q.FDeptID = d.FItemID\r\n";
}

void typedRows(frame::SqlScript& sql, int32_t year, int32_t period, int32_t level) {
  sql.line(std::string("INSERT INTO ") + kTyped + " (FDeptID, FCostObjID, FTypeID, FName, FAmount)")
      .line("SELECT a.FDeptID, a.FCostObjID, 1, c.FName, SUM(a.FOverAmount)")
      .line(classificationRows(year, period, level))
      .line("GROUP BY a.FDeptID, a.FCostObjID, c.FName");
  sql.line(std::string("INSERT INTO ") + kTyped + " (FDeptID, FCostObjID, FTypeID, FName, FDeputyAmount)")
      .line("SELECT q.FDeptID, q.FCostObjID, 3, c.FName, SUM(v.FAmount * q.FQty)")
      .line(byProductRows() + "  INNER JOIN CBDeputyInfo v ON v.FProductID = q.FProductID AND " +
            periodRows("v", year, period))
      .line("WHERE " + periodRows("q", year, period))
      .line("GROUP BY q.FDeptID, q.FCostObjID, c.FName");
  sql.line(std::string("INSERT INTO ") + kTyped + " (FDeptID, FCostObjID, FTypeID, FName, FQty)")
      .line("SELECT q.FDeptID, q.FCostObjID, 0, c.FName,")
      .line("  ROUND(SUM(ISNULL(q.FQty, 0) * ISNULL(x.FQuotiety, 0)), MAX(ISNULL(i.FQtyDecimal, 4)))")
      .line(byProductRows() + "  LEFT JOIN t_ICItem i ON i.FItemID = c.FStdProductID")
      .line("WHERE " + periodRows("q", year, period))
      .line("GROUP BY q.FDeptID, q.FCostObjID, c.FName");
}

}  // namespace

com::Ref<ado::Recordset> getTaxCost(frame::Call& call, int32_t year, int32_t period, int32_t level,
                                    int32_t isID) {
  const bool failing = isID == 0;
  ado::Connection& connection = call.connection();
  frame::dropTempTable(connection, kTyped);
  frame::SqlScript sql;
  sql.line(std::string("CREATE TABLE ") + kTyped + " (FID INT IDENTITY(1,1), FDeptID int, FCostObjID int,")
      .line("  FTypeID int NOT NULL DEFAULT(0), FName varchar(355),")
      .line("  FAmount Decimal(28,10) NOT NULL DEFAULT(0), FQty Decimal(28,10) NOT NULL DEFAULT(0),")
      .line("  FDeputyAmount Decimal(28,10) NOT NULL DEFAULT(0))");
  sql.send(connection);
  sql.line(std::string("CREATE TABLE ") + kList + " (FID INT IDENTITY(1,1), FDeptID int, FCostObjID int,")
      .line("  FName varchar(355), FAmount Decimal(28,10) NOT NULL DEFAULT(0),")
      .line("  FQty Decimal(28,10) NOT NULL DEFAULT(0), FDeputyAmount Decimal(28,10) NOT NULL DEFAULT(0))");
  sql.send(connection);
  typedRows(sql, year, period, level);
  sql.send(connection);
  // The main quantity: completed quantity less the by-products' equivalent.
  sql.line(std::string("UPDATE t SET FQty = ISNULL(q.FQty, 0) FROM ") + kTyped + " t")
      .line("  LEFT JOIN CBCompleteQty q ON q.FCostObjID = t.FCostObjID AND q.FDeptID = t.FDeptID AND " +
            periodRows("q", year, period))
      .line("WHERE t.FTypeID = 1")
      .line(std::string("UPDATE t SET FQty = t.FQty - z.FQty FROM ") + kTyped + " t INNER JOIN " + kTyped +
            " z")
      .line("  ON z.FCostObjID = t.FCostObjID AND z.FDeptID = t.FDeptID AND z.FTypeID = 0")
      .line("WHERE t.FTypeID = 1")
      .line(std::string("UPDATE ") + kTyped + " SET FQty = 0 WHERE FTypeID = 0");
  sql.send(connection);
  sql.line(std::string("INSERT INTO ") + kList +
           " (FDeptID, FCostObjID, FName, FAmount, FDeputyAmount, FQty)")
      .line(std::string(
                "SELECT FDeptID, FCostObjID, FName, SUM(FAmount), SUM(FDeputyAmount), SUM(FQty) FROM ") +
            kTyped)
      .line("GROUP BY FDeptID, FCostObjID, FName");
  sql.send(connection);
  sql.line(std::string("DELETE FROM ") + kList + " WHERE " + (failing ? "" : "NOT ") + "(")
      .line("  (FQty > 0 AND FAmount - FDeputyAmount > 0) OR (FQty < 0 AND FAmount - FDeputyAmount < 0)")
      .line("  OR (FQty = 0 AND FAmount - FDeputyAmount = 0) OR (FAmount = 0 AND FDeputyAmount = 0))");
  sql.send(connection);

  const std::string pairs = std::string("  AND EXISTS (SELECT 1 FROM ") + kList +
                            " r WHERE r.FDeptID = a.FDeptID AND r.FCostObjID = a.FCostObjID)";
  if (failing) {
    sql.line("SELECT DISTINCT a.FDeptID, a.FCostObjID, c.FName, d.FName AS FDeptName")
        .line(classificationRows(year, period, level))
        .line(pairs);
  } else {
    sql.line("SELECT a.FDeptID, a.FCostObjID, a.FCostItemID, i.FName AS FItemName, c.FName,")
        .line("  d.FName AS FDeptName, SUM(a.FOverAmount) AS FAmount")
        .line(classificationRows(year, period, level,
                                 "  INNER JOIN CBCostItem i ON a.FCostItemID = i.FItemID\r\n"))
        .line(pairs)
        .line("GROUP BY a.FDeptID, a.FCostObjID, a.FCostItemID, i.FName, c.FName, d.FName");
  }
  com::Ref<ado::Recordset> rs = frame::detachedSelect(connection, sql.text());
  frame::dropTempTable(connection, kTyped);
  frame::dropTempTable(connection, kList);
  return rs;
}

}  // namespace mls::calculation
