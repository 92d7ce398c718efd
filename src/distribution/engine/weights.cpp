#include "distribution/engine/weights.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/period_window.h"
#include "frame/records.h"
#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"
#include "platform/com/decimal.h"
#include "platform/com/error.h"
#include "platform/common/ascii_text.h"
#include "platform/halvern/dictionary.h"
#include "standards/bom_usage.h"
#include "standards/complex_formula.h"
#include "standards/material_quota_sql.h"
#include "standards/standard_definition.h"
#include "standards/standard_qty_sql.h"
#include "standards/text_scope.h"

namespace mls::distribution::engine {
namespace {

using frame::langText;
using frame::sqlNumber;
using frame::textOf;
using standards::ComplexFormula;
using standards::StandardUnit;

constexpr const char* kNoWasteStandard = "没有设定废品共耗材料的分配标准或指定的分配标准不存在!";
constexpr const char* kNoDepartment = "指定的部门不存在";
constexpr const char* kNoMaterial = "指定的物料不存在";
constexpr const char* kDeptPrefix = "分配部门:";
constexpr const char* kGroupWord = "成本对象组";
constexpr const char* kMaterialOpen = "]的材料费用(";
constexpr const char* kMaterialClose = "])时出错，";
constexpr const char* kDeptExpense = "]的材料费用时出错，";
constexpr const char* kNoProduction = "部门没有可供分配的投产成本对象";
constexpr const char* kNoWasteOutput = "部门的成本对象没有可修复废品产量";
constexpr const char* kZeroOrNoBom = "没有可供分配的投产成本对象或物料在Bom中没有引用";
constexpr const char* kZeroStandard = "分配标准值为零";
constexpr const char* kQuotaZeroGroup = "分配部门:%1 成本对象组 %2 的材料费用时出错,分配标准值为零";
constexpr const char* kQuotaZero = "分配部门:%1 的材料费用时出错,分配标准值为零";
constexpr const char* kBomUnitByDept = "复合标准%1的BOM用量需按物料分配!";
constexpr const char* kNoCostBomTable = "复合标准%1的BOM用量需要成本BOM临时表!";
constexpr const char* kErrNoICMO = "部门[%1]单据[%2]分配时没有符合条件的生产任务单，无法进行费用分配!";
constexpr const char* kErrNoPPBOMMat = "部门[%1]的材料费用[%2]分配时出错，物料在投料单中没有被引用!";
constexpr const char* kErrNoChkPPBOM = "成本对象[%1]的生产任务单没有已审核的投料单!";

com::Variant args(std::vector<std::string> values) {
  std::vector<com::Variant> v(values.begin(), values.end());
  return com::Variant(com::SafeArray::vector(v));
}

struct Standard {
  std::string code;
  std::string name;
  bool complex = false;
  std::string formula;
};

struct Named {
  std::string number;
  std::string name;
};

enum class Scope { ByMaterial, ByDepartment };

class WeightBuilder {
 public:
  WeightBuilder(ado::Connection& db, const WeightRequest& r, Scope scope)
      : db_(db), r_(r), scope_(scope), normal_(r.purpose == Purpose::Normal) {}

  void run() {
    const Standard s = readStandard();
    standardName_ = s.name;
    quota_ =
        scope_ == Scope::ByDepartment && normal_ && standards::isMaterialQuotaStandard(s.code, s.formula);
    frame::dropTempTable(db_, "#OnlineCostObj");
    std::optional<ComplexFormula> formula;
    if (s.complex) formula = ComplexFormula::load(db_, s.formula, {s.name, r_.language});
    createTable(formula ? formula->columnDefinitions() : std::string());
    insertReceivers();
    // By material the service is given no code; by department the normal use
    // passes the standard's own (its quota form), the waste use none.
    const std::string code = scope_ == Scope::ByDepartment && normal_ ? s.code : std::string();
    if (formula) {
      for (const StandardUnit& u : formula->units())
        fillUnit(*formula, u, code);
      formula->apply(db_);
    } else {
      runText(standards::buildStandardQtySql(0, r_.standardID, r_.year, r_.period, r_.begin, r_.next, "FQty",
                                             false, {}, code, -1),
              formula);
    }
    if (quota_) {
      quotaShares();
    } else if (const com::Decimal total = sum(""); !total.isZero()) {
      db_.execute("Update #OnlineCostObj Set FQuotiety=FQty/" + sqlNumber(total));
    }
    if (count() == 0) raiseNoReceiver();
    if (quota_) {
      if (sum(" WHERE FChk=0").isZero()) raiseZero();
      diagnostics();
    } else {
      const com::Decimal total = sum("");
      if (total.isZero()) raiseZero();
      db_.execute(" Delete FROM #OnlineCostObj WHERE FQty=0 \r\nUpdate #OnlineCostObj Set FQuotiety=FQty/" +
                  sqlNumber(total));
    }
  }

