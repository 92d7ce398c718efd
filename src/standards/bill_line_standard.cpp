#include "standards/bill_line_standard.h"

#include <algorithm>
#include <optional>
#include <string>

#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/period_window.h"
#include "frame/public_object.h"
#include "frame/records.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/decimal.h"
#include "platform/com/error.h"
#include "platform/common/ascii_text.h"
#include "standards/complex_formula.h"
#include "standards/material_quota_sql.h"
#include "standards/standard_definition.h"
#include "standards/standard_qty_sql.h"
#include "standards/text_scope.h"

namespace mls::standards {
namespace {

using frame::langText;
using frame::sqlNumber;
using frame::textOf;

constexpr const char* kBillPrefix = "分配单据[";
constexpr const char* kLinePrefix = "]行号[";
constexpr const char* kLineSuffix = "]时出错，";
constexpr const char* kNoReceiver = "部门%1没有可供分配的投产成本对象";
constexpr const char* kNoReceiverBom = "部门%1没有可供分配的投产成本对象或单据上物料在Bom中没有引用";
constexpr const char* kNoWasteReceiver = "部门%1没有可参与分配的可修复废品产量";
constexpr const char* kNoWasteReceiverBom = "部门%1没有可参与分配的可修复废品产量或单据上物料在Bom中没有引用";
constexpr const char* kLineNotFound = "找不到单据分录";
constexpr int kUsageRowsPerInsert = 200;

struct Standard {
  std::string code;
  std::string name;
  bool complex = false;
  std::string formula;
};

class BillLineStandard {
 public:
  BillLineStandard(frame::Call& call, IssueUse use, const BillLineRequest& r)
      : call_(call), db_(call.connection()), use_(use), r_(r), language_(call.language()) {}

  com::Ref<ado::Recordset> run() {
    const frame::PeriodWindow w =
        frame::getPeriodDateRange(call_.props(), r_.year, r_.period, frame::WindowForm::NextAsText);
    begin_ = w.begin;
    next_ = w.next;
    const Standard standard = readStandard();
    const bool quota = use_ == IssueUse::Normal && isMaterialQuotaStandard(standard.code, standard.formula);
    frame::dropTempTable(db_, "#OnlineCostObj");
    std::optional<ComplexFormula> formula;
    if (standard.complex)
      formula = ComplexFormula::load(db_, standard.formula, FormulaOwner{standard.name, language_});
    const int32_t item = material(quota);
    createTable(formula ? formula->columnDefinitions() : std::string());
    insertReceivers();

    const std::string code = use_ == IssueUse::Normal ? standard.code : std::string();
    bool bomUsed = false;
    if (formula) {
      for (const StandardUnit& u : formula->units()) {
        if (u.kind == kBomUsageKind) {
          bomUsed = true;
          fillBomUsage(u.column);
        } else {
          runText(buildStandardQtySql(u.kind, u.standardID, r_.year, r_.period, begin_, next_, u.column,
                                      false, {}, code, item));
        }
      }
      formula->apply(db_);
      if (bomUsed) db_.execute("Delete From   #OnlineCostObj WHERE FQty=0");
    } else {
      runText(buildStandardQtySql(0, r_.standardID, r_.year, r_.period, begin_, next_, "FQty", false, {},
                                  code, item));
    }
    if (use_ == IssueUse::Normal && !r_.refresh) applySavedData();
    removeProducer();
    if (use_ == IssueUse::RepairableWaste && !r_.refresh) applySavedData();
    quotients(quota, item);

    com::Ref<ado::Recordset> rs = db_.execute(
        use_ == IssueUse::Normal ? "SELECT FCostObjID,FQty,FQuotiety,FCostItemID,FChk FROM #OnlineCostObj"
                                 : "SELECT FCostObjID,FQty,FQuotiety,FCostItemID FROM #OnlineCostObj");
    rs->setActiveConnection(nullptr);
    db_.execute("Drop Table #OnlineCostObj");
    if (rs->eof()) raiseNoReceiver(bomUsed);
    return rs;
  }

