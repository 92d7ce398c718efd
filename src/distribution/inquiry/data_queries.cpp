#include "distribution/inquiry/data_queries.h"

#include <string>

#include "distribution/engine/client_values.h"
#include "distribution/engine/issue_lines.h"
#include "frame/client_filter.h"
#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::distribution::inquiry {
namespace {

using engine::Purpose;
using frame::FilterPlace;
using frame::sqlNumber;

// The aliases a client's condition may name, statement by statement.
const std::vector<std::string> kDeptLineAliases{"u1", "v1", "t3", "t4", "t100"};
const std::vector<std::string> kDirectLineAliases{"u1", "v1", "t2", "t3", "t4", "t100"};
const std::vector<std::string> kLevelLineAliases{"u1", "v1", "t1", "t2", "t3", "t5"};

// A formula that names the material-quota unit: the standard works per material.
constexpr const char* kQuotaFormula = "'%~#材料定额~@%'";
constexpr const char* kIssueLines =
    "FROM cb_ICStockBill u1 INNER JOIN cb_ICStockBillEntry v1 ON u1.FInterID=v1.FInterID";
constexpr const char* kReferenceMarker = "--Reference Code";

// The period and the undistributed switch of a filter dictionary.
struct FilterPeriod {
  int32_t year;
  int32_t period;
  bool noDis;
  engine::WindowDays days;
};

FilterPeriod filterPeriod(const frame::Call& call, const com::Ref<halvern::Dictionary>& filter,
                          std::string_view name) {
  const int32_t year = engine::filterLong(call, filter, name, "Year");
  const int32_t period = engine::filterLong(call, filter, name, "Period");
  return {year, period, engine::filterBool(call, filter, name, "bNoDis", false),
          engine::windowDays(call, year, period)};
}

// FROM and WHERE of the department's shared lines of the window (t3 the
// department, t4 the item, t100 the group).
std::string deptSharedLines(int32_t deptID, const engine::WindowDays& w) {
  return std::string(kIssueLines) +
         "\r\n INNER JOIN t_Department t3 ON u1.FDeptID=t3.FItemID INNER JOIN t_ICItem t4 ON "
         "v1.FItemID=t4.FItemID\r\n" +
         engine::groupJoin() + "\r\nWHERE u1.FDeptID=" + sqlNumber(deptID) + " AND " +
         engine::periodIssueCondition(w.begin, w.next) + " AND " + engine::sharedCondition() + " AND " +
         engine::notExcludedCondition();
}

// The distinct materials of the department's shared lines (GetMaterieExpItemByDept),
// `condition` the client's, checked.
std::string deptMaterials(const frame::Call& call, int32_t deptID, int32_t typeID,
                          const com::Ref<halvern::Dictionary>& filter, const std::string& condition) {
  const FilterPeriod f = filterPeriod(call, filter, "Filter");
  const Purpose purpose = engine::purposeOfType(typeID);
  std::string sql = "SELECT Distinct v1.FItemID " + deptSharedLines(deptID, f.days) + "\r\n" +
                    engine::purposeCondition(purpose);
  if (f.noDis) sql += engine::undistributedCondition(purpose, f.year, f.period);
  return sql + "\r\n" + condition;
}

// The shared condition where a NULL cost object counts as none.
std::string sharedOrNull() {
  return " (ISNULL(v1.FCostObjID,0)=0 OR " + engine::sharedCondition() + ") ";
}

// The head of the lists of shared lines whose material is a product of a
// level: lines of production departments with item t1 and cost object t2.
frame::SqlScript& levelLinesHead(frame::SqlScript& sql) {
  return sql.line("SELECT distinct u1.FInterID,v1.FEntryID " + std::string(kIssueLines))
      .line(
          " INNER JOIN t_ICItem t1 ON v1.FItemID=t1.FItemID LEFT JOIN cbCostObj t2 ON "
          "v1.FCostObjID=t2.FItemID")
      .line(" INNER JOIN t_Department t3 ON u1.FDeptID=t3.FItemID AND t3.FCostAccountType=" +
            std::string(frame::codes::kProductionDept));
}

}  // namespace

bool isMaterielRation(frame::Call& call, int32_t standardID) {
  com::Ref<ado::Recordset> rs =
      call.connection().execute(std::string("SELECT Count(*) FROM cb_BmStandard  WHERE FFormula Like ") +
                                    kQuotaFormula + " AND FNum=" + sqlNumber(standardID),
                                nullptr, -1);
  return rs->value(size_t{0}).toLong() != 0;
}

com::Ref<ado::Recordset> getMaterieExpItemByDept(frame::Call& call, int32_t deptID, int32_t typeID,
                                                 com::Ref<halvern::Dictionary> filter, std::string sFilter) {
  const std::string condition =
      frame::clientCondition(call, sFilter, FilterPlace::Appended, kDeptLineAliases);
  return frame::detachedSelect(call.connection(), deptMaterials(call, deptID, typeID, filter, condition));
}