 private:
  Standard readStandard() {
    const std::string lang = ascii::lowerCase(r_.language);
    const char* name = lang == "en" ? "FName_en AS FName" : lang == "cht" ? "FName_cht AS FName" : "FName";
    com::Ref<ado::Recordset> rs =
        db_.execute("SELECT  FNum,FID," + std::string(name) +
                    ",FComPlex,FFormula \r\n FROM  cb_bmStandard  WHERE FNum=" + sqlNumber(r_.standardID));
    if (rs->eof()) {
      if (!normal_ && scope_ == Scope::ByDepartment)
        standards::raiseStandardError(langText(kNoWasteStandard, r_.language));
      const std::optional<Named> dept = department();
      if (!dept) com::raise(com::err::kInvalidCall, {}, langText(kNoDepartment, r_.language));
      standards::raiseStandardError(frame::langTextFormat(r_.language, standards::kNoDepartmentStandard,
                                                          args({dept->number + " " + dept->name})));
    }
    Standard s;
    s.code = textOf(rs->value(1));
    s.name = textOf(rs->value(2));
    s.complex = !rs->value(3).isNull() && rs->value(3).toLong() == 1;
    s.formula = textOf(rs->value(4));
    return s;
  }

  std::optional<Named> lookUp(const std::string& sql) {
    com::Ref<ado::Recordset> rs = db_.execute(sql);
    if (rs->eof()) return std::nullopt;
    return Named{textOf(rs->value(0)), textOf(rs->value(1))};
  }
  std::optional<Named> department() {
    return lookUp("SELECT FNumber,FName  FROM  t_Department WHERE  FItemID= " + sqlNumber(r_.deptID));
  }
  std::optional<Named> material() {
    return lookUp("SELECT FNumber,FName  FROM  t_ICItem WHERE  FItemID= " + sqlNumber(r_.itemID));
  }
  // The group's trimmed number, "" without one.
  std::string groupNumber() {
    if (r_.groupID == 0) return {};
    const std::optional<Named> g =
        lookUp("select FNumber,FName from cbcostobjgroup where FItemID =  " + sqlNumber(r_.groupID));
    if (!g) return {};
    std::string n = g->number;
    n.erase(0, n.find_first_not_of(' '));
    n.erase(n.find_last_not_of(' ') + 1);
    return n;
  }

  void createTable(const std::string& unitColumns) {
    std::string sql = "CREATE TABLE #OnlineCostObj (\r\n";
    if (quota_) sql += "  FItemID int,\r\n";
    sql += "  FCostObjID int,\r\n  FDeptID int,\r\n  FCostItemID int NOT NULL DEFAULT(0),\r\n";
    if (quota_) sql += "  FChk smallint NOT NULL DEFAULT(0),\r\n";
    sql += unitColumns +
           "  FQty Decimal(28,10) NOT NULL DEFAULT(0),\r\n  FQuotiety Decimal(28,10) NOT NULL DEFAULT(0))\r\n"
           "CREATE NONCLUSTERED INDEX IX_OnlineCostObj_FCostObjID ON #OnlineCostObj(FCostObjID)\r\n";
    db_.execute(sql);
  }

