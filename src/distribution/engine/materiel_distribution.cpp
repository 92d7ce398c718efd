#include "distribution/engine/materiel_distribution.h"

#include <string>

#include "distribution/engine/issue_lines.h"
#include "distribution/engine/line_rows.h"
#include "distribution/engine/weights.h"
#include "frame/client_filter.h"
#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"
#include "platform/halvern/dictionary.h"

namespace mls::distribution::engine {
namespace {

using frame::sqlNumber;

constexpr const char* kNoCostItem = "成本项目[%1]不存在!";
constexpr const char* kManyCostItems = "成本项目代码[%1]对应多个成本项目!";
constexpr const char* kBadCostBomTable = "成本BOM临时表名[%1]无效!";
constexpr const char* kProducerOnly =
    "分配单据[%1]行号[%2]时出错，物料的生产成本对象是唯一的受益对象，无法分配!";

std::string trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

halvern::Dictionary* dictionaryOf(const com::Variant& v) {
  if (v.kind() != com::VarKind::Object || !v.toObject()) return nullptr;
  return dynamic_cast<halvern::Dictionary*>(v.toObject().get());
}

class Distribution {
 public:
  Distribution(frame::Call& call, const MaterielDistribution& r)
      : call_(call),
        db_(call.connection()),
        r_(r),
        language_(call.language()),
        purpose_(purposeOfType(r.typeID)) {}

  void run() {
    condition_ = frame::clientCondition(call_, r_.sqlFilter, frame::FilterPlace::Appended,
                                        {"u1", "v1", "t4", "t5", "t6", "t100"});
    halvern::Dictionary* filter = dictionaryOf(r_.filter);
    if (!filter) com::raise(com::err::kObjectRequired);
    year_ = filter->item("Year").toLong();
    period_ = filter->item("Period").toLong();
    noDis_ = filter->itemOrDefault("bNoDis", com::Variant(false)).toBool();
    if (!r_.costBomTable.empty() && !isCostBomTableName(r_.costBomTable))
      userError(kBadCostBomTable, {r_.costBomTable});

    const frame::PeriodWindow w =
        frame::getPeriodDateRange(call_.props(), year_, period_, frame::WindowForm::NextAsText);
    begin_ = w.begin;
    next_ = w.next;
    const int32_t style = matCalStyle(db_);
    quota_ = isQuotaStandard(db_, r_.standardID);
    const int32_t forcedCostItem = resolveCostItem();

    selectLines(style);
    com::Ref<ado::Recordset> count = db_.execute("SELECT COUNT(*)As Cnt FROM #Result");
    const bool any = count->value(0).toLong() > 0;
    count->close();
    if (any) {
      buildWeights();
      distribute(forcedCostItem);
    }
    for (const char* t :
         {"#T1", "#T2", "#T3", "#Result", "#MaterielInfo", "#OnlineCostObj", "#OldStdData", "#HaveDisBill"})
      frame::dropTempTable(db_, t);
  }

 private:
  [[noreturn]] void userError(const char* text, std::vector<std::string> values) {
    std::vector<com::Variant> args(values.begin(), values.end());
    com::raise(-1, {}, frame::langTextFormat(language_, text, com::Variant(com::SafeArray::vector(args))));
  }

  // The cost item forced on every new row, resolved before anything changes:
  // 0 when none is asked for.
  int32_t resolveCostItem() {
    if (trimmed(r_.costItem).empty()) return 0;
    com::Ref<ado::Recordset> rs =
        db_.execute("select FItemID from cbCostItem Where FNumber=" + frame::sqlNText(r_.costItem));
    if (rs->eof()) userError(kNoCostItem, {r_.costItem});
    const int32_t id = rs->value(0).toLong();
    rs->moveNext();
    if (!rs->eof()) userError(kManyCostItems, {r_.costItem});
    return id;
  }