com::Ref<ado::Recordset> getItemStandardByDept(frame::Call& call, int32_t deptID, int32_t typeID,
                                               com::Ref<halvern::Dictionary> filter, std::string sFilter) {
  const std::string condition =
      frame::clientCondition(call, sFilter, FilterPlace::Appended, kDeptLineAliases);
  return frame::detachedSelect(
      call.connection(),
      "SELECT t1.FItemID,t1.FCBBMStandardID,t1.FNumber,t1.FName,\r\n CASE WHEN t5.FFormula LIKE " +
          std::string(kQuotaFormula) +
          " THEN 1 ELSE 0 END AS FISStdByItem,ISNULL(t5.FName,'') AS FStandardName\r\nFROM (" +
          deptMaterials(call, deptID, typeID, filter, condition) +
          "\r\n) t2 INNER JOIN t_ICItem t1 ON t1.FItemID=t2.FItemID\r\n LEFT JOIN cb_BmStandard t5 ON "
          "t1.FCBBMStandardID=t5.FNum");
}

com::Ref<ado::Recordset> getShareMaterielBillByLevel(frame::Call& call, int32_t year, int32_t period,
                                                     int32_t typeID, int32_t level) {
  const engine::WindowDays w = engine::windowDays(call, year, period);
  ado::Connection& connection = call.connection();
  connection.execute("SET NOCOUNT ON ");
  frame::dropTempTable(connection, "#ItemTmp");
  connection.execute(
      "SELECT DISTINCT FProductID INTO #ItemTmp FROM cbProductCalInfo WHERE FYear=" + sqlNumber(year) +
      " AND FPeriod=" + sqlNumber(period) + " AND FLevel=" + sqlNumber(level));
  frame::SqlScript sql;
  levelLinesHead(sql)
      .line(" INNER JOIN #ItemTmp t5 ON v1.FItemID=t5.FProductID")
      .line("WHERE " + engine::periodIssueCondition(w.begin, w.next) + " AND " + sharedOrNull())
      .line(engine::purposeCondition(engine::threeWayPurpose(typeID)))
      .line("DROP TABLE #ItemTmp");
  return frame::detachedSelect(connection, sql.text());
}

com::Ref<ado::Recordset> getDirctMaterielBill(frame::Call& call, int32_t year, int32_t period, int32_t typeID,
                                              bool noDisData, std::string sFilter) {
  const std::string condition =
      frame::clientCondition(call, sFilter, FilterPlace::Appended, kDirectLineAliases);
  const engine::WindowDays w = engine::windowDays(call, year, period);
  const Purpose purpose = engine::purposeOfType(typeID);
  frame::SqlScript sql;
  sql.line("SELECT distinct u1.FInterID,v1.FEntryID " + std::string(kIssueLines))
      .line(" INNER JOIN cbCostObj t2 ON v1.FCostObjID=t2.FItemID")
      .line(" INNER JOIN t_Department t3 ON u1.FDeptID=t3.FItemID AND t3.FCostAccountType=" +
            std::string(frame::codes::kProductionDept))
      .line(" INNER JOIN t_ICItem t4 ON v1.FItemID=t4.FItemID " + engine::groupJoin())
      .line("WHERE " + engine::periodIssueCondition(w.begin, w.next) + " AND " + engine::directCondition())
      .line(engine::purposeCondition(purpose));
  if (noDisData) sql.line(engine::undistributedCondition(purpose, year, period));
  sql.add(condition);
  return frame::detachedSelect(call.connection(), sql.text());
}

bool getMaterieExpByDeptIsSame(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                               int32_t typeID, std::string sFilter) {
  const std::string condition =
      frame::clientCondition(call, sFilter, FilterPlace::Appended, kDeptLineAliases);
  const engine::WindowDays w = engine::windowDays(call, year, period);
  com::Ref<ado::Recordset> rs =
      call.connection().execute("SELECT count(*) " + deptSharedLines(deptID, w) + "\r\n" + condition +
                                    engine::purposeCondition(engine::purposeOfType(typeID)),
                                nullptr, -1);
  return rs->value(size_t{0}).toLong() > 0;
}