  std::string receivers() {
    const std::string dept = sqlNumber(r_.deptID);
    std::string where;
    if (normal_) {
      where =
          standards::inProduction("a.FItemID", r_.deptID, r_.year, r_.period, scope_ == Scope::ByMaterial);
    } else {
      where = "a.FItemID IN (SELECT FCostObjID FROM CBWasterCostObjInfo WHERE FWasterTypeID=0 AND FDeptID=" +
              dept + " AND FYear=" + sqlNumber(r_.year) + " AND FPeriod=" + sqlNumber(r_.period) + ")";
    }
    if (r_.groupID >= 1) {
      where += "\r\n AND a.FItemID IN (SELECT FCostObjID FROM CB_CostObjGroup_Detail WHERE FCostObjGroupID=" +
               sqlNumber(r_.groupID) + ")";
    }
    return "SELECT a.FItemID," + dept + " AS FDeptID FROM cbCostObj a WHERE " + where;
  }

  void insertReceivers() {
    if (quota_) {
      db_.execute(
          "INSERT INTO #OnlineCostObj (FItemID,FCostObjID,FDeptID)\r\n SELECT "
          "R.FItemID,O.FItemID,O.FDeptID\r\n"
          " FROM (SELECT DISTINCT FItemID FROM  #Result) R FULL OUTER JOIN ( " +
          receivers() + " ) O ON 1=1 ORDER BY R.FItemID ");
    } else {
      db_.execute("INSERT INTO #OnlineCostObj (FCostObjID,FDeptID)\r\n " + receivers());
    }
  }

  void runText(const std::string& text, const std::optional<ComplexFormula>& formula) {
    // A kind the standard services do not know yields no text: the formula
    // names a unit this standard cannot weigh.
    if (text.empty()) {
      if (formula) formula->raiseWrongFormula();
      return;
    }
    db_.execute(text);
  }

  void fillUnit(const ComplexFormula& formula, const StandardUnit& u, const std::string& code) {
    if (u.kind != standards::kBomUsageKind) {
      runText(standards::buildStandardQtySql(u.kind, u.standardID, r_.year, r_.period, r_.begin, r_.next,
                                             u.column, false, {}, code, -1),
              formula);
      return;
    }
    // The BOM usage is the usage of one material: the department's weights
    // have none to walk for.
    if (scope_ == Scope::ByDepartment) standards::raiseStandardError(bomUnitText(kBomUnitByDept));
    if (!isCostBomTableName(r_.costBomTable)) standards::raiseStandardError(bomUnitText(kNoCostBomTable));
    const auto validity = standards::bomValidity(db_, r_.props, r_.year, r_.period, false);
    standards::asBomError(r_.language, [&] {
      standards::walkBomUsage(db_, r_.itemID, validity, r_.costBomTable, r_.language);
    });
    db_.execute("Update  t1 SET  t1." + u.column + "= t2.FQty  FROM #OnlineCostObj t1 Inner join " +
                r_.costBomTable + " t2 On t1.FCostObjID=t2.FCostObjID And t2.FQty<>0 ");
  }

  std::string bomUnitText(const char* text) {
    return frame::langTextFormat(r_.language, text, args({standardName_}));
  }

  int32_t count() {
    com::Ref<ado::Recordset> rs = db_.execute("SELECT Count(*) FROM #OnlineCostObj");
    return rs->value(0).toLong();
  }
  com::Decimal sum(const std::string& where) {
    com::Ref<ado::Recordset> rs = db_.execute("SELECT isNull(SUM(FQty),0) FROM #OnlineCostObj" + where);
    return rs->value(0).toDecimal();
  }

