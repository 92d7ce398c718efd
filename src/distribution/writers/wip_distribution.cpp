#include "distribution/writers/wip_distribution.h"

#include <string>

#include "distribution/engine/issue_lines.h"
#include "distribution/engine/line_rows.h"
#include "frame/domain_codes.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "frame/system_profile.h"
#include "platform/ado/recordset.h"

namespace mls::distribution::writers {
namespace {

using engine::Purpose;
using engine::rowTable;
using frame::sqlNumber;
namespace codes = frame::codes;

// The columns that depend on the WIP check type (CB / MaterielWIPCheckType):
// by amount (non-zero) the amount drives and the quantity follows from the
// cost object's average input price; by quantity the other way round.
struct CheckColumns {
  explicit CheckColumns(int32_t checkType)
      : byAmount(checkType != 0),
        drive(byAmount ? "FAmount" : "FQty"),
        share(byAmount ? "FAvgAmount" : "FAvgQty"),
        derived(byAmount ? "FQty" : "FAmount") {}
  bool byAmount;
  std::string drive;    // C: what the all-online cut and the rounding place
  std::string share;    // A: an all-online row's claim on its line
  std::string derived;  // the other one of FQty and FAmount
};

// The whole digits of the work table's values, decimal(23,10), and the least
// value whose part may round to 1E13.
constexpr int kWorkDigits = 13;
constexpr const char* kNearWorkColumn = "9999999999999.5";

std::string yearAndPeriod(const char* alias, int32_t year, int32_t period) {
  return std::string(alias) + ".FYear=" + sqlNumber(year) + " AND " + alias + ".FPeriod=" + sqlNumber(period);
}

// The gate: a cost object of sub-item 5 in production with a positive
// quantity in the period, and at least one WIP line of the period.
bool isNeedToDisp(ado::Connection& connection, int32_t year, int32_t period) {
  return frame::runNamed("Marlstone.ConcludeUpdate.IsNeedToDisp", [&] {
    auto atLeastOne = [&](const std::string& sql) {
      com::Ref<ado::Recordset> rs = connection.execute(sql);
      const bool yes = !rs->eof() && rs->value(size_t{0}).toLong() >= 1;
      rs->close();
      return yes;
    };
    const std::string y = sqlNumber(year), p = sqlNumber(period);
    return atLeastOne(std::string("SELECT COUNT(*) FROM cbCostObj O WHERE O.FStdSubItemID=") +
                      codes::kWipSubItem + " AND (EXISTS (SELECT 1 FROM CBInQty Q WHERE Q.FYear=" + y +
                      " AND Q.FPeriod=" + p +
                      " AND Q.FCostObjID=O.FItemID AND Q.FQty>0) OR "
                      "EXISTS (SELECT 1 FROM cbBalance B WHERE B.FYear=" +
                      y + " AND B.FPeriod=" + p + " AND B.FProductID=O.FItemID AND B.FQty>0))") &&
           atLeastOne(
               "SELECT COUNT(*) FROM CBProductMatWipEntry E INNER JOIN CBProductMatWip M ON M.FID=E.FID "
               "WHERE " +
               yearAndPeriod("M", year, period));
  });
}

void tempTables(frame::SqlScript& sql) {
  sql.line("--临时表");
  for (const char* t : {"#Product", "#ToDispData", "#ToDisp"}) {
    sql.line(std::string("IF OBJECT_ID('tempdb..") + t + "') <> 0 ");
    sql.line(std::string("    DROP TABLE ") + t + " ");
  }
  // The running total of the all-online cut visits the rows in FID order:
  // the clustered key keeps them in that order.
  sql.line("IF OBJECT_ID('tempdb..#DispDetail') <> 0")
      .line("    DROP TABLE #DispDetail")
      .line("CREATE TABLE #DispDetail (FID int IDENTITY(1,1) PRIMARY KEY CLUSTERED,")
      .line("  FDeptID int not null, FInterID int not null, FEntryID int not null, FItemID int not null,")
      .line("  FBatchNo nvarchar(255) not null default '', FCostObjID int not null,");
  for (const char* c : {"FQty", "FAmount", "FAvgQty", "FAvgAmount", "FInputQty", "FInputAmount",
                        "FCompleteQty", "FOnlineQty", "FPrice", "FStandardData", "FAvgQuotiety", "FCalData"})
    sql.line(std::string("  ") + c + " decimal(23,10) not null default 0,");
  sql.line("  FIsAllOnline bit not null default 0, FIsDirect bit not null default 0)")
      .line("IF OBJECT_ID('tempdb..#InputData') <> 0 ")
      .line("    DROP TABLE #InputData ")
      .line("CREATE TABLE #InputData (FDeptID int, FCostObjID int, FItemID int,")
      .line("  FBatchNo nvarchar(255) not null default '',");
  for (const char* c : {"FQty", "FAmount", "FPrice", "FCompleteQty", "FOnlineQty"})
    sql.line(std::string("  ") + c + " decimal(23,10) not null default 0,");
  sql.line("  FIsAllOnline bit not null default 0, FChk bit not null default 0)")
      .line("DECLARE @MaterielShareID int ")
      .line("SELECT @MaterielShareID = FItemID FROM CBCostObj WHERE FNumber ='MaterielShareID' ")
      .line("");
}

// Products received from production departments in the window.
void products(frame::SqlScript& sql, const std::string& begin, const std::string& next) {
  sql.line("--本期入库物料 ")
      .line(std::string("SELECT DISTINCT t2.FItemID AS FProductID, CASE WHEN I.FTrack = ") +
            codes::kBatchTracked + " THEN t2.FBatchNo ELSE '' END AS FBatchNo")
      .line(
          "INTO #Product FROM cb_ICStockBill t1 INNER JOIN cb_ICStockBillEntry t2 ON t1.FInterID=t2.FInterID")
      .line(std::string("  INNER JOIN t_Department D ON D.FItemID=t1.FDeptID AND D.FCostAccountType=") +
            codes::kProductionDept)
      .line("  INNER JOIN t_ICItem I ON I.FItemID=t2.FItemID")
      .line("WHERE t1.FDate>=" + begin + " AND t1.FDate<" + next)
      .line(std::string("  AND t1.FCancellation=0 AND t1.FTranType=") + codes::kProductReceipt +
            " AND t1.FStatus>0")
      .line("");
}

// The WIP lines to distribute.  A line is direct when it names a real cost
// object: with no MaterielShareID object, a line naming a cost object stays
// direct (a NULL marker must not make every line shared).
void linesToDistribute(frame::SqlScript& sql, int32_t year, int32_t period, int32_t level,
                       const CheckColumns& k) {
  sql.line("--要分配的材料 ")
      .line("SELECT DISTINCT E.FDeptID, E.FMaterielID AS FItemID, E.FID AS FInterID, E.FEntryID, E.FBatchNo,")
      .line(
          "  CASE WHEN E.FCostObjID<>0 AND E.FCostObjID<>ISNULL(@MaterielShareID,0) THEN 1 ELSE 0 END AS "
          "FIsDirect")
      .line("INTO #ToDispData FROM CBProductMatWip M INNER JOIN CBProductMatWipEntry E ON M.FID=E.FID")
      .line("WHERE " + yearAndPeriod("M", year, period));
  if (level < 1) {
    sql.line("  AND E.FMaterielID NOT IN (SELECT FProductID FROM #Product)");
  } else {
    sql.line("  AND E.FMaterielID IN (SELECT FProductID FROM #Product)")
        .line("  AND EXISTS (SELECT 1 FROM cbProductCalInfo P WHERE P.FYear=M.FYear AND P.FPeriod=M.FPeriod")
        .line("    AND P.FProductID=E.FMaterielID AND P.FLevel=" + sqlNumber(level) + ")");
  }
  sql.line("   AND E." + k.drive + " > 0 ").line("");
  sql.line("SELECT DISTINCT FDeptID,FItemID,FBatchNo INTO #ToDisp FROM #ToDispData  ").line("");
}

// One source of a cost object's input: a distribution row table joined to
// the snapshot line it distributes.
std::string issuedInput(Purpose purpose, int32_t year, int32_t period) {
  return std::string("SELECT T.FDeptID, T.FItemID, T.FBatchNo, C.FCostObjID, C.FQty, C.FAmount\r\n") +
         "FROM " + rowTable(purpose) +
         " C INNER JOIN cb_ICStockBill B ON B.FInterID=C.FInterID\r\n"
         "  INNER JOIN cb_ICStockBillEntry L ON L.FInterID=C.FInterID AND L.FEntryID=C.FEntryID\r\n"
         "  INNER JOIN t_ICItem I ON I.FItemID=L.FItemID\r\n"
         "  INNER JOIN #ToDisp T ON T.FDeptID=B.FDeptID AND T.FItemID=L.FItemID\r\n"
         "    AND T.FBatchNo=CASE WHEN I.FTrack=" +
         codes::kBatchTracked + " THEN L.FBatchNo ELSE '' END\r\nWHERE " + yearAndPeriod("C", year, period);
}

// #InputData: per department, material, batch and consuming cost object, the
// beginning WIP plus the period's issues, with the average price, the
// completed and counted WIP quantities and the all-online flag.
void inputData(frame::SqlScript& sql, int32_t year, int32_t period) {
  sql.line("INSERT INTO #InputData (FDeptID, FItemID, FBatchNo, FCostObjID, FQty, FAmount)")
      .line("--FBegQty,FBegAmount 期初")
      .line("SELECT T.FDeptID, T.FItemID, T.FBatchNo, C.FCostObjID, C.FQty, C.FSum")
      .line("FROM CBCostObjDetail C INNER JOIN t_ICItem I ON I.FItemID=C.FMaterielID")
      .line("  INNER JOIN #ToDisp T ON T.FDeptID=C.FDepID AND T.FItemID=C.FMaterielID")
      .line(std::string("    AND T.FBatchNo=CASE WHEN I.FTrack=") + codes::kBatchTracked +
            " THEN ISNULL(C.FBatchNo,'') ELSE '' END")
      .line("WHERE " + yearAndPeriod("C", year, period))
      .line("UNION ALL")
      .line("--FNorQty,FNorAmount 本期投入")
      .line(issuedInput(Purpose::Normal, year, period))
      .line("UNION ALL")
      .line("--FWasQty,FWasAmount 本期可修复废品耗用材料")
      .line(issuedInput(Purpose::RepairableWaste, year, period))
      .line("UNION ALL")
      .line("--FBadQty,FBadAmount 插入本期残值退料")
      .line(issuedInput(Purpose::ResidualValue, year, period))
      .line("")
      .line("--汇总(按物料汇总、暂不按批次)")
      .line("INSERT INTO #InputData (FDeptID, FItemID, FBatchNo, FCostObjID, FQty, FAmount, FChk)")
      .line("SELECT D.FDeptID, D.FItemID, D.FBatchNo, D.FCostObjID, SUM(D.FQty), SUM(D.FAmount), 1")
      .line("FROM #InputData D WHERE D.FCostObjID IN (SELECT FItemID FROM CBCostObj)")
      .line("GROUP BY D.FDeptID, D.FItemID, D.FBatchNo, D.FCostObjID")
      .line("HAVING SUM(D.FQty)<>0 OR SUM(D.FAmount)<>0")
      .line("")
      .line("--计算平均单价")
      .line("UPDATE D SET FPrice=ROUND(D.FAmount/D.FQty, ISNULL(I.FPriceDecimal,2))")
      .line("FROM #InputData D LEFT JOIN t_ICItem I ON I.FItemID=D.FItemID WHERE D.FChk=1 AND D.FQty<>0")
      .line("")
      .line("DELETE FROM #InputData WHERE FChk =0 ")
      .line("")
      .line("UPDATE D SET FCompleteQty=ISNULL(Q.FQty,0), FOnlineQty=ISNULL(K.FQty,0) FROM #InputData D")
      .line("  LEFT JOIN (SELECT FDeptID, FCostObjID, SUM(FQty) AS FQty FROM cbCompleteQty WHERE FYear=" +
            sqlNumber(year) + " AND FPeriod=" + sqlNumber(period))
      .line("    GROUP BY FDeptID, FCostObjID) Q ON Q.FDeptID=D.FDeptID AND Q.FCostObjID=D.FCostObjID")
      .line("  LEFT JOIN (SELECT FDeptID, FCostObjID, SUM(FQty) AS FQty FROM cbCostObjCheck WHERE FYear=" +
            sqlNumber(year) + " AND FPeriod=" + sqlNumber(period))
      .line("    GROUP BY FDeptID, FCostObjID) K ON K.FDeptID=D.FDeptID AND K.FCostObjID=D.FCostObjID")
      .line("")
      .line("UPDATE I SET FIsAllOnline = 1 FROM #InputData I WHERE I.FCompleteQty <=0 AND I.FOnlineQty >= 0 ")
      .line("");
}

const char* const kDispColumns =
    "INSERT INTO #DispDetail (FInterID, FEntryID, FDeptID, FItemID, FBatchNo, FCostObjID, FQty, FAmount, "
    "FAvgQty, FAvgAmount, FInputQty, FInputAmount, FCompleteQty, FOnlineQty, FPrice, FIsAllOnline, "
    "FIsDirect, "
    "FStandardData)";
const char* const kLineJoin =
    "FROM CBProductMatWipEntry E INNER JOIN #ToDispData L ON L.FInterID=E.FID AND L.FEntryID=E.FEntryID";

// The head of the dispatch rows and the direct lines: each to its own cost
// object, whatever batch that object's input is of.
void materielDirectDisp(frame::SqlScript& sql) {
  sql.line(kDispColumns)
      .line("--直接材料")
      .line("SELECT E.FID, E.FEntryID, E.FDeptID, E.FMaterielID AS FItemID, E.FBatchNo, E.FCostObjID,")
      .line("  E.FQty, E.FAmount, E.FQty, E.FAmount, 0, 0, ISNULL(I.FCompleteQty,0), ISNULL(I.FOnlineQty,0),")
      .line("  ISNULL(I.FPrice,0), ISNULL(I.FIsAllOnline,0) AS FIsAllOnline, 1 AS FIsDirect, 1")
      .line(kLineJoin)
      .line(
          "  LEFT JOIN #InputData I ON I.FDeptID=E.FDeptID AND I.FItemID=E.FMaterielID AND "
          "I.FCostObjID=E.FCostObjID")
      .line("WHERE L.FIsDirect=1");
}

// The shared lines to the consumers of their department, material and batch
// (of their group), ordered so that FID runs by consumer, and the claims of
// the all-online consumers: their input amounts' shares of each line.
void materielShareDisp(frame::SqlScript& sql) {
  sql.line("-- '共耗材料处理")
      .line("UNION ALL ")
      .line("SELECT E.FID, E.FEntryID, E.FDeptID, E.FMaterielID, E.FBatchNo, I.FCostObjID,")
      .line(
          "  MAX(E.FQty), MAX(E.FAmount), AVG(E.FQty), AVG(E.FAmount), ISNULL(SUM(I.FQty),0), "
          "ISNULL(SUM(I.FAmount),0),")
      .line(
          "  ISNULL(MAX(I.FCompleteQty),0), ISNULL(MAX(I.FOnlineQty),0), ISNULL(SUM(I.FPrice),0), "
          "ISNULL(I.FIsAllOnline,0), 0, 0")
      .line(kLineJoin)
      .line(
          "  INNER JOIN #InputData I ON I.FDeptID=E.FDeptID AND I.FItemID=E.FMaterielID AND "
          "I.FBatchNo=E.FBatchNo")
      .line(
          "  LEFT JOIN CB_CostObjGroup_Detail G ON G.FCostObjGroupID=E.FCostGroupID AND "
          "G.FCostObjID=I.FCostObjID")
      .line(
          "WHERE L.FIsDirect=0 AND I.FCostObjID IS NOT NULL AND (E.FCostGroupID=0 OR G.FCostObjID IS NOT "
          "NULL)")
      .line("GROUP BY E.FID, E.FEntryID, E.FDeptID, E.FMaterielID, E.FBatchNo, I.FCostObjID, I.FIsAllOnline")
      .line("ORDER BY E.FDeptID,FItemID,E.FBatchNo,FCostObjID,FIsAllOnline,FIsDirect Desc,E.FID,E.FEntryID")
      .line("")
      .line("UPDATE D SET FAvgQuotiety=I.FAmount FROM #DispDetail D")
      .line(
          "  INNER JOIN (SELECT FDeptID, FItemID, FBatchNo, FCostObjID, SUM(FAmount) AS FAmount FROM "
          "#InputData")
      .line("    WHERE FIsAllOnline=1 GROUP BY FDeptID, FItemID, FBatchNo, FCostObjID) I")
      .line(
          "  ON I.FDeptID=D.FDeptID AND I.FItemID=D.FItemID AND I.FBatchNo=D.FBatchNo AND "
          "I.FCostObjID=D.FCostObjID")
      .line("WHERE D.FIsAllOnline=1 AND D.FIsDirect=0")
      .line("")
      .line("UPDATE D SET FAvgQuotiety=D.FAvgQuotiety/S.FSum FROM #DispDetail D")
      .line("  INNER JOIN (SELECT FInterID, FEntryID, SUM(FAvgQuotiety) AS FSum FROM #DispDetail")
      .line(
          "    WHERE FIsAllOnline=1 AND FIsDirect=0 GROUP BY FInterID, FEntryID HAVING SUM(FAvgQuotiety)>0) "
          "S")
      .line("  ON S.FInterID=D.FInterID AND S.FEntryID=D.FEntryID")
      .line("WHERE D.FIsAllOnline=1 AND D.FIsDirect=0")
      .line("")
      .line("UPDATE #DispDetail SET FAvgAmount=FAvgAmount*FAvgQuotiety, FAvgQty=FAvgQty*FAvgQuotiety")
      .line("WHERE FIsAllOnline=1 AND FIsDirect=0")
      .line("");
}

const char* const kAllOnlineInput =
    "INNER JOIN #InputData I ON I.FDeptID=D.FDeptID AND I.FItemID=D.FItemID AND I.FBatchNo=D.FBatchNo AND "
    "I.FCostObjID=D.FCostObjID";

// Puts the difference between each all-online consumer's input of `column`
// and the sum of its rows on its row of the largest FID.
void allOnlineRemainder(frame::SqlScript& sql, const std::string& column) {
  sql.line("UPDATE D SET " + column + "=SUBSTRING(K.FKey, 11, 23) FROM #DispDetail D INNER JOIN (")
      .line("  SELECT MAX(STR(R.FID,10,0)+STR(R." + column + "+G.FDiff,23,10)) AS FKey FROM #DispDetail R")
      .line("  INNER JOIN (SELECT D.FDeptID, D.FItemID, D.FBatchNo, D.FCostObjID, MAX(I." + column +
            ")-SUM(D." + column + ") AS FDiff")
      .line("    FROM #DispDetail D " + std::string(kAllOnlineInput))
      .line(
          "    WHERE D.FIsAllOnline=1 AND I.FIsAllOnline=1 GROUP BY D.FDeptID, D.FItemID, D.FBatchNo, "
          "D.FCostObjID")
      .line("    HAVING MAX(I." + column + ")<>SUM(D." + column + ")) G")
      .line(
          "  ON G.FDeptID=R.FDeptID AND G.FItemID=R.FItemID AND G.FBatchNo=R.FBatchNo AND "
          "G.FCostObjID=R.FCostObjID")
      .line("  WHERE R.FIsAllOnline=1 GROUP BY R.FDeptID, R.FItemID, R.FBatchNo, R.FCostObjID) K")
      .line("ON D.FID=SUBSTRING(K.FKey, 1, 10)")
      .line("");
}

// The other value of a row from the average input price `price`: the
// quantity by amount (0 at price 0), the amount by quantity.
std::string derivedValue(const CheckColumns& k, const char* row, const char* price) {
  const std::string r(row), p(price);
  if (k.byAmount)
    return "FQty=CASE WHEN " + p + "<>0 THEN ROUND(" + r + ".FAmount/" + p +
           ", ISNULL(T.FQtyDecimal,4)) ELSE 0 END";
  return "FAmount=ROUND(" + r + ".FQty*" + p + ", 2)";
}

// The all-online consumers take their claims in FID order until their input
// is used up, the last row taking what is left; the line's other rows give up
// what they took.
void cutAllOnline(frame::SqlScript& sql, const CheckColumns& k) {
  const std::string& c = k.drive;
  const std::string& a = k.share;
  const std::string left = "I." + c + "-D.FCalData+D." + a;
  sql.line("-- 扣除全部为在产的部分")
      .line("DECLARE @CalData DECIMAL(23,10)  ")
      .line("DECLARE @DeptID int, @FItemID int, @BatchNo nvarchar(255), @CostObjID int ")
      .line("SELECT @CalData = 0, @DeptID = 0, @FItemID = 0, @BatchNo = '', @CostObjID = 0")
      .line(
          "UPDATE #DispDetail SET @CalData = FCalData = CASE WHEN @DeptID <> FDeptID OR @FItemID <> FItemID")
      .line("    OR @BatchNo <> FBatchNo OR @CostObjID <> FCostObjID THEN " + a + " ELSE @CalData + " + a +
            " END,")
      .line("  @DeptID = FDeptID, @FItemID = FItemID, @BatchNo = FBatchNo, @CostObjID = FCostObjID")
      .line("WHERE FIsAllOnline = 1")
      .line("")
      .line("UPDATE D SET " + c + "=CASE WHEN " + left + ">D." + a + " THEN D." + a + " WHEN " + left +
            "<0 THEN 0 ELSE " + left + " END")
      .line("FROM #DispDetail D " + std::string(kAllOnlineInput))
      .line("WHERE D.FIsAllOnline=1 AND I.FIsAllOnline=1")
      .line("");
  allOnlineRemainder(sql, c);
  sql.line("UPDATE D SET FPrice=I.FPrice, " + derivedValue(k, "D", "I.FPrice"))
      .line("FROM #DispDetail D " + std::string(kAllOnlineInput) +
            " LEFT JOIN t_ICItem T ON T.FItemID=D.FItemID")
      .line("WHERE D.FIsAllOnline=1 AND I.FIsAllOnline=1")
      .line("");
  allOnlineRemainder(sql, k.derived);
  sql.line("--扣除全部为在产品的部分")
      .line("UPDATE D SET FQty=CASE WHEN D.FQty-S.FQty<0 THEN 0 ELSE D.FQty-S.FQty END,")
      .line(
          "  FAmount=CASE WHEN D.FAmount-S.FAmount<0 THEN 0 ELSE D.FAmount-S.FAmount END FROM #DispDetail D")
      .line(
          "  INNER JOIN (SELECT FInterID, FEntryID, SUM(FQty) AS FQty, SUM(FAmount) AS FAmount FROM "
          "#DispDetail")
      .line(
          "    WHERE FIsAllOnline=1 GROUP BY FInterID, FEntryID) S ON S.FInterID=D.FInterID AND "
          "S.FEntryID=D.FEntryID")
      .line("WHERE D.FIsAllOnline=0")
      .line("");
}

const char* const kWrittenLines =
    "FROM CBOnlineMaterielDispInfo O INNER JOIN #ToDispData L ON L.FInterID=O.FInterID AND "
    "L.FEntryID=O.FEntryID";

// Weights and the shares of the consumers that are not all-online (a
// weight, the input's part by the work in process over completed plus in
// process, 0 where that is negative, and each share, the line times its
// weight over the line's weights, exact to their places), then the rows
// written: the period's rows of the lines distributed are replaced, so that a
// repeated call leaves the same rows and the calls of other levels keep
// theirs.  The replacement, the rounding and the cost items are one
// transaction that any error takes back whole.  `sql`, the steps before, is
// sent first; a weight or a share that the work table's columns (23 digits,
// 10 of them places) do not hold is refused naming its line before any row
// is written.
void weightsAndRows(ado::Connection& db, std::string_view language, frame::SqlScript& sql, int32_t year,
                    int32_t period) {
  sql.send(db);
  const std::string negative = "SIGN(FInputQty)*SIGN(FOnlineQty)*SIGN(FCompleteQty+FOnlineQty)<0";
  const std::string line = "D.FInterID,D.FEntryID,M.FBillNo";
  const std::string bill = " LEFT JOIN CBProductMatWip M ON M.FID=D.FInterID";
  const std::string shared = " WHERE D.FIsDirect=0 AND D.FIsAllOnline=0";
  const std::string weighed = " AND D.FCompleteQty+D.FOnlineQty<>0 AND NOT " + negative;
  const engine::PartTerms weight{"D.FInputQty", "D.FOnlineQty", "D.FCompleteQty+D.FOnlineQty", "10"};
  // Only a row with a quantity below 0 or an input near 1E13 may leave the
  // common range: a few comparisons pass over the rest.
  const engine::PartRange weighing = engine::checkParts(
      db, language, line, " FROM #DispDetail D" + bill + shared + weighed, {weight}, kWorkDigits,
      "SELECT TOP 1 1 FROM #DispDetail D" + shared +
          " AND (D.FCompleteQty<0 OR D.FOnlineQty<0 OR D.FInputQty>=" + kNearWorkColumn +
          " OR D.FInputQty<=-" + kNearWorkColumn + ")" + weighed + " AND " +
          engine::outsideCommonRange(weight.whole, weight.weight, weight.total, kWorkDigits));
  sql.line("--权重")
      .line("UPDATE #DispDetail SET FStandardData=CASE WHEN FIsAllOnline=1 OR FCompleteQty+FOnlineQty=0 OR " +
            negative + " THEN 0")
      .line("  ELSE " +
            engine::weighedPart("FInputQty", "FOnlineQty", "FCompleteQty+FOnlineQty", "10", weighing) +
            " END WHERE FIsDirect=0")
      .line("UPDATE #DispDetail SET FStandardData=0 WHERE FStandardData<0")
      .line("");
  sql.send(db);
  const std::string joins =
      " FROM #DispDetail D LEFT JOIN (SELECT FInterID, FEntryID, SUM(FStandardData) AS FSum FROM "
      "#DispDetail\r\n"
      "    GROUP BY FInterID, FEntryID) S ON S.FInterID=D.FInterID AND S.FEntryID=D.FEntryID\r\n"
      "  LEFT JOIN t_ICItem T ON T.FItemID=D.FItemID";
  const std::string where = " WHERE D.FIsAllOnline=0";
  const std::vector<engine::PartTerms> shares{
      {"D.FQty", "D.FStandardData", "ISNULL(S.FSum,0)", "ISNULL(T.FQtyDecimal,4)"},
      {"D.FAmount", "D.FStandardData", "ISNULL(S.FSum,0)", "2"}};
  // The weights are 0 or more, so none outweighs its line's, and below
  // 1E13, so that a line's total stays below 8E18 while it has fewer rows
  // than there are consumers' inputs, below 799,999; the lines' quantities and
  // amounts decide the rest.
  const engine::PartRange sharing = engine::checkParts(
      db, language, line, joins + bill + where, shares, kWorkDigits,
      "SELECT 1 WHERE EXISTS (SELECT 1 FROM #DispDetail WHERE FStandardData<0 OR FQty>=" +
          std::string(kNearWorkColumn) + " OR FQty<=-" + kNearWorkColumn + " OR FAmount>=" + kNearWorkColumn +
          " OR FAmount<=-" + kNearWorkColumn + ") OR\r\n (SELECT COUNT(*) FROM #InputData)>=799999");
  sql.line(
         "UPDATE D SET FQty=" +
         engine::weighedPart(shares[0].whole, shares[0].weight, shares[0].total, shares[0].places, sharing) +
         ",")
      .line("  FAmount=" + engine::weighedPart(shares[1].whole, shares[1].weight, shares[1].total,
                                               shares[1].places, sharing))
      .line(joins + where)
      .line("")
      .line("SET XACT_ABORT ON")
      .line("BEGIN TRAN")
      .line("DELETE O " + std::string(kWrittenLines))
      .line("WHERE " + yearAndPeriod("O", year, period))
      .line(
          "INSERT INTO CBOnlineMaterielDispInfo (FYear, FPeriod, FDeptID, FCostObjID, FInterID, FEntryID, "
          "FCostItemID, FItemID, FBatchNo, FStandardData, FQty, FAmount, FPrice)")
      .line("SELECT " + sqlNumber(year) + ", " + sqlNumber(period) +
            ", D.FDeptID, D.FCostObjID, D.FInterID, D.FEntryID, 0, D.FItemID, D.FBatchNo, D.FStandardData, "
            "D.FQty, D.FAmount, D.FPrice")
      .line("FROM #DispDetail D WHERE (D.FStandardData <> 0 OR FIsAllOnline = 1) ORDER BY D.FID")
      .line("");
}

// Each shared line's rounding difference to its row of the largest weight,
// then the largest adjusted value, then the largest FID (compared as the
// text of the three); then the other value of the rows of consumers that are
// not all-online from their average input price.
void adjustDiff(frame::SqlScript& sql, int32_t year, int32_t period, const CheckColumns& k) {
  const std::string& d = k.drive;
  const std::string written = yearAndPeriod("O", year, period);
  sql.line("UPDATE O SET " + d + "=SUBSTRING(K.FKey, 24, 23) FROM CBOnlineMaterielDispInfo O INNER JOIN (")
      .line("  SELECT MAX(STR(R.FStandardData,23,10)+STR(R." + d + "+G.FDiff,23,10)+STR(R.FID,10,0)) AS FKey")
      .line("  FROM CBOnlineMaterielDispInfo R INNER JOIN (")
      .line("    SELECT L.FInterID, L.FEntryID, A.FSum-B.FSum AS FDiff FROM #ToDispData L")
      .line("    INNER JOIN (SELECT FID, FEntryID, SUM(" + d +
            ") AS FSum FROM CBProductMatWipEntry GROUP BY FID, FEntryID) A")
      .line("      ON A.FID=L.FInterID AND A.FEntryID=L.FEntryID")
      .line("    INNER JOIN (SELECT W.FInterID, W.FEntryID, SUM(W." + d +
            ") AS FSum FROM CBOnlineMaterielDispInfo W")
      .line("      WHERE " + yearAndPeriod("W", year, period) + " GROUP BY W.FInterID, W.FEntryID) B")
      .line("      ON B.FInterID=L.FInterID AND B.FEntryID=L.FEntryID")
      .line(
          "    WHERE L.FIsDirect=0 AND A.FSum-B.FSum<>0) G ON G.FInterID=R.FInterID AND "
          "G.FEntryID=R.FEntryID")
      .line("  WHERE " + yearAndPeriod("R", year, period) + " AND R.FStandardData<>0 AND R." + d + "<>0")
      .line("  GROUP BY R.FInterID, R.FEntryID) K")
      .line("ON O.FID=SUBSTRING(K.FKey, 47, 10)")
      .line("")
      .line("UPDATE O SET FPrice=I.FPrice, " + derivedValue(k, "O", "I.FPrice"))
      .line(std::string(kWrittenLines))
      .line(
          "  INNER JOIN #InputData I ON I.FDeptID=O.FDeptID AND I.FItemID=O.FItemID AND "
          "I.FBatchNo=O.FBatchNo "
          "AND I.FCostObjID=O.FCostObjID")
      .line("  LEFT JOIN t_ICItem T ON T.FItemID=O.FItemID")
      .line("WHERE " + written + " AND I.FIsAllOnline=0")
      .line("");
}

// The line's own cost item, else the material's, else the first material cost
// item by number (0 when there is none).
void costItems(frame::SqlScript& sql, int32_t year, int32_t period) {
  const std::string written = yearAndPeriod("O", year, period);
  sql.line("UPDATE O SET FCostItemID=E.FCostItemID " + std::string(kWrittenLines))
      .line("  INNER JOIN CBProductMatWipEntry E ON E.FID=O.FInterID AND E.FEntryID=O.FEntryID")
      .line("WHERE " + written + " AND E.FCostItemID<>0")
      .line("")
      .line("UPDATE O SET FCostItemID=T.FCostProject " + std::string(kWrittenLines))
      .line("  INNER JOIN t_ICItem T ON T.FItemID=O.FItemID")
      .line("WHERE " + written + " AND O.FCostItemID=0")
      .line("")
      .line(std::string(
                "UPDATE O SET FCostItemID=ISNULL((SELECT TOP 1 FItemID FROM cbCostItem WHERE FTypeID=") +
            codes::kMaterialCostItem + " ORDER BY FNumber),0) " + std::string(kWrittenLines))
      .line("WHERE " + written + " AND O.FCostItemID=0")
      .line("");
}

}  // namespace

void dispOnlineMateriel(frame::Call& call, int32_t year, int32_t period, int32_t level) {
  const frame::PeriodWindow w =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsDate);
  ado::Connection& db = call.connection();
  const bool needed = isNeedToDisp(db, year, period);
  const CheckColumns k(
      frame::getSystemProfile(call.dataSource(), "MaterielWIPCheckType", "CB", com::Variant(int32_t{0}))
          .toLong());
  if (!needed) return;

  frame::SqlScript sql;
  sql.line("SET NOCOUNT ON ");
  tempTables(sql);
  products(sql, frame::sqlDate(w.begin), frame::sqlDate(w.next));
  linesToDistribute(sql, year, period, level, k);
  inputData(sql, year, period);
  materielDirectDisp(sql);
  materielShareDisp(sql);
  cutAllOnline(sql, k);
  weightsAndRows(db, call.language(), sql, year, period);
  adjustDiff(sql, year, period, k);
  costItems(sql, year, period);
  sql.line("COMMIT TRAN").line("SET XACT_ABORT OFF").line("");
  sql.line("--删除临时表 ");
  for (const char* t : {"#Product", "#ToDispData", "#ToDisp", "#InputData", "#DispDetail"})
    sql.line(std::string("DROP TABLE ") + t + " ");
  sql.line("");
  sql.send(db);
}

}  // namespace mls::distribution::writers