  void selectLines(int32_t style) {
    frame::dropTempTable(db_, "#Result");
    std::string sql =
        std::string(
            "CREATE TABLE #Result (FInterID INT not null default 0, FEntryID INT not null default 0,\r\n"
            " FItemID INT not null default 0, FSelfCostObjID int not null default 0,\r\n"
            " FQty Decimal(28,10) not null default 0, FPrice Decimal(28,10) not null default 0, FQtyDecimal "
            "int,\r\n"
            " FCostItemID int not null default 0, FAmount Decimal(28,10) not null default 0)\r\n"
            "CREATE INDEX IX_Result ON #Result(FInterID,FEntryID)\r\n"
            "INSERT INTO #Result "
            "(FInterID,FEntryID,FItemID,FSelfCostObjID,FQtyDecimal,FCostItemID,FQty,FPrice,"
            "FAmount)\r\n"
            " SELECT u1.FInterID,v1.FEntryID,v1.FItemID,ISNULL(t6.FCostObjID,0),\r\n ") +
        qtyPlaces("t4") + ",ISNULL(t4.FCostProject,0),v1.FQty," + valuedPrice(style, "t4") + "," +
        valuedAmount(style, "t4") +
        "\r\n FROM cb_ICStockBill u1 INNER JOIN cb_ICStockBillEntry v1 ON u1.FInterID=v1.FInterID\r\n"
        " INNER JOIN t_ICItem t4 ON v1.FItemID=t4.FItemID\r\n"
        " INNER JOIN t_Department t5 ON u1.FDeptID=t5.FItemID\r\n" +
        producerJoin("t4", "t6") + "\r\n" + groupJoin() + "\r\n WHERE " +
        periodIssueCondition(frame::sqlDate(begin_), frame::sqlDate(next_)) + "\r\n AND " +
        notExcludedCondition() + "\r\n AND " + sharedCondition() +
        "\r\n AND u1.FDeptID=" + sqlNumber(r_.deptID) + "\r\n" + groupCondition(r_.groupID) + "\r\n" +
        purposeCondition(purpose_) + "\r\n";
    if (noDis_) {
      sql += " AND not exists (SELECT 1 FROM " + std::string(rowTable(purpose_)) +
             " d WHERE d.FYear=" + sqlNumber(year_) + " AND d.FPeriod=" + sqlNumber(period_) +
             " AND d.FInterID=u1.FInterID AND d.FEntryID=v1.FEntryID)\r\n";
    }
    // The client's condition ends with a line break, so that a trailing
    // comment in it cannot swallow the material condition.
    sql += condition_;
    if (r_.standardByItem || r_.itemID != 0) sql += "    AND  v1.FItemID= " + sqlNumber(r_.itemID) + "\r\n";
    db_.execute(sql);
  }

  void buildWeights() {
    WeightRequest w;
    w.props = call_.props();
    w.language = language_;
    w.year = year_;
    w.period = period_;
    w.begin = begin_;
    w.next = next_;
    w.deptID = r_.deptID;
    w.standardID = r_.standardID;
    w.itemID = r_.itemID;
    w.groupID = r_.groupID;
    w.costBomTable = r_.costBomTable;
    w.purpose = purpose_;
    w.errInfo = r_.errInfo;
    const bool byMaterial = r_.standardByItem ? r_.formulaByItem : r_.itemID != 0;
    if (byMaterial)
      buildWeightsByMaterial(db_, w);
    else
      buildWeightsByDepartment(db_, w);
  }

  void distribute(int32_t forcedCostItem) {
    frame::dropTempTable(db_, "#MaterielInfo");
    db_.execute(
        "CREATE TABLE #MaterielInfo (FRowID int IDENTITY(1,1), FInterID int not null default 0,\r\n"
        " FEntryID int not null default 0, FCostObjID int, FStdID int, FStandardData Decimal(28,10),\r\n"
        " FQty Decimal(28,10), FAmount decimal(28,2), FCostItemID int)\r\n"
        "CREATE INDEX IX_cbMaterielInfo ON #MaterielInfo(FInterID,FEntryID)\r\n"
        "CREATE NONCLUSTERED INDEX IX_cbMaterielInfo_FCostObjID ON #MaterielInfo(FCostObjID)\r\n" +
        defaultCostItems("#Result"));
    if (noDis_) {
      freshSplit(false);
    } else {
      resplit();
      freshSplit(true);
    }
    remainders();
    std::string purge;
    if (forcedCostItem != 0)
      purge += "UPDATE #MaterielInfo SET FCostItemID=" + sqlNumber(forcedCostItem) + "\r\n";
    purge += "DELETE FROM #MaterielInfo WHERE FStandardData=0 AND FAmount=0 \r\n";
    db_.execute(purge);
    write();
  }