  // Each material's rows share its total; the rows of a material whose total
  // is zero are told why: no live order (1), the material not on the order's
  // issue lists (2), not on an audited one (3).
  void quotaShares() {
    const standards::TextScope scope =
        standards::makeTextScope(r_.year, r_.period, r_.begin, r_.next, "FChk");
    const std::string live = standards::liveOrderCondition(scope);
    const std::string zero =
        " AND t.FItemID IN (SELECT FItemID FROM #OnlineCostObj GROUP BY FItemID HAVING SUM(FQty)=0)";
    auto lacking = [&](int code, const char* audited) {
      return "UPDATE t SET FChk=" + sqlNumber(code) + " FROM #OnlineCostObj t WHERE t.FChk=0" + zero +
             " AND EXISTS (\r\n SELECT 1 FROM ICMO i LEFT JOIN PPBOM b ON b.FICMOInterID=i.FInterID" +
             audited +
             "\r\n LEFT JOIN PPBOMEntry e ON e.FInterID=b.FInterID AND e.FItemID=t.FItemID\r\n"
             " WHERE i.FCostObjID=t.FCostObjID AND " +
             live + " AND e.FInterID IS NULL)\r\n";
    };
    db_.execute(
        " UPDATE O SET  FQuotiety = O.FQty/S.FItemSumQty FROM #OnlineCostObj O INNER JOIN\r\n"
        " (SELECT FItemID,SUM(FQty) AS FItemSumQty     FROM #OnlineCostObj GROUP BY FItemID HAVING "
        "SUM(FQty)<>0) S\r\n ON S.FItemID=O.FItemID\r\n"
        "UPDATE t SET FChk=1 FROM #OnlineCostObj t WHERE 1=1" +
        zero + " AND NOT EXISTS (\r\n SELECT 1 FROM ICMO i WHERE i.FCostObjID=t.FCostObjID AND " + live +
        ")\r\n" + lacking(2, "") + lacking(3, " AND b.FStatus>0"));
  }

  // The material (by material only) and the department an error names; 5
  // when either does not exist.
  struct Subject {
    std::optional<Named> item;
    Named dept;
  };
  Subject subject() {
    Subject s;
    if (scope_ == Scope::ByMaterial) {
      s.item = material();
      if (!s.item) com::raise(com::err::kInvalidCall, {}, langText(kNoMaterial, r_.language));
    }
    const std::optional<Named> dept = department();
    if (!dept) com::raise(com::err::kInvalidCall, {}, langText(kNoDepartment, r_.language));
    s.dept = *dept;
    return s;
  }

  [[noreturn]] void raiseNoReceiver() {
    const std::string& lang = r_.language;
    const auto [item, dept] = subject();
    const char* reason = normal_ ? kNoProduction : kNoWasteOutput;
    std::string text = langText(kDeptPrefix, lang) + dept.name + "[" + dept.number;
    if (item)
      text +=
          langText(kMaterialOpen, lang) + item->name + "[" + item->number + langText(kMaterialClose, lang);
    else
      text += langText(kDeptExpense, lang);
    com::raise(com::err::kInvalidCall, {}, text + "\r\n" + langText(reason, lang));
  }

  [[noreturn]] void raiseZero() {
    const std::string& lang = r_.language;
    const auto [item, dept] = subject();
    const std::string group = groupNumber();
    const std::string deptText = dept.name + "[" + dept.number;
    if (quota_) {
      const std::string text =
          group.empty()
              ? frame::langTextFormat(lang, kQuotaZero, args({deptText + "]"}))
              : frame::langTextFormat(lang, kQuotaZeroGroup, args({deptText + "]", "[" + group + "]"}));
      com::raise(com::err::kInvalidCall, {}, text + "\r\n");
    }
    std::string text = langText(kDeptPrefix, lang) + deptText;
    if (!group.empty()) text += "]" + langText(kGroupWord, lang) + "[" + group;
    if (item) {
      text += langText(kMaterialOpen, lang) + item->name + "[" + item->number +
              langText(kMaterialClose, lang) + "\r\n" + langText(kZeroOrNoBom, lang);
    } else {
      text += langText(kDeptExpense, lang) + "\r\n" + langText(kZeroStandard, lang);
    }
    com::raise(com::err::kInvalidCall, {}, text);
  }