 private:
  Standard readStandard() {
    const std::string lang = ascii::lowerCase(language_);
    const char* select = lang == "en"    ? "SELECT  FNum,FID,FName_EN AS FName,FComPlex,FFormula "
                         : lang == "cht" ? "SELECT  FNum,FID,FName_CHT AS FName,FComPlex,FFormula "
                                         : "SELECT  FNum,FID,FName,FComPlex,FFormula ";
    com::Ref<ado::Recordset> rs =
        db_.execute(std::string(select) + "\r\n FROM  cb_bmStandard  WHERE FNum=" + sqlNumber(r_.standardID));
    if (rs->eof()) raiseNoStandard();
    Standard s;
    s.code = textOf(rs->value(1));
    s.name = textOf(rs->value(2));
    s.complex = !rs->value(3).isNull() && rs->value(3).toLong() == 1;
    s.formula = textOf(rs->value(4));
    rs->close();
    return s;
  }

  [[noreturn]] void raiseNoStandard() {
    com::Ref<ado::Recordset> dept =
        db_.execute("SELECT FNumber As FDeptNumber, FName As FDeptName FROM t_department WHERE FItemID=" +
                    sqlNumber(r_.deptID));
    // A department that does not exist leaves its part of the message empty.
    const std::string text =
        dept->eof() ? std::string() : textOf(dept->value(0)) + " " + textOf(dept->value(1));
    com::Variant args(com::SafeArray::vector({com::Variant(text)}));
    raiseStandardError(frame::langTextFormat(language_, kNoDepartmentStandard, args));
  }

  // The material the texts and diagnostics use: the caller's, else the bill
  // line's (so the material-quota text reads one material instead of a
  // column the working table does not have).
  int32_t material(bool quota) {
    if (r_.itemID != -1) return r_.itemID;
    com::Ref<ado::Recordset> rs =
        db_.execute("SELECT FItemID FROM cb_ICStockBillEntry WHERE FInterID=" + sqlNumber(r_.interID) +
                    " AND FEntryID=" + sqlNumber(r_.entryID));
    if (!rs->eof()) return rs->value(0).toLong();
    if (quota) {
      raiseStandardError(langText(kLineNotFound, language_) + "FInterID=" + sqlNumber(r_.interID) +
                         "  FEntryID=" + sqlNumber(r_.entryID));
    }
    return -1;
  }

  void createTable(const std::string& unitColumns) {
    frame::SqlScript sql;
    sql.line("CREATE TABLE #OnlineCostObj (")
        .line("  FCostObjID int,")
        .line("  FDeptID int,")
        .line("  FCostItemID int NOT NULL DEFAULT(0),");
    if (use_ == IssueUse::Normal) sql.line("  FChk smallint NOT NULL DEFAULT(0),");
    sql.add(unitColumns)
        .line("  FQty Decimal(28,10) NOT NULL DEFAULT(0),")
        .line("  FQuotiety Decimal(28,10) NOT NULL DEFAULT(0))")
        .line("CREATE NONCLUSTERED INDEX IX_OnlineCostObj_FCostObjID ON #OnlineCostObj(FCostObjID)");
    db_.execute(sql.text());
  }

  void insertReceivers() {
    const std::string dept = sqlNumber(r_.deptID);
    if (r_.costObjID != 0) {
      db_.execute("INSERT INTO #OnlineCostObj (FCostObjID,FDeptID) VALUES (" + sqlNumber(r_.costObjID) + "," +
                  dept + ")");
      return;
    }
    frame::SqlScript sql;
    sql.line("INSERT INTO #OnlineCostObj (FCostObjID,FDeptID)")
        .line(" SELECT a.FItemID," + dept + " FROM cbCostObj a");
    if (use_ == IssueUse::Normal) {
      sql.line(" WHERE " + inProduction("a.FItemID", r_.deptID, r_.year, r_.period, false));
    } else {
      sql.line(" WHERE a.FItemID IN (SELECT FCostObjID FROM cbWasterCostObjInfo WHERE FDeptID=" + dept +
               " AND FYear=" + sqlNumber(r_.year) + " AND FPeriod=" + sqlNumber(r_.period) +
               " AND FWasterTypeID=0)");
    }
    if (r_.groupID > 0) {
      sql.line(" AND a.FItemID IN (SELECT FCostObjID FROM CB_CostObjGroup_Detail WHERE FCostObjGroupID=" +
               sqlNumber(r_.groupID) + ")");
    }
    db_.execute(sql.text());
  }

