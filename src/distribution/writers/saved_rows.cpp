#include "distribution/writers/saved_rows.h"

#include <cmath>
#include <vector>

#include "distribution/engine/client_values.h"
#include "distribution/engine/issue_lines.h"
#include "distribution/engine/line_rows.h"
#include "frame/client_filter.h"
#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/decimal.h"
#include "platform/com/error.h"
#include "platform/halvern/dictionary.h"

namespace mls::distribution::writers {
namespace {

using engine::Purpose;
using frame::sqlNumber;

constexpr const char* kZeroStandard = "分配标准数值为零";

// A record's keys in the order of the columns they fill; the first five are
// whole numbers.
struct RecordKey {
  const char* key;
  const char* column;
  bool whole;
};
constexpr RecordKey kRecordKeys[] = {{"FStandardID", "FStdID", true},
                                     {"FInterID", "FInterID", true},
                                     {"FEntryID", "FEntryID", true},
                                     {"FCostObjID", "FCostObjID", true},
                                     {"FCostItemID", "FCostItemID", true},
                                     {"FStandardData", "FStandardData", false},
                                     {"FQty", "FQty", false},
                                     {"FPrice", "FPrice", false},
                                     {"FAmount", "FAmount", false}};

std::string recordValues(const frame::Call& call, const com::Variant& item, int32_t index) {
  const std::string what = "vctData item " + std::to_string(index);
  halvern::Dictionary* record = nullptr;
  if (item.kind() == com::VarKind::Object && item.toObject())
    record = dynamic_cast<halvern::Dictionary*>(item.toObject().get());
  if (!record) com::raise(com::err::kTypeMismatch, call.fullName(), what + " is not a dictionary");
  std::string values;
  for (const RecordKey& k : kRecordKeys) {
    if (!record->exists(k.key))
      com::raise(com::err::kInvalidCall, call.fullName(), what + " holds no item \"" + k.key + "\"");
    const std::string name = what + "(\"" + k.key + "\")";
    values += "," + (k.whole ? sqlNumber(engine::clientLong(call, record->item(k.key), name))
                             : sqlNumber(engine::clientNumber(call, record->item(k.key), name)));
  }
  return values;
}

std::string lineCondition(int32_t interID, int32_t entryID) {
  return " FInterID=" + sqlNumber(interID) + " AND FEntryID=" + sqlNumber(entryID);
}

}  // namespace

com::Variant saveMaterielDistribute(frame::Call& call, int32_t year, int32_t period, int32_t interID,
                                    int32_t entryID, com::Ref<halvern::List> vctData, int32_t typeID) {
  if (!vctData) com::raise(com::err::kObjectVariableNotSet, call.fullName(), "vctData is Nothing");
  std::string columns = "FYear,FPeriod";
  for (const RecordKey& k : kRecordKeys)
    columns += std::string(",") + k.column;
  const std::string table = engine::rowTable(engine::purposeOfType(typeID));
  frame::SqlScript inserts;
  int32_t index = 0;
  for (const com::Variant& item : *vctData) {
    inserts.line("INSERT INTO " + table + " (" + columns + ") VALUES (" + sqlNumber(year) + "," +
                 sqlNumber(period) + recordValues(call, item, ++index) + ")");
  }
  ado::Connection& db = call.connection();
  engine::inTransaction(db, [&] {
    db.execute("DELETE FROM " + table + " WHERE" + lineCondition(interID, entryID));
    if (!inserts.text().empty()) inserts.send(db);
  });
  return {};
}

com::Variant distributeMaterielExpense(frame::Call& call, int32_t interID, int32_t entryID,
                                       int32_t qtyDecimals, int32_t priceDecimals, double sumAmount,
                                       double sumQty) {
  const std::string language = call.language();
  if (qtyDecimals < 0 || qtyDecimals > 10 || priceDecimals < 0 || priceDecimals > 10)
    com::raise(com::err::kInvalidCall, call.fullName(), "iQtyDecimal and iPriceDecimal must be 0 to 10");
  if (!std::isfinite(sumAmount) || !std::isfinite(sumQty))
    com::raise(com::err::kInvalidCall, call.fullName(), "dbSumAmount and dbSumQty must be finite numbers");
  const com::Decimal amount = frame::decimalOf(sumAmount);
  const com::Decimal qty = frame::decimalOf(sumQty);
  ado::Connection& db = call.connection();
  // Totals that no row or line holds (1E18 or more) are refused before
  // anything changes; so are parts beyond a row, below.
  const com::Decimal limit = *com::Decimal::parse("999999999999999999.5");
  const std::string line = "SELECT " + sqlNumber(interID) + "," + sqlNumber(entryID);
  for (const com::Decimal& total : {amount, qty}) {
    if ((total.negative() ? -total : total) >= limit) engine::refuseLineBeyondColumn(db, language, line);
  }
  com::Ref<ado::Recordset> latest =
      db.execute("SELECT TOP 1 FYear,FPeriod FROM cbMaterielInfo WHERE" + lineCondition(interID, entryID) +
                 " ORDER BY FYear DESC,FPeriod DESC");
  if (latest->eof()) return {};
  const int32_t year = latest->value(0).toLong();
  const int32_t period = latest->value(1).toLong();
  latest->close();

  engine::loadRows(db, Purpose::Normal,
                   "WHERE d.FYear=" + sqlNumber(year) + " AND d.FPeriod=" + sqlNumber(period) + " AND" +
                       lineCondition(interID, entryID));
  // Each row takes the totals times its standard data over the line's, the
  // saved proportion; a line whose standard data add up to 0 gives every row 0.
  const std::string sums =
      "\r\n FROM #Rows r CROSS JOIN (SELECT ISNULL(SUM(FStandardData),0) AS FSum FROM #Rows) s\r\n";
  const std::string qtyPlaces = sqlNumber(qtyDecimals);
  engine::refuseLineBeyondColumn(
      db, language,
      "SELECT TOP 1 r.FInterID,r.FEntryID" + sums + "WHERE " +
          engine::partBeyondColumn(sqlNumber(qty), "r.FStandardData", "s.FSum", qtyPlaces) + " OR " +
          engine::partBeyondColumn(sqlNumber(amount), "r.FStandardData", "s.FSum", "2"));
  db.execute(
      "UPDATE r SET FQty=" + engine::weighedPart(sqlNumber(qty), "r.FStandardData", "s.FSum", qtyPlaces) +
      ",FAmount=" + engine::weighedPart(sqlNumber(amount), "r.FStandardData", "s.FSum", "2") + sums +
      "UPDATE #Rows SET FPrice=CASE WHEN FQty<>0 THEN ROUND(FAmount/FQty," + sqlNumber(priceDecimals) +
      ") ELSE 0 END");
  com::Ref<ado::Recordset> totals = db.execute("SELECT COUNT(*),ISNULL(SUM(FAmount),0) FROM #Rows");
  const bool refused = totals->value(0).toLong() > 1 && totals->value(1).toDecimal().isZero();
  totals->close();
  if (refused) {
    frame::dropTempTable(db, "#Rows");
    com::raise(-1, {}, frame::langText(kZeroStandard, language));
  }

  // The totals the rows must reach, rounded here half to even.
  const std::string target =
      "CREATE TABLE #Target (FYear int, FPeriod int, FInterID int, FEntryID int, "
      "FTarget Decimal(28,10))\r\nINSERT INTO #Target VALUES (" +
      sqlNumber(year) + "," + sqlNumber(period) + "," + sqlNumber(interID) + "," + sqlNumber(entryID) + ",";
  const std::string rank = engine::rankLargest("FStandardData");
  frame::dropTempTable(db, "#Target");
  db.execute(target + sqlNumber(amount.roundHalfEven(2)) + ")\r\n" +
             engine::placeDifference("FAmount", "#Target", rank) +
             "UPDATE #Target SET FTarget=" + sqlNumber(qty.roundHalfEven(qtyDecimals)) + "\r\n" +
             engine::placeDifference("FQty", "#Target", rank) + "DROP TABLE #Target");
  engine::writeRows(db, Purpose::Normal);
  return {};
}

com::Variant clearDistributeResult(frame::Call& call, int32_t year, int32_t period, int32_t typeID,
                                   std::string sFilter) {
  // A blank filter still takes the filtered way: only lines of the snapshot.
  const std::string condition = frame::clientCondition(call, sFilter, frame::FilterPlace::Appended,
                                                       {"t1", "u1", "v1", "t3", "t4", "t100"});
  const std::string table = engine::rowTable(engine::purposeOfType(typeID));
  const std::string ofPeriod = " WHERE FYear=" + sqlNumber(year) + " AND FPeriod=" + sqlNumber(period);
  ado::Connection& db = call.connection();
  if (sFilter.empty()) {
    db.execute("DELETE FROM " + table + ofPeriod);
    return {};
  }
  frame::dropTempTable(db, "#DelFInter");
  frame::SqlScript sql;
  sql.line("CREATE TABLE #DelFInter (FInterID int, FEntryID int)")
      .line("INSERT INTO #DelFInter (FInterID,FEntryID) SELECT DISTINCT t1.FInterID,t1.FEntryID FROM " +
            table + " t1")
      .line(" INNER JOIN cb_ICStockBill u1 ON u1.FInterID=t1.FInterID")
      .line(" INNER JOIN cb_ICStockBillEntry v1 ON v1.FInterID=t1.FInterID AND v1.FEntryID=t1.FEntryID")
      .line(" INNER JOIN t_Department t3 ON u1.FDeptID=t3.FItemID AND t3.FCostAccountType=" +
            std::string(frame::codes::kProductionDept))
      .line(" INNER JOIN t_ICItem t4 ON v1.FItemID=t4.FItemID" + engine::groupJoin())
      .line(" WHERE " + engine::notExcludedCondition() + " AND u1.FTranType=" + frame::codes::kMaterialIssue +
            " AND u1.FCancellation=0 AND u1.FStatus>0")
      .add(condition)
      .line("DELETE d FROM " + table +
            " d INNER JOIN #DelFInter x ON x.FInterID=d.FInterID AND "
            "x.FEntryID=d.FEntryID WHERE d.FYear=" +
            sqlNumber(year) + " AND d.FPeriod=" + sqlNumber(period));
  sql.send(db);
  frame::dropTempTable(db, "#DelFInter");
  return {};
}

}  // namespace mls::distribution::writers