  // Each receiver takes the line's amount and quantity times its weight over
  // the weights of all receivers but the line's own producer (whose share is
  // thus spread over the others), computed before rounding: a share rounded
  // first would lose cents on large amounts.  A producer holding the whole
  // weight leaves nobody to receive.
  void freshSplit(bool skipDistributed) {
    const std::string byItem = quota_ ? " AND t1.FItemID=t2.FItemID" : "";
    const std::string sums =
        quota_ ? "(SELECT FItemID,SUM(FQty) AS FSum FROM #OnlineCostObj GROUP BY FItemID) s "
                 "ON s.FItemID=t1.FItemID"
               : "(SELECT SUM(FQty) AS FSum FROM #OnlineCostObj) s ON 1=1";
    const std::string from =
        " FROM #Result t1 INNER JOIN #OnlineCostObj t2 ON 1=1" + byItem + "\r\n INNER JOIN " + sums +
        "\r\n LEFT JOIN #OnlineCostObj t4 ON t1.FSelfCostObjID=t4.FCostObjID" +
        (quota_ ? " AND t4.FItemID=t1.FItemID" : "") + "\r\n WHERE t1.FSelfCostObjID<>t2.FCostObjID\r\n" +
        (skipDistributed ? " AND Not Exists(SELECT * FROM #HaveDisBill t3 WHERE t1.FInterID=t3.FInterID AND "
                           "t1.FEntryID=t3.FEntryID)\r\n"
                         : "");
    checkProducerShares(skipDistributed);
    const std::string others = "s.FSum-ISNULL(t4.FQty,0)";
    // A receiver's weight and the others' total (the weights but the
    // producer's, which is another receiver's) stay in the common range
    // where no weight is negative and all of them add up to less than 8E18.
    const PartRange range = checkParts(
        db_, language_, "t1.FInterID,t1.FEntryID", from,
        {{"t1.FQty", "t2.FQty", others, "t1.FQtyDecimal"}, {"t1.FAmount", "t2.FQty", others, "2"}}, 18,
        "SELECT 1 WHERE EXISTS (SELECT 1 FROM #OnlineCostObj WHERE FQty<0) OR\r\n"
        " (SELECT ISNULL(SUM(FQty),0) FROM #OnlineCostObj)>=8000000000000000000 OR" +
            wholeNearColumn());
    db_.execute(
        "INSERT INTO #MaterielInfo "
        "(FInterID,FEntryID,FCostObjID,FStdID,FStandardData,FCostItemID,FQty,FAmount)\r\n"
        " SELECT t1.FInterID,t1.FEntryID,t2.FCostObjID," +
        sqlNumber(r_.standardID) + ",t2.FQty,t1.FCostItemID,\r\n " +
        weighedPart("t1.FQty", "t2.FQty", others, "t1.FQtyDecimal", range) + ",\r\n " +
        weighedPart("t1.FAmount", "t2.FQty", others, "2", range) + "\r\n" + from);
  }

  // A condition that holds where a line's quantity or amount is so near
  // 1E18 that a part of it may round to 1E18.
  static std::string wholeNearColumn() {
    return "\r\n EXISTS (SELECT 1 FROM #Result WHERE ABS(FQty)>=999999999999999999.5 OR "
           "ABS(FAmount)>=999999999999999999.5)";
  }

  void checkProducerShares(bool skipDistributed) {
    com::Ref<ado::Recordset> rs = db_.execute(
        "SELECT TOP 1 ISNULL(b.FBillNo,''),t1.FEntryID FROM #Result t1 INNER JOIN #OnlineCostObj t4\r\n"
        " ON t1.FSelfCostObjID=t4.FCostObjID" +
        std::string(quota_ ? " AND t4.FItemID=t1.FItemID" : "") +
        "\r\n LEFT JOIN cb_ICStockBill b ON b.FInterID=t1.FInterID\r\n WHERE t4.FQuotiety=1" +
        (skipDistributed ? " AND Not Exists(SELECT * FROM #HaveDisBill t3 WHERE t1.FInterID=t3.FInterID AND "
                           "t1.FEntryID=t3.FEntryID)"
                         : "") +
        "\r\n ORDER BY t1.FInterID,t1.FEntryID");
    if (!rs->eof()) userError(kProducerOnly, {rs->value(0).toString(), sqlNumber(rs->value(1).toLong())});
  }