  void runText(const std::string& text) {
    if (!text.empty()) db_.execute(text);
  }

  // The BOM usage of the line's material goes into `column`; receivers
  // without usage leave the table.
  void fillBomUsage(const std::string& column) {
    com::Ref<ado::Recordset> usage =
        getBomCostObjData(call_, use_, r_.year, r_.period, r_.interID, r_.entryID, r_.deptID);
    frame::SqlScript sql;
    sql.line("CREATE TABLE #BomUsage (FCostObjID int NOT NULL, FQty Decimal(28,10) NOT NULL)");
    int rows = 0;
    for (; !usage->eof(); usage->moveNext(), ++rows) {
      sql.add(rows % kUsageRowsPerInsert == 0 ? "INSERT INTO #BomUsage (FCostObjID,FQty) VALUES " : ",")
          .add("(" + sqlNumber(usage->value("FCostObjID").toLong()) + "," +
               sqlNumber(frame::decimalOf(usage->value("FQty"))) + ")");
      if (rows % kUsageRowsPerInsert == kUsageRowsPerInsert - 1) sql.line("");
    }
    sql.line("")
        .line("UPDATE t1 SET t1." + column + "=u.FQty FROM #OnlineCostObj t1")
        .line(" INNER JOIN #BomUsage u ON u.FCostObjID=t1.FCostObjID")
        .line("DROP TABLE #BomUsage")
        .line("Delete From #OnlineCostObj WHERE " + column + "=0");
    db_.execute(sql.text());
  }

  void applySavedData() {
    frame::SqlScript sql;
    sql.line(std::string(" UpDate t1 SET t1.FQty=t2.FStandardData FROM #OnlineCostObj t1 INNER JOIN ") +
             (use_ == IssueUse::Normal ? "cbMaterielInfo" : "cbWMaterielInfo") + " t2")
        .line(" ON t1.FCostObjID=t2.FCostObjID")
        .line(" WHERE t2.FInterID=" + sqlNumber(r_.interID) + " AND t2.FEntryID=" + sqlNumber(r_.entryID))
        .line(" AND t2.FYear=" + sqlNumber(r_.year) + " AND t2.FPeriod=" + sqlNumber(r_.period) +
              " AND t2.FStdID=" + sqlNumber(r_.standardID));
    db_.execute(sql.text());
  }

  // The cost object that makes the issued material: the first, by
  // calculation type descending, that lists the material as a product (of
  // the line's batch when the material is batch-tracked), other than the
  // first that lists it as a by-product.  A material no cost object lists as
  // a by-product excludes nobody.
  void removeProducer() {
    const std::string line =
        "c.FInterID=" + sqlNumber(r_.interID) + " AND c.FEntryID=" + sqlNumber(r_.entryID);
    frame::SqlScript sql;
    sql.line("DECLARE @deputy int, @producer int")
        .line("SELECT TOP 1 @deputy=p.FCostObjID FROM cb_CostObj_Product p")
        .line(" INNER JOIN cb_ICStockBillEntry c ON c.FItemID=p.FProductID")
        .line(" WHERE " + line + " AND p.FIsDeputy=1")
        .line("SELECT TOP 1 @producer=a.FItemID FROM cbCostObj a")
        .line(" INNER JOIN cb_CostObj_Product b ON b.FCostObjID=a.FItemID")
        .line(" INNER JOIN cb_ICStockBillEntry c ON c.FItemID=b.FProductID")
        .line(" INNER JOIN t_ICItem d ON d.FItemID=c.FItemID")
        .line(" WHERE " + line)
        .line(" AND a.FBatchNo=CASE WHEN d.FTrack=" + std::string(frame::codes::kBatchTracked) +
              " THEN c.FBatchNo ELSE '' END")
        .line(" AND (@deputy IS NULL OR b.FCostObjID<>@deputy)")
        .line(" ORDER BY a.FCalculateType DESC")
        .line("IF @producer IS NOT NULL DELETE FROM #OnlineCostObj WHERE FCostObjID=@producer");
    db_.execute(sql.text());
  }

