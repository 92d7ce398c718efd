#include "calculation/product_cost_rows.h"

#include <string>

#include "calculation/period_rows.h"
#include "frame/domain_codes.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

using frame::sqlNumber;

// Per department, cost object and cost item: the completed-output and
// work-in-process sums of one work table's rows of the level.
std::string splitSums(const char* table, int32_t year, int32_t period, int32_t level) {
  return std::string("(SELECT w.FDeptID, w.FCostObjID, w.FCostItemID, SUM(w.FOverAmount) AS FOverAmount,") +
         " SUM(w.FOnlineAmount) AS FOnlineAmount FROM " + table + " w WHERE " +
         levelRows("w", year, period, level) + " GROUP BY w.FDeptID, w.FCostObjID, w.FCostItemID)";
}

// The packed key of a detail row d adjusted by its group's differences s:
// amounts in 28 characters with 10 decimals, IDs in 10, the batch as it is.
constexpr const char* kPackedKey =
    "STR(d.FOverAmount + s.FOverDiff, 28, 10) + STR(d.FOnlineAmount + s.FOnlineDiff, 28, 10)"
    " + STR(d.FDeptID, 10, 0) + STR(d.FCostObjID, 10, 0) + STR(d.FCostItemID, 10, 0)"
    " + STR(d.FMaterielID, 10, 0) + STR(d.FSpendCostObjID, 10, 0) + ISNULL(d.FBatchNo, '')";

// The columns of a detail work-table row, as the period snapshot creates the
// table.
constexpr const char* kDetailColumns =
    "FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, FSpendCostObjID, FOverAmount,"
    " FOnlineAmount, FOverQty, FOnlineQty, FLevel";

}  // namespace

com::Variant updateProduct(frame::Call& call, int32_t level, int32_t year, int32_t period) {
  // A cost object without a type is an ordinary one, as for the quantities.
  frame::SqlScript sql;
  sql.line(
         "INSERT INTO cbProductCalInfo (FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FProductID, "
         "FBatchNo,")
      .line("  FAmount, FRevertAmount, FLevel, FQty)")
      .line("SELECT a.FYear, a.FPeriod, a.FDeptID, a.FCostObjID, a.FCostItemID, c.FStdProductID, c.FBatchNo,")
      .line("  SUM(a.FOverAmount), SUM(a.FRevertAmount), " + sqlNumber(level) + ", ISNULL(MAX(q.FQty), 0)")
      .line("FROM CBCalInfo_CurData a")
      .line(std::string(
                "  INNER JOIN cbCostObj c ON a.FCostObjID = c.FItemID AND ISNULL(c.FCalculateType, 0) <> ") +
            frame::codes::kClassification)
      .line("  LEFT JOIN cbCompleteQty q ON q.FYear = a.FYear AND q.FPeriod = a.FPeriod")
      .line("    AND q.FDeptID = a.FDeptID AND q.FCostObjID = a.FCostObjID")
      .line("WHERE " + levelRows("a", year, period, level))
      .line(
          "GROUP BY a.FYear, a.FPeriod, a.FDeptID, a.FCostObjID, a.FCostItemID, c.FStdProductID, "
          "c.FBatchNo");
  sql.send(call.connection());
  return {};
}

com::Variant updateCalType(frame::Call& call, int32_t year, int32_t period) {
  frame::SqlScript sql;
  using frame::codes::kOrdinaryHigherLevel;
  using frame::codes::kOrdinaryLevel1;
  const std::string ordinary = std::string(" WHERE FCalculateType IN (") + kOrdinaryLevel1 + ", " +
                               kOrdinaryHigherLevel +
                               ") AND EXISTS (SELECT 1 FROM CBCalInfo_CurData a WHERE ";
  for (const std::string& rule : {std::string("= ") + kOrdinaryLevel1 + ordinary + "a.FLevel = 1",
                                  std::string("= ") + kOrdinaryHigherLevel + ordinary + "a.FLevel > 1"}) {
    sql.line(std::string("UPDATE cbCostObj SET FCalculateType ") + rule)
        .line("  AND a.FCostObjID = cbCostObj.FItemID AND " + periodRows("a", year, period) + ")");
    sql.send(call.connection());
  }
  return {};
}