  // The quota diagnostics, into the caller's dictionary when it gave one.
  void diagnostics() {
    halvern::Dictionary* info = nullptr;
    if (r_.errInfo.kind() == com::VarKind::Object && r_.errInfo.toObject())
      info = dynamic_cast<halvern::Dictionary*>(r_.errInfo.toObject().get());
    if (!info) return;
    const std::string& lang = r_.language;
    com::Ref<ado::Recordset> bills = db_.execute(
        "SELECT DISTINCT D.FNumber AS FDeptNumber,D.FName AS FDeptName,S.FBillNo,S.FInterID\r\n"
        " FROM #OnlineCostObj C INNER JOIN t_Department D ON D.FItemID=C.FDeptID\r\n"
        " INNER JOIN #Result R ON R.FItemID=C.FItemID INNER JOIN ICStockBill S ON S.FInterID=R.FInterID\r\n"
        " WHERE C.FChk=1 ORDER BY FDeptNumber,S.FInterID");
    std::string deptText, list;
    for (; !bills->eof(); bills->moveNext()) {
      deptText = textOf(bills->value(0)) + "(" + textOf(bills->value(1)) + ")";
      list += textOf(bills->value(2)) + ",";
    }
    if (!list.empty()) {
      list.pop_back();
      info->setItem("Err_NoICMO",
                    com::Variant(frame::langTextFormat(lang, kErrNoICMO, args({deptText, list}))));
    }
    com::Ref<ado::Recordset> mats = db_.execute(
        "SELECT DISTINCT C.FChk,D.FNumber AS FDeptNumber,D.FName AS FDeptName,I.FNumber AS FMaterNumber,"
        "I.FName AS FMaterName\r\n FROM #OnlineCostObj C INNER JOIN t_Department D ON D.FItemID=C.FDeptID\r\n"
        " INNER JOIN t_ICItem I ON I.FItemID=C.FItemID WHERE C.FChk=2 ORDER BY FMaterNumber");
    deptText.clear();
    list.clear();
    for (; !mats->eof(); mats->moveNext()) {
      deptText = textOf(mats->value(1)) + "(" + textOf(mats->value(2)) + ")";
      list += (list.empty() ? "" : ",") + textOf(mats->value(3)) + "(" + textOf(mats->value(4)) + ")";
    }
    if (!list.empty()) {
      info->setItem(
          "Err_NoPPBOMMat",
          com::Variant(frame::langTextFormat(lang, kErrNoPPBOMMat, args({deptText, list})) + "\r\n"));
    }
    com::Ref<ado::Recordset> objects = db_.execute(
        "SELECT DISTINCT O.FNumber AS FCostObjNumber,O.FName AS FCostObjName\r\n"
        " FROM #OnlineCostObj C INNER JOIN CBCostObj O ON O.FItemID=C.FCostObjID WHERE C.FChk=3 ORDER BY "
        "FCostObjNumber");
    list.clear();
    for (; !objects->eof(); objects->moveNext())
      list += (list.empty() ? "" : ",") + textOf(objects->value(0)) + "(" + textOf(objects->value(1)) + ")";
    if (!list.empty())
      info->setItem("Err_NoChkPPBOM",
                    com::Variant(frame::langTextFormat(lang, kErrNoChkPPBOM, args({list})) + "\r\n"));
  }

  ado::Connection& db_;
  const WeightRequest& r_;
  Scope scope_;
  bool normal_;
  bool quota_ = false;
  std::string standardName_;
};

}  // namespace

void buildWeightsByMaterial(ado::Connection& connection, const WeightRequest& request) {
  WeightBuilder(connection, request, Scope::ByMaterial).run();
}

void buildWeightsByDepartment(ado::Connection& connection, const WeightRequest& request) {
  WeightBuilder(connection, request, Scope::ByDepartment).run();
}

bool isQuotaStandard(ado::Connection& connection, int32_t standardID) {
  com::Ref<ado::Recordset> rs =
      connection.execute("SELECT  FID,FFormula FROM  cb_bmStandard  WHERE FNum=" + sqlNumber(standardID));
  if (rs->eof()) return false;
  const std::string code = textOf(rs->value(0));
  const std::string formula = textOf(rs->value(1));
  rs->moveNext();
  if (!rs->eof()) return false;
  return standards::isMaterialQuotaStandard(code, formula);
}

}  // namespace mls::distribution::engine