com::Ref<ado::Recordset> getShareMaterielBillByLeave(frame::Call& call, int32_t year, int32_t period,
                                                     int32_t typeID, std::string sFilter,
                                                     com::Ref<ado::Recordset> levelCostObjs) {
  // With the marker the text is no condition: nothing of it reaches SQL.
  const bool byProduct = sFilter.find(kReferenceMarker) == std::string::npos;
  const std::string condition =
      byProduct ? frame::clientCondition(call, sFilter, FilterPlace::Required, kLevelLineAliases) : "";
  const engine::WindowDays w = engine::windowDays(call, year, period);
  const Purpose purpose = engine::threeWayPurpose(typeID);
  ado::Connection& connection = call.connection();
  frame::dropTempTable(connection, "#TempCostObj");
  frame::dropTempTable(connection, "#ItemTmp");
  // #ItemTmp goes on every way out.
  struct DropItems {
    ado::Connection& connection;
    ~DropItems() { frame::dropTempTable(connection, "#ItemTmp"); }
  } dropItems{connection};

  if (byProduct) {
    frame::SqlScript sql;
    levelLinesHead(sql)
        .line(" INNER JOIN (SELECT DISTINCT FProductID,FLevel FROM cbProductCalInfo WHERE FYear=" +
              sqlNumber(year) + " AND FPeriod=" + sqlNumber(period) + ") t5 ON v1.FItemID=t5.FProductID")
        .line("WHERE " + engine::periodIssueCondition(w.begin, w.next) + " AND " + sharedOrNull())
        .add(condition)
        .line(engine::purposeCondition(purpose));
    return frame::detachedSelect(connection, sql.text());
  }

  if (!levelCostObjs || levelCostObjs->recordCount() == 0) return nullptr;
  connection.execute(
      "CREATE TABLE #TempCostObj (FCostObjID INT) CREATE CLUSTERED INDEX [pk_#TempCostObj] ON "
      "#TempCostObj(FCostObjID)");
  std::string inserts;
  levelCostObjs->moveFirst();
  for (int64_t i = 0, n = levelCostObjs->recordCount(); i < n; ++i, levelCostObjs->moveNext()) {
    inserts += " Insert Into  #TempCostObj(FCostObjID)  Values(" +
               sqlNumber(engine::clientLong(call, levelCostObjs->value("FCostObjID"),
                                            "rsLevelCostObj's FCostObjID")) +
               ")";
  }
  connection.execute(inserts);

  connection.execute(engine::receiptItems(year, period, w));

  frame::SqlScript sql;
  sql.line("SELECT DISTINCT B.FInterID,B.FEntryID FROM #TempCostObj A")
      .line(" INNER JOIN (SELECT DISTINCT FCostObjID,FInterID,FEntryID FROM " +
            std::string(engine::rowTable(purpose)) + " WHERE FYear=" + sqlNumber(year) +
            " AND FPeriod=" + sqlNumber(period) + ") B ON A.FCostObjID=B.FCostObjID")
      .line(" INNER JOIN cb_ICStockBill u1 ON u1.FInterID=B.FInterID")
      .line(" INNER JOIN cb_ICStockBillEntry v1 ON v1.FInterID=B.FInterID AND v1.FEntryID=B.FEntryID")
      .line(" INNER JOIN #ItemTmp t ON v1.FItemID=t.FItemID")
      .line("WHERE " + engine::periodIssueCondition(w.begin, w.next) + " AND " + sharedOrNull())
      .line(engine::purposeCondition(purpose));
  return frame::detachedSelect(connection, sql.text());
}

com::Ref<ado::Recordset> getDisMaterilCostObjGroup(frame::Call& call, int32_t /*standardID*/, int32_t deptID,
                                                   int32_t typeID, com::Ref<halvern::Dictionary> filter,
                                                   int32_t itemID, std::string sFilter,
                                                   std::string /*tableName*/, bool stdByItem,
                                                   bool /*formulaByItem*/) {
  const std::string condition =
      frame::clientCondition(call, sFilter, FilterPlace::Appended, kDeptLineAliases);
  const FilterPeriod f = filterPeriod(call, filter, "dctFilter");
  const Purpose purpose = engine::purposeOfType(typeID);
  frame::SqlScript sql;
  sql.line("SELECT Distinct t100.FItemID as FCostObjGroupID " + std::string(kIssueLines))
      .line(
          " INNER JOIN t_Department t3 ON u1.FDeptID=t3.FItemID INNER JOIN t_ICItem t4 ON "
          "v1.FItemID=t4.FItemID")
      .line(" INNER JOIN cbcostobjGroup t100 ON v1.FCostObjGroupID=t100.FItemID")
      .line("WHERE " + engine::periodIssueCondition(f.days.begin, f.days.next) + " AND " +
            engine::sharedCondition() + " AND " + engine::notExcludedCondition())
      .line(" AND t100.FItemID<>0 AND u1.FDeptID=" + sqlNumber(deptID) + engine::purposeCondition(purpose));
  if (f.noDis) sql.line(engine::undistributedCondition(purpose, f.year, f.period));
  sql.add(condition);
  if (stdByItem || itemID != 0) sql.line(" AND  v1.FItemID= " + sqlNumber(itemID));
  return frame::detachedEditable(call.connection(), sql.text());
}

}  // namespace mls::distribution::inquiry