void adjustAmountDiff(frame::Call& call, int32_t year, int32_t period, int32_t level) {
  frame::SqlScript sql;
  // The detail rows of every group to settle, numbered, each with its packed key.
  sql.line("SET XACT_ABORT ON")
      .line("CREATE TABLE #AdjustRows (FRowID INT IDENTITY(1,1), FToDoBill VARCHAR(8000) NOT NULL,")
      .line(
          "  FYear SMALLINT, FPeriod SMALLINT, FDeptID INT, FCostObjID INT, FCostItemID INT, FMaterielID "
          "INT,")
      .line("  FBatchNo VARCHAR(2550), FSpendCostObjID INT, FOverAmount DECIMAL(28,13),")
      .line(
          "  FOnlineAmount DECIMAL(28,13), FOverQty DECIMAL(28,13), FOnlineQty DECIMAL(28,13), FLevel "
          "SMALLINT)")
      .line(std::string("INSERT INTO #AdjustRows (FToDoBill, ") + kDetailColumns + ")")
      .line(std::string("SELECT ") + kPackedKey + ", " + kDetailColumns)
      .line("FROM CBCalInfoDetail_CurData d INNER JOIN (")
      .line(
          "  SELECT a.FDeptID AS FGroupDeptID, a.FCostObjID AS FGroupCostObjID, a.FCostItemID AS "
          "FGroupItemID,")
      .line("    a.FOverAmount - b.FOverAmount AS FOverDiff,")
      .line("    a.FOnlineAmount - b.FOnlineAmount AS FOnlineDiff")
      .line("  FROM " + splitSums("CBCalInfo_CurData", year, period, level) + " a")
      .line("  INNER JOIN " + splitSums("CBCalInfoDetail_CurData", year, period, level) + " b")
      .line("    ON a.FDeptID = b.FDeptID AND a.FCostObjID = b.FCostObjID AND a.FCostItemID = b.FCostItemID")
      .line("  WHERE (a.FOverAmount <> b.FOverAmount OR a.FOnlineAmount <> b.FOnlineAmount)")
      .line("    AND a.FOverAmount + a.FOnlineAmount = b.FOverAmount + b.FOnlineAmount")
      .line(") s ON d.FDeptID = s.FGroupDeptID AND d.FCostObjID = s.FGroupCostObjID")
      .line("  AND d.FCostItemID = s.FGroupItemID")
      .line("WHERE " + levelRows("d", year, period, level));
  // One row per group takes the difference: the greatest packed key, the first
  // copied among equal ones.
  sql.line("UPDATE r SET")
      .line("  FOverAmount = ROUND(CONVERT(DECIMAL(28,10), SUBSTRING(r.FToDoBill, 1, 28)), 2),")
      .line("  FOnlineAmount = ROUND(CONVERT(DECIMAL(28,10), SUBSTRING(r.FToDoBill, 29, 28)), 2)")
      .line("FROM #AdjustRows r INNER JOIN (")
      .line("  SELECT MIN(a.FRowID) AS FRowID FROM #AdjustRows a INNER JOIN (")
      .line("    SELECT FDeptID, FCostObjID, FCostItemID, MAX(FToDoBill) AS FToDoBill FROM #AdjustRows")
      .line("    GROUP BY FDeptID, FCostObjID, FCostItemID")
      .line(
          "  ) m ON m.FDeptID = a.FDeptID AND m.FCostObjID = a.FCostObjID AND m.FCostItemID = a.FCostItemID")
      .line("    AND m.FToDoBill = a.FToDoBill")
      .line("  GROUP BY a.FDeptID, a.FCostObjID, a.FCostItemID")
      .line(") c ON c.FRowID = r.FRowID");
  // The groups' rows replaced by their settled copies, in one transaction; the
  // groups find their rows through the table's clustered key.
  sql.line("IF EXISTS (SELECT 1 FROM #AdjustRows)")
      .line("BEGIN")
      .line("  BEGIN TRAN")
      .line("  DELETE d FROM (SELECT DISTINCT FDeptID, FCostObjID, FCostItemID FROM #AdjustRows) r")
      .line("    INNER JOIN CBCalInfoDetail_CurData d ON d.FDeptID = r.FDeptID")
      .line("      AND d.FCostObjID = r.FCostObjID AND d.FCostItemID = r.FCostItemID")
      .line("  WHERE " + levelRows("d", year, period, level))
      .line(std::string("  INSERT INTO CBCalInfoDetail_CurData (") + kDetailColumns + ")")
      .line(std::string("  SELECT ") + kDetailColumns + " FROM #AdjustRows ORDER BY FRowID")
      .line("  COMMIT TRAN")
      .line("END")
      .line("DROP TABLE #AdjustRows")
      .line("SET XACT_ABORT OFF");
  sql.send(call.connection());
}

}  // namespace mls::calculation