  void quotients(bool quota, int32_t item) {
    com::Ref<ado::Recordset> rs = db_.execute("SELECT isNull(SUM(FQTY),0) FROM #OnlineCostObj");
    const com::Decimal total = rs->value(0).toDecimal();
    rs->close();
    if (!total.isZero()) {
      db_.execute("Update #OnlineCostObj Set FQuotiety=FQty/" + sqlNumber(total));
      return;
    }
    if (!quota) return;
    const TextScope scope = makeTextScope(r_.year, r_.period, begin_, next_, "FChk");
    const std::string live = liveOrderCondition(scope);
    const std::string noLine =
        "NOT EXISTS (SELECT 1 FROM PPBOMEntry e WHERE e.FInterID=b.FInterID AND e.FItemID=" +
        sqlNumber(item) + ")";
    auto lacking = [&](int code, const char* feedLists) {
      return "UPDATE t SET FChk=" + sqlNumber(code) +
             " FROM #OnlineCostObj t WHERE t.FChk=0 AND EXISTS (\r\n" +
             " SELECT 1 FROM ICMO i LEFT JOIN PPBOM b ON b.FICMOInterID=i.FInterID" + feedLists + "\r\n" +
             " WHERE i.FCostObjID=t.FCostObjID AND " + live + " AND " + noLine + ")\r\n";
    };
    frame::SqlScript sql;
    sql.line("UPDATE t SET FChk=1 FROM #OnlineCostObj t WHERE NOT EXISTS (")
        .line(" SELECT 1 FROM ICMO i WHERE i.FCostObjID=t.FCostObjID AND " + live + ")")
        .add(lacking(2, ""))
        .add(lacking(3, " AND b.FStatus>0"));
    db_.execute(sql.text());
  }

  // Raises the no-receiver error when the bill is in the snapshot; without
  // it, the empty result stands.
  void raiseNoReceiver(bool bomUsed) {
    com::Ref<ado::Recordset> bill = db_.execute(
        "SELECT TOP 1 t2.FName,t1.FBillNO FROM cb_ICStockBill t1 inner join t_Department t2 ON "
        "t1.FDeptID=t2.FItemID \r\n WHERE t1.FInterID=" +
        sqlNumber(r_.interID));
    if (bill->eof()) return;
    const char* text = use_ == IssueUse::Normal ? (bomUsed ? kNoReceiverBom : kNoReceiver)
                                                : (bomUsed ? kNoWasteReceiverBom : kNoWasteReceiver);
    com::Variant args(com::SafeArray::vector({com::Variant("[" + textOf(bill->value(0)) + "]")}));
    com::raise(-1, {},
               langText(kBillPrefix, language_) + textOf(bill->value(1)) + langText(kLinePrefix, language_) +
                   sqlNumber(r_.entryID) + langText(kLineSuffix, language_) + "\r\n" +
                   frame::langTextFormat(language_, text, args));
  }

  frame::Call& call_;
  ado::Connection& db_;
  IssueUse use_;
  BillLineRequest r_;
  std::string language_;
  com::Variant begin_;
  com::Variant next_;
};

}  // namespace

com::Ref<ado::Recordset> getBillLineStandardData(frame::Call& call, IssueUse use, const BillLineRequest& r) {
  BillLineStandard standard(call, use, r);
  return standard.run();
}

com::Ref<ado::Recordset> getStandarddata(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                         int32_t costObjID, int32_t standardID, int32_t interID,
                                         int32_t entryID, bool refresh, int32_t groupID, int32_t itemID) {
  return getBillLineStandardData(
      call, IssueUse::Normal,
      {year, period, deptID, costObjID, standardID, interID, entryID, refresh, groupID, itemID});
}

com::Ref<ado::Recordset> getWasteStandarddata(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                              int32_t costObjID, int32_t standardID, int32_t interID,
                                              int32_t entryID, bool refresh, int32_t groupID) {
  return getBillLineStandardData(
      call, IssueUse::RepairableWaste,
      {year, period, deptID, costObjID, standardID, interID, entryID, refresh, groupID, -1});
}

}  // namespace mls::standards