  // Lines with rows of the period are split again in the proportions of their
  // saved standard values, each row keeping its cost object, standard, cost
  // item and standard value.  A line whose standard values add up to 0 (a
  // client's save can leave them so) goes by its saved amounts, else by its
  // saved quantities, and its rows keep those as their standard values, so
  // that the next re-split reads the same proportions; a line with none of
  // the three is split afresh by the weights.
  void resplit() {
    const std::string table = rowTable(purpose_);
    const std::string period = " AND d.FYear=" + sqlNumber(year_) + " AND d.FPeriod=" + sqlNumber(period_);
    frame::dropTempTable(db_, "#OldStdData");
    frame::dropTempTable(db_, "#HaveDisBill");
    db_.execute(
        "CREATE TABLE #HaveDisBill (FInterID int, FEntryID int)\r\n"
        "CREATE TABLE #OldStdData (FInterID int, FEntryID int, FStdID int, FCostObjID int,\r\n"
        " FStandardData Decimal(28,10) not null default 0, FCostItemID Int not null default 0,\r\n"
        " FQty Decimal(28,10) not null default 0,\r\n"
        " FAmount Decimal(28,10) not null default 0, FWeight Decimal(28,10) not null default 0,\r\n"
        " FSum Decimal(38,10) not null default 0)\r\n"
        "CREATE INDEX IX_OldStdData ON #OldStdData(FInterID,FEntryID)\r\n"
        "INSERT INTO #HaveDisBill (FInterID,FEntryID) SELECT DISTINCT d.FInterID,d.FEntryID FROM " +
        table + " d INNER JOIN #Result r ON r.FInterID=d.FInterID AND r.FEntryID=d.FEntryID WHERE 1=1" +
        period +
        "\r\n"
        "INSERT INTO #OldStdData "
        "(FInterID,FEntryID,FCostObjID,FStdID,FStandardData,FCostItemID,FQty,FAmount)\r\n"
        " SELECT "
        "d.FInterID,d.FEntryID,d.FCostObjID,d.FStdID,d.FStandardData,d.FCostItemID,ISNULL(d.FQty,0),\r\n"
        " ISNULL(d.FAmount,0) FROM " +
        table + " d INNER JOIN #HaveDisBill h ON h.FInterID=d.FInterID AND h.FEntryID=d.FEntryID WHERE 1=1" +
        period +
        "\r\n"
        "UPDATE o SET FWeight=CASE WHEN s.FStd<>0 THEN o.FStandardData WHEN s.FAmt<>0 THEN o.FAmount ELSE "
        "o.FQty END,\r\n"
        " FSum=CASE WHEN s.FStd<>0 THEN s.FStd WHEN s.FAmt<>0 THEN s.FAmt ELSE s.FQty END FROM #OldStdData "
        "o\r\n"
        " INNER JOIN (SELECT FInterID,FEntryID,SUM(FStandardData) AS FStd,SUM(FAmount) AS FAmt,SUM(FQty) AS "
        "FQty\r\n  FROM #OldStdData GROUP BY FInterID,FEntryID) s ON s.FInterID=o.FInterID AND "
        "s.FEntryID=o.FEntryID\r\n"
        "DELETE h FROM #HaveDisBill h WHERE NOT EXISTS (SELECT 1 FROM #OldStdData o WHERE "
        "o.FInterID=h.FInterID AND\r\n o.FEntryID=h.FEntryID AND o.FSum<>0)\r\n");
    const std::string from =
        "\r\n FROM #Result t1 INNER JOIN #OldStdData t2 ON t1.FInterID=t2.FInterID AND "
        "t1.FEntryID=t2.FEntryID WHERE t2.FSum<>0\r\n";
    const PartRange range =
        checkParts(db_, language_, "t1.FInterID,t1.FEntryID", from,
                   {{"t1.FQty", "t2.FWeight", "t2.FSum", "t1.FQtyDecimal"},
                    {"t1.FAmount", "t2.FWeight", "t2.FSum", "2"}},
                   18,
                   "SELECT 1 WHERE EXISTS (SELECT 1 FROM #OldStdData WHERE FSum<>0 AND\r\n"
                   " (ABS(FWeight)>ABS(FSum) OR ABS(FSum)>=8000000000000000000)) OR" +
                       wholeNearColumn());
    db_.execute(
        "INSERT INTO #MaterielInfo "
        "(FInterID,FEntryID,FCostObjID,FStdID,FStandardData,FCostItemID,FQty,FAmount)\r\n"
        " SELECT t1.FInterID,t1.FEntryID,t2.FCostObjID,t2.FStdID,t2.FWeight,t2.FCostItemID,\r\n " +
        weighedPart("t1.FQty", "t2.FWeight", "t2.FSum", "t1.FQtyDecimal", range) + ",\r\n " +
        weighedPart("t1.FAmount", "t2.FWeight", "t2.FSum", "2", range) + from);
  }

