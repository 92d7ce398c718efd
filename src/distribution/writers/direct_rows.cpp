#include "distribution/writers/direct_rows.h"

#include "distribution/engine/client_values.h"
#include "distribution/engine/issue_lines.h"
#include "distribution/engine/line_rows.h"
#include "distribution/writers/pair_list.h"
#include "frame/client_filter.h"
#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/error.h"

namespace mls::distribution::writers {
namespace {

using engine::Purpose;
using frame::sqlNumber;

constexpr const char* kReferenceMarker = "--Reference Code";

std::string period(const char* alias, int32_t year, int32_t period) {
  const std::string a(alias);
  return " " + a + ".FYear=" + sqlNumber(year) + " AND " + a + ".FPeriod=" + sqlNumber(period);
}

std::string sameLine(const char* a, const char* b) {
  const std::string x(a), y(b);
  return x + ".FInterID=" + y + ".FInterID AND " + x + ".FEntryID=" + y + ".FEntryID";
}

// How a refresh picks its lines.
struct Selection {
  std::string itemTable = "t_ICItem";  // the item master t1
  std::string prepare;                 // a batch run first (fills #ItemTmp)
  std::string condition;               // ends the statement
};

void refresh(frame::Call& call, int32_t year, int32_t periodNo, int32_t typeID,
             const std::function<Selection(const engine::WindowDays&)>& select) {
  if (typeID < 0 || typeID > 2)
    com::raise(com::err::kInvalidCall, call.fullName(),
               "iTypeID must be 0, 1 or 2, not " + std::to_string(typeID));
  const Purpose purpose = engine::threeWayPurpose(typeID);
  const std::string table = engine::rowTable(purpose);
  ado::Connection& db = call.connection();
  const int32_t style = engine::matCalStyle(db);
  const engine::WindowDays w = engine::windowDays(call, year, periodNo);
  frame::dropTempTable(db, "#Result");
  frame::dropTempTable(db, "#ItemTmp");
  db.execute(
      "CREATE TABLE #Result (FInterID INT, FEntryID INT, FQty Decimal(28,10) not null default 0,\r\n"
      " FPrice Decimal(28,10) not null default 0, FAmount Decimal(28,10) not null default 0,\r\n"
      " FStdID Int not null default 0, FCostObjID Int not null default 0, FCostItemID Int not null default "
      "0)");
  const Selection s = select(w);
  if (!s.prepare.empty()) db.execute(s.prepare);
  frame::SqlScript lines;
  lines.line("INSERT INTO #Result (FInterID,FEntryID,FQty,FPrice,FAmount)")
      .line(" SELECT u1.FInterID,v1.FEntryID,v1.FQty," + engine::valuedPrice(style, "t1") + "," +
            engine::valuedAmount(style, "t1"))
      .line(" FROM ICStockBill u1 INNER JOIN ICStockBillEntry v1 ON u1.FInterID=v1.FInterID")
      .line(" INNER JOIN " + s.itemTable + " t1 ON v1.FItemID=t1.FItemID")
      .line(" INNER JOIN cbCostObj t2 ON v1.FCostObjID=t2.FItemID")
      .line(" INNER JOIN t_Department t3 ON u1.FDeptID=t3.FItemID AND t3.FCostAccountType=" +
            std::string(frame::codes::kProductionDept))
      .line(" WHERE " + engine::periodIssueCondition(w.begin, w.next) + " AND " + engine::directCondition() +
            engine::purposeCondition(purpose))
      .line(s.condition);
  lines.send(db);

  const std::string ofPeriod = period("d", year, periodNo);
  if (purpose == Purpose::ResidualValue) {
    db.execute("UPDATE d SET FPrice=r.FPrice,FAmount=r.FAmount FROM " + table +
               " d INNER JOIN #Result r ON " + sameLine("r", "d") + " WHERE" + ofPeriod);
  } else {
    // A line is refreshed when its rows of the period are direct rows
    // (standard data 0): it ends with one row carrying their identifiers.
    // A line without rows, or with rows spread by a standard, is left alone.
    db.execute(
        "UPDATE r SET FStdID=d.FStdID,FCostObjID=d.FCostObjID,FCostItemID=d.FCostItemID FROM #Result r "
        "INNER JOIN " +
        table + " d ON " + sameLine("r", "d") + " WHERE" + ofPeriod +
        " AND d.FStandardData=0\r\n"
        "DELETE r FROM #Result r WHERE NOT EXISTS (SELECT 1 FROM " +
        table + " d WHERE " + sameLine("r", "d") + " AND" + ofPeriod + ") OR EXISTS (SELECT 1 FROM " + table +
        " d WHERE " + sameLine("r", "d") + " AND" + ofPeriod + " AND d.FStandardData<>0)");
    engine::inTransaction(db, [&] {
      db.execute("DELETE d FROM " + table + " d INNER JOIN #Result r ON " + sameLine("r", "d") + " WHERE" +
                 ofPeriod +
                 " AND d.FStandardData=0\r\n"
                 "INSERT INTO " +
                 table +
                 " (FYear,FPeriod,FCostObjID,FInterID,FEntryID,FStdID,FCostItemID,FStandardData,FPrice,FQty,"
                 "FAmount)\r\n SELECT " +
                 sqlNumber(year) + "," + sqlNumber(periodNo) +
                 ",FCostObjID,FInterID,FEntryID,FStdID,FCostItemID,0,FPrice,FQty,FAmount FROM #Result");
    });
  }
  frame::dropTempTable(db, "#Result");
  frame::dropTempTable(db, "#ItemTmp");
}

}  // namespace

com::Variant autoDisDirctMaterielExpByInterID(frame::Call& call, int32_t year, int32_t periodNo,
                                              int32_t typeID, const com::Variant& arInterID) {
  const std::vector<IssueLine> pairs = clientPairs(call, arInterID);
  ado::Connection& db = call.connection();
  const int32_t style = engine::matCalStyle(db);
  if (pairs.empty()) return {};
  const std::string table = engine::rowTable(engine::purposeOfType(typeID));
  frame::dropTempTable(db, "#Result");
  db.execute(
      "CREATE TABLE #Result (FInterID INT, FEntryID INT, FDeptID int not null default 0,\r\n"
      " FCostObjID int not null default 0, FStandardID int not null default 0,\r\n"
      " FStandardQty Decimal(28,10) not null default 0, FDistributQty Decimal(28,10) not null default 0,\r\n"
      " FDistributPrice Decimal(28,10) not null default 0, FDistributAmount Decimal(28,10) not null default "
      "0,\r\n"
      " FCostItemID int not null default 0, FFound int not null default 0)");
  db.execute(pairInserts(pairs, "#Result"));
  db.execute("CREATE INDEX IX_Result ON #Result(FInterID,FEntryID)");
  // An item without a material record is valued at its bill price and takes
  // the default cost item.  Only direct lines are taken: a pair naming a
  // shared line (cost object 0 or MaterielShareID) or a line kept out of the
  // distribution (MaterielMakeID) is passed over and its rows stay.
  frame::SqlScript fill;
  fill.line("UPDATE r SET FCostItemID=ISNULL(t2.FCostProject,0),FDeptID=ISNULL(u1.FDeptID,0),")
      .line(" FCostObjID=v1.FCostObjID,FDistributQty=v1.FQty,FDistributPrice=" +
            engine::valuedPrice(style, "t2") + ",FDistributAmount=" + engine::valuedAmount(style, "t2") +
            ",FFound=1")
      .line(" FROM #Result r INNER JOIN cb_ICStockBill u1 ON u1.FInterID=r.FInterID")
      .line(" INNER JOIN cb_ICStockBillEntry v1 ON " + sameLine("v1", "r"))
      .line(" LEFT JOIN t_ICItemMaterial t2 ON v1.FItemID=t2.FItemID")
      .line(" WHERE " + engine::directCondition())
      .line("DELETE FROM #Result WHERE FFound=0")
      .line(
          "UPDATE r SET FStandardID=ISNULL((SELECT TOP 1 s.FStandardID FROM cbStandardSet s WHERE "
          "s.FDeptID=r.FDeptID AND s.FExpID=1),0) FROM #Result r")
      .add(engine::defaultCostItems("#Result"));
  fill.send(db);
  engine::inTransaction(db, [&] {
    db.execute("DELETE d FROM " + table + " d INNER JOIN #Result r ON " + sameLine("r", "d") + " WHERE" +
               period("d", year, periodNo) + "\r\nINSERT INTO " + table +
               " (FYear,FPeriod,FCostObjID,FInterID,FEntryID,FStdID,FCostItemID,FStandarddata,FPrice,FQty,"
               "FAmount)\r\n SELECT " +
               sqlNumber(year) + "," + sqlNumber(periodNo) +
               ",FCostObjID,FInterID,FEntryID,FStandardID,FCostItemID,0,FDistributPrice,FDistributQty,"
               "FDistributAmount FROM #Result");
  });
  frame::dropTempTable(db, "#Result");
  return {};
}

com::Variant distributeDirctMaterielExpByLevel(frame::Call& call, int32_t year, int32_t periodNo,
                                               int32_t typeID, int32_t level) {
  refresh(call, year, periodNo, typeID, [&](const engine::WindowDays&) {
    Selection s;
    s.prepare = "SET NOCOUNT ON SELECT DISTINCT FProductID INTO #ItemTmp FROM cbProductCalInfo WHERE FYear=" +
                sqlNumber(year) + " AND FPeriod=" + sqlNumber(periodNo) + " AND FLevel=" + sqlNumber(level);
    s.condition = " AND v1.FItemID IN (SELECT FProductID FROM #ItemTmp)";
    return s;
  });
  return {};
}

com::Variant distributeDirctMaterielExpLeaveIn(frame::Call& call, int32_t year, int32_t periodNo,
                                               int32_t typeID, std::string sFilter) {
  // With the marker the text is no condition: nothing of it reaches SQL.
  const bool filterMode = sFilter.find(kReferenceMarker) == std::string::npos;
  const std::string condition = filterMode
                                    ? frame::clientCondition(call, sFilter, frame::FilterPlace::Required,
                                                             {"u1", "v1", "t1", "t2", "t3"})
                                    : "";
  refresh(call, year, periodNo, typeID, [&](const engine::WindowDays& w) {
    Selection s;
    if (filterMode) {
      s.condition = condition;
    } else {
      s.itemTable = "t_ICItemCore";
      s.prepare = engine::receiptItems(year, periodNo, w);
      s.condition = " AND v1.FItemID IN (SELECT FItemID FROM #ItemTmp)";
    }
    return s;
  });
  return {};
}

}  // namespace mls::distribution::writers
