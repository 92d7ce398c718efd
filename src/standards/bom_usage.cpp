#include "standards/bom_usage.h"

#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/error.h"
#include "standards/checked_column.h"

namespace mls::standards {
namespace {

using frame::sqlNumber;

constexpr const char* kBomError = "取BOM分材料分配时出现错误：";
constexpr const char* kTooDeep = "BOM展开超过%1层，BOM中可能存在循环引用";
constexpr const char* kLineNotFound = "找不到单据分录";
constexpr const char* kLineNotFoundWaste = "找不到单据分录FInterID=";

// A table name: "#" allowed first, then an identifier.
std::string checkedTable(std::string_view table) {
  if (!table.empty() && table.front() == '#') return "#" + checkedColumn(table.substr(1));
  return checkedColumn(table);
}

std::string validDate(const std::string& column, bool datePartsOnly) {
  return datePartsOnly ? "convert(datetime,convert(varchar(30)," + column + ",111))" : column;
}

// One level of the walk from one line table: level 1 the lines of the
// material, level n the lines of the parents of level n-1 of class 5 and 6.
// A parent's class is kept as the item holds it: an unset (NULL) class is
// neither climbed nor counted (NULL <> 5 is unknown), and takes any use status.
void levelSelect(frame::SqlScript& sql, const char* lines, bool first,
                 const std::optional<BomValidity>& validity) {
  sql.line(std::string(" SELECT t2.FInterID,t2.FItemID,t3.FErpClsID,t1.FQty,t1.FQty/t2.FQty") +
           (first ? "" : "*t4.FCalQty") + ",@curLevel")
      .line(std::string("  FROM ") + lines + " t1 INNER JOIN ICBom t2 ON t1.FInterID=t2.FInterID")
      .line("  INNER JOIN t_ICItem t3 ON t2.FItemID=t3.FItemID");
  if (!first) sql.line("  INNER JOIN #ChildBomData t4 ON t1.FItemID=t4.FItemID");
  sql.line("  WHERE t1.FMaterielType=371 AND t2.FBomType IN (0,1,3,4,5) AND t2.FStatus>0")
      .line("  AND (t2.FUseStatus=1072 OR ISNULL(t3.FErpClsID,0) NOT IN (5,6))")
      .line(first ? "  AND t1.FItemID=@curItemID" : "  AND t4.FLevel=@curLevel-1 AND t4.FErpClsID IN (5,6)");
  if (validity) {
    const std::string b = validDate("t1.FBeginDay", validity->datePartsOnly);
    const std::string e = validDate("t1.FEndDay", validity->datePartsOnly);
    sql.line("  AND ( (" + b + " <=" + validity->begin + " AND " + e + " >= " + validity->begin + " ) ")
        .line("    or (" + b + " <" + validity->next + " AND " + e + " > " + validity->next + " )  )");
  }
}

void levelInsert(frame::SqlScript& sql, bool first, const std::optional<BomValidity>& validity) {
  sql.line(" INSERT INTO #ChildBomData (FBomID,FItemID,FErpClsID,FQty,FCalQty,FLevel)");
  levelSelect(sql, "ICBomChild", first, validity);
  sql.line(" UNION");
  levelSelect(sql, "ICCustBomChild", first, validity);
  sql.line(" SET @rows=@@ROWCOUNT");
}

std::string walkBatch(int32_t itemID, const std::optional<BomValidity>& validity, const std::string& table) {
  frame::SqlScript sql;
  sql.line("Set NoCount ON")
      .line("DECLARE @curLevel int,@curItemID int,@rows int")
      .line("SET @curItemID=" + sqlNumber(itemID))
      .line("CREATE TABLE #ChildBomData (")
      .line("  FInterID int IDENTITY(1,1) PRIMARY KEY CLUSTERED,")
      .line("  FBomID int null default(0),")
      .line("  FItemID int null default(0),")
      .line("  FErpClsID int null default(0),")
      .line("  FQty decimal(28,10) null default(0),")
      .line("  FCalQty decimal(28,10) null default(0),")
      .line("  FLevel int null default(0)) ON [PRIMARY]")
      .line("CREATE NONCLUSTERED INDEX IX_ChildBomData_FItemID ON #ChildBomData(FItemID)")
      .line("CREATE NONCLUSTERED INDEX IX_ChildBomData_FBomID ON #ChildBomData(FBomID)")
      .line("SET @curLevel=1");
  levelInsert(sql, true, validity);
  // One level beyond the limit is walked: rows there mean a structure deeper
  // than the limit, and the table is left as it was.
  sql.line("WHILE @rows>0 AND @curLevel<=" + sqlNumber(kMaxBomLevels)).line("BEGIN");
  sql.line(" SET @curLevel=@curLevel+1");
  levelInsert(sql, false, validity);
  sql.line("END")
      .line("IF @rows=0")
      .line("BEGIN")
      .line(" UPDATE " + table + " SET FQty=0")
      .line(" UPDATE t SET t.FQty=s.FQty FROM " + table + " t INNER JOIN")
      .line("  (SELECT FBomID,SUM(FCalQty) AS FQty FROM #ChildBomData WHERE FErpClsID<>5")
      .line("   GROUP BY FBomID,FErpClsID) s ON s.FBomID=t.FBomID")
      .line("  WHERE s.FQty<>0")
      .line("END")
      .line("DROP TABLE #ChildBomData")
      .line("SELECT @rows AS FDeeper");
  return sql.text();
}

// The material of the snapshot's bill line.
int32_t billLineMaterial(ado::Connection& connection, IssueUse use, int32_t interID, int32_t entryID,
                         const std::string& language) {
  com::Ref<ado::Recordset> rs =
      connection.execute("SELECT FItemID FROM cb_ICStockBillEntry WHERE FInterID=" + sqlNumber(interID) +
                         " AND FEntryID=" + sqlNumber(entryID));
  if (rs->eof()) {
    const std::string ids = sqlNumber(interID) + "  FEntryID=" + sqlNumber(entryID);
    com::raise(-1, {},
               use == IssueUse::Normal ? frame::langText(kLineNotFound, language) + "FInterID=" + ids
                                       : frame::langText(kLineNotFoundWaste, language) + ids);
  }
  return rs->value(0).toLong();
}

}  // namespace

std::string inProduction(std::string_view costObjColumn, int32_t deptID, int32_t year, int32_t period,
                         bool balanceTypes12) {
  const std::string c(costObjColumn);
  return "(" + c + " IN (SELECT FCostObjID FROM CBInQty WHERE FDeptID=" + sqlNumber(deptID) +
         " AND FYear=" + sqlNumber(year) + " AND FPeriod=" + sqlNumber(period) + ")\r\n OR " + c +
         " IN (SELECT FProductID FROM cbBalance WHERE FDepID=" + sqlNumber(deptID) +
         " AND FYear=" + sqlNumber(year) + " AND FPeriod=" + sqlNumber(period) +
         (balanceTypes12 ? " AND FTypeID IN (1,2)" : "") + "))";
}

void fillCostObjBoms(ado::Connection& connection, std::string_view table, int32_t deptID, int32_t year,
                     int32_t period) {
  const std::string t = checkedTable(table);
  frame::SqlScript sql;
  sql.line("INSERT INTO " + t + " (FCostObjID,FBomID,FStdProductID,FQty)")
      .line(" SELECT a.FItemID,isNull(a.FBomID,0),a.FStdProductID,0 FROM cbCostObj a")
      .line(" WHERE " + inProduction("a.FItemID", deptID, year, period, true))
      .line("UPDATE t SET t.FBomID=ISNULL(m.FBomID,0) FROM " + t + " t LEFT JOIN")
      .line(" (SELECT FItemID,MAX(FInterID) AS FBomID FROM ICBom WHERE FUseStatus=1072 AND FBomType IN (0,3)")
      .line("  GROUP BY FItemID) m ON m.FItemID=t.FStdProductID")
      .line(" WHERE t.FBomID=0")
      .line("DELETE FROM " + t + " WHERE FBomID=0");
  connection.execute(sql.text());
}

std::optional<BomValidity> bomValidity(ado::Connection& connection, std::string_view props, int32_t year,
                                       int32_t period, bool datePartsOnly) {
  com::Ref<ado::Recordset> rs = connection.execute(
      "select isnull(FValue,0) as FValue from t_systemprofile where FCategory='CB' and Fkey "
      "='SetBOMEnable' ");
  const int32_t enabled = rs->eof() ? 0 : rs->value(0).toLong();
  rs->close();
  if (enabled != 1) return std::nullopt;
  const frame::PeriodWindow w = frame::getPeriodDateRange(props, year, period, frame::WindowForm::NextAsText);
  return BomValidity{frame::sqlDate(w.begin), frame::sqlDate(w.next), datePartsOnly};
}

void walkBomUsage(ado::Connection& connection, int32_t itemID, const std::optional<BomValidity>& validity,
                  std::string_view table, std::string_view language) {
  const std::string t = checkedTable(table);
  // A walk that failed earlier on this connection may have left its table.
  frame::dropTempTable(connection, "#ChildBomData");
  com::Ref<ado::Recordset> rs = connection.execute(walkBatch(itemID, validity, t));
  if (rs->value(0).toLong() != 0) {
    com::Variant args(com::SafeArray::vector({com::Variant(kMaxBomLevels)}));
    com::raise(-1, {}, frame::langTextFormat(language, kTooDeep, args));
  }
}

void asBomError(std::string_view language, const std::function<void()>& body) {
  try {
    body();
  } catch (const com::ComError& e) {
    com::raise(e.number(), "GetMateriel", frame::langText(kBomError, language) + e.description());
  }
}

com::Ref<ado::Recordset> getBomCostObjData(frame::Call& call, IssueUse use, int32_t year, int32_t period,
                                           int32_t interID, int32_t entryID, int32_t deptID) {
  const std::string language = call.language();
  com::Ref<ado::Connection> connection;
  com::Ref<ado::Recordset> result;
  try {
    asBomError(language, [&] {
      connection = call.dataSource().unCommittedConnection();
      const int32_t item = billLineMaterial(*connection, use, interID, entryID, language);
      const auto validity = bomValidity(*connection, call.props(), year, period, use == IssueUse::Normal);
      connection->execute(
          "CREATE TABLE #GetCostObjData (FCostObjID int NOT NULL default(0),FBomID int NOT NULL "
          "default(0),\r\n"
          " FStdProductID int NOT NULL default(0),FQty Decimal(28,10) NOT NULL default(0))\r\n"
          "CREATE CLUSTERED INDEX IX_GetCostObjData_FCostObjID ON #GetCostObjData(FCostObjID)\r\n"
          "CREATE NONCLUSTERED INDEX IX_GetCostObjData_FBomID ON #GetCostObjData(FBomID)\r\n");
      fillCostObjBoms(*connection, "#GetCostObjData", deptID, year, period);
      walkBomUsage(*connection, item, validity, "#GetCostObjData", language);
      result = connection->execute("Select * From #GetCostObjData");
      result->setActiveConnection(nullptr);
    });
  } catch (const com::ComError&) {
    if (connection && connection->state() == ado::kStateOpen) connection->close();
    throw;
  }
  connection->close();
  return result;
}

}  // namespace mls::standards
