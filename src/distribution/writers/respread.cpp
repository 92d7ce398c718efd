#include "distribution/writers/respread.h"

#include "distribution/engine/client_values.h"
#include "distribution/engine/issue_lines.h"
#include "distribution/engine/line_rows.h"
#include "distribution/writers/pair_list.h"
#include "frame/drop_table.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::distribution::writers {
namespace {

using frame::sqlNumber;

void respread(frame::Call& call, int32_t year, int32_t period, int32_t typeID, const com::Variant& arInterID,
              bool setPrices) {
  const std::vector<IssueLine> pairs = clientPairs(call, arInterID);
  ado::Connection& db = call.connection();
  const int32_t style = engine::matCalStyle(db);
  const engine::Purpose purpose = engine::purposeOfType(typeID);
  const engine::WindowDays w = engine::windowDays(call, year, period);
  if (pairs.empty()) return;
  frame::dropTempTable(db, "#Result");
  db.execute(
      "CREATE TABLE #Result (FInterID INT, FEntryID INT, FQty Decimal(28,10) not null default 0,\r\n"
      " FPrice Decimal(28,10) not null default 0, FAmount Decimal(28,10) not null default 0,\r\n"
      " FFound int not null default 0)\r\n"
      "CREATE INDEX IX_Result ON #Result(FInterID,FEntryID)");
  db.execute(pairInserts(pairs, "#Result"));
  frame::SqlScript sql;
  sql.line("UPDATE t1 SET FQty=v1.FQty,FPrice=" + engine::valuedPrice(style, "t2") +
           ",FAmount=" + engine::valuedAmount(style, "t2") + ",FFound=1")
      .line(" FROM ICStockBill u1 INNER JOIN ICStockBillEntry v1 ON u1.FInterID=v1.FInterID")
      .line(" INNER JOIN #Result t1 ON t1.FInterID=v1.FInterID AND t1.FEntryID=v1.FEntryID")
      .line(" INNER JOIN t_ICItem t2 ON v1.FItemID=t2.FItemID")
      .line(" WHERE u1.FDate>=" + w.begin + " AND u1.FDate<" + w.next);
  sql.send(db);
  engine::loadRows(db, purpose,
                   "INNER JOIN #Result t1 ON t1.FInterID=d.FInterID AND t1.FEntryID=d.FEntryID AND "
                   "t1.FFound=1 WHERE d.FYear=" +
                       sqlNumber(year) + " AND d.FPeriod=" + sqlNumber(period));
  frame::dropTempTable(db, "#Target");
  frame::dropTempTable(db, "#Sums");
  db.execute(
      "SELECT FInterID,FEntryID,SUM(FStandardData) AS FSum INTO #Sums FROM #Rows GROUP BY FInterID,FEntryID");
  // A line whose part fits no row is refused before anything is written.
  const std::string from =
      " FROM #Rows r\r\n INNER JOIN #Sums s ON s.FInterID=r.FInterID AND s.FEntryID=r.FEntryID\r\n"
      " INNER JOIN #Result t1 ON t1.FInterID=r.FInterID AND t1.FEntryID=r.FEntryID WHERE s.FSum<>0";
  const engine::PartRange range = engine::checkParts(db, call.language(), "r.FInterID,r.FEntryID", from,
                                                     {{"t1.FAmount", "r.FStandardData", "s.FSum", "2"}});
  sql.line("UPDATE r SET FAmount=" +
           engine::weighedPart("t1.FAmount", "r.FStandardData", "s.FSum", "2", range) + from)
      .line(
          "CREATE TABLE #Target (FYear int, FPeriod int, FInterID int, FEntryID int, FTarget Decimal(28,10))")
      .line("INSERT INTO #Target SELECT " + sqlNumber(year) + "," + sqlNumber(period) +
            ",t1.FInterID,t1.FEntryID,t1.FAmount FROM #Result t1")
      .line(" INNER JOIN #Sums s ON s.FInterID=t1.FInterID AND s.FEntryID=t1.FEntryID WHERE s.FSum<>0")
      .add(engine::placeDifference("FAmount", "#Target",
                                   "CASE WHEN FStandardData<>0 THEN '1' ELSE '0' END+" +
                                       engine::rankSmallest("FCostObjID") + "+" +
                                       engine::rankSmallest("FCostItemID")))
      .line("DROP TABLE #Target DROP TABLE #Sums");
  if (setPrices) sql.line("UPDATE #Rows SET FPrice=CASE WHEN FQty=0 THEN 0 ELSE FAmount/FQty END");
  sql.send(db);
  engine::writeRows(db, purpose);
  frame::dropTempTable(db, "#Result");
}

}  // namespace

com::Variant distributeShareMaterielExpByInterID(frame::Call& call, int32_t year, int32_t period,
                                                 int32_t typeID, const com::Variant& arInterID) {
  respread(call, year, period, typeID, arInterID, true);
  return {};
}

com::Variant distributeShareMaterielExpLeaveID(frame::Call& call, int32_t year, int32_t period,
                                               int32_t typeID, const com::Variant& arInterID) {
  respread(call, year, period, typeID, arInterID, false);
  return {};
}

}  // namespace mls::distribution::writers