  // One row per line takes the line's rounding difference: among the rows of
  // non-zero standard value the largest value, then the largest cost-object
  // id, then the last row made (a cost object holding rows of several cost
  // items takes it once).
  void remainders() {
    db_.execute(
        "SELECT FInterID,FEntryID,CAST(SUBSTRING(max(Str(FStandarddata,23,10) + str(FCostObjID,10,0) + "
        "str(FRowID,10,0)),34,10) as int) AS FRowID\r\n"
        " INTO #T1 FROM #MaterielInfo WHERE FStandarddata<>0 GROUP BY FInterID,FEntryID\r\n"
        "SELECT FInterID,FEntryID,SUM(FAmount) AS FAmount INTO #T2 FROM #MaterielInfo GROUP BY "
        "FInterID,FEntryID\r\n"
        "SELECT FInterID,FEntryID,SUM(FQty) AS FQty INTO #T3 FROM #MaterielInfo GROUP BY "
        "FInterID,FEntryID\r\n"
        "UPDATE m SET FAmount=m.FAmount+(r.FAmount-s.FAmount) FROM #MaterielInfo m\r\n"
        " INNER JOIN #T1 t ON t.FRowID=m.FRowID\r\n"
        " INNER JOIN #T2 s ON s.FInterID=t.FInterID AND s.FEntryID=t.FEntryID\r\n"
        " INNER JOIN #Result r ON r.FInterID=t.FInterID AND r.FEntryID=t.FEntryID WHERE "
        "r.FAmount<>s.FAmount\r\n"
        "UPDATE m SET FQty=m.FQty+(r.FQty-s.FQty) FROM #MaterielInfo m\r\n"
        " INNER JOIN #T1 t ON t.FRowID=m.FRowID\r\n"
        " INNER JOIN #T3 s ON s.FInterID=t.FInterID AND s.FEntryID=t.FEntryID\r\n"
        " INNER JOIN #Result r ON r.FInterID=t.FInterID AND r.FEntryID=t.FEntryID WHERE r.FQty<>s.FQty\r\n");
  }

  // The old rows of the selected lines and the new ones change together.
  void write() {
    const std::string table = rowTable(purpose_);
    inTransaction(db_, [&] {
      if (!noDis_) {
        db_.execute(
            "DELETE d FROM " + table +
            " d INNER JOIN #Result r ON r.FInterID=d.FInterID AND r.FEntryID=d.FEntryID WHERE d.FYear=" +
            sqlNumber(year_) + " AND d.FPeriod=" + sqlNumber(period_));
      }
      db_.execute("INSERT INTO " + table +
                  " (FYear,FPeriod,FCostObjID,FInterID,FEntryID,FStdID,FCostItemID,FStandarddata,FPrice,FQty,"
                  "FAmount)\r\n SELECT " +
                  sqlNumber(year_) + "," + sqlNumber(period_) +
                  ",M.FCostObjID,M.FInterID,M.FEntryID,M.FStdID,M.FCostItemID,M.FStandardData,\r\n"
                  " CASE WHEN M.FQty=0 then 0 ELSE ROUND(Cast(M.FAmount AS DECIMAL(28,10))/M.FQty,"
                  "ISNULL(I.FPriceDecimal, 8)) END,M.FQty,M.FAmount\r\n"
                  " FROM #MaterielInfo M LEFT JOIN ICStockBillEntry E ON E.FInterID=M.FInterID AND "
                  "E.FEntryID=M.FEntryID\r\n LEFT JOIN t_ICItem I ON I.FItemID=E.FItemID");
    });
  }

  frame::Call& call_;
  ado::Connection& db_;
  const MaterielDistribution& r_;
  std::string language_;
  std::string condition_;  // the client's, checked before anything runs
  Purpose purpose_;
  int32_t year_ = 0;
  int32_t period_ = 0;
  bool noDis_ = false;
  bool quota_ = false;
  com::Variant begin_;
  com::Variant next_;
};

}  // namespace

bool autoDisMaterielExp(frame::Call& call, const MaterielDistribution& request) {
  Distribution d(call, request);
  d.run();
  return true;
}

}  // namespace mls::distribution::engine
