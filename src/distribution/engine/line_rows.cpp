#include "distribution/engine/line_rows.h"

#include "frame/drop_table.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"

namespace mls::distribution::engine {

void inTransaction(ado::Connection& connection, const std::function<void()>& work) {
  connection.execute("BEGIN TRAN");
  try {
    work();
    connection.execute("COMMIT TRAN");
  } catch (const com::ComError&) {
    try {
      connection.execute("IF @@TRANCOUNT>0 ROLLBACK TRAN");
    } catch (const com::ComError&) {
      // The connection closes next, which takes the transaction back too.
    }
    throw;
  }
}

std::string rowColumns(Purpose purpose) {
  return std::string("FYear,FPeriod,FInterID,FEntryID,FCostObjID,FCostItemID,") +
         (purpose == Purpose::ResidualValue ? "" : "FStdID,FStandardData,") + "FQty,FPrice,FAmount";
}

void loadRows(ado::Connection& connection, Purpose purpose, std::string_view joinsAndWhere) {
  frame::dropTempTable(connection, "#Rows");
  const std::string columns = rowColumns(purpose);
  std::string copied;
  for (size_t start = 0; start < columns.size();) {
    size_t end = columns.find(',', start);
    if (end == std::string::npos) end = columns.size();
    copied += (copied.empty() ? "d." : ",d.") + columns.substr(start, end - start);
    start = end + 1;
  }
  connection.execute(
      "CREATE TABLE #Rows (FRowID int IDENTITY(1,1), FYear int, FPeriod int, FInterID int, FEntryID int,\r\n"
      " FCostObjID int, FCostItemID int, FStdID int not null default 0,\r\n"
      " FStandardData Decimal(28,10) not null default 0, FQty Decimal(28,10), FPrice Decimal(28,10),\r\n"
      " FAmount Decimal(28,10))\r\n"
      "CREATE INDEX IX_Rows ON #Rows(FInterID,FEntryID)\r\n"
      "INSERT INTO #Rows (" +
      columns + ") SELECT " + copied + " FROM " + rowTable(purpose) + " d " + std::string(joinsAndWhere));
}

std::string placeDifference(std::string_view column, std::string_view targets, std::string_view rank) {
  const std::string c(column);
  const std::string t(targets);
  return "UPDATE r SET " + c + "=r." + c + "+(t.FTarget-s.FSum) FROM #Rows r\r\n INNER JOIN (SELECT " +
         "FYear,FPeriod,FInterID,FEntryID,SUM(" + c + ") AS FSum,\r\n  CAST(RIGHT(MAX(" + std::string(rank) +
         "+" + rankSmallest("FRowID") +
         "+STR(FRowID,10,0)),10) AS INT) AS FRowID\r\n  FROM #Rows GROUP BY FYear,FPeriod,FInterID,FEntryID) "
         "s "
         "ON s.FRowID=r.FRowID\r\n INNER JOIN " +
         t +
         " t ON t.FYear=s.FYear AND t.FPeriod=s.FPeriod AND t.FInterID=s.FInterID AND "
         "t.FEntryID=s.FEntryID\r\n"
         " WHERE t.FTarget<>s.FSum\r\n";
}

std::string rankLargest(std::string_view expression) {
  return "STR(" + std::string(expression) + ",23,10)";
}

std::string rankSmallest(std::string_view idExpression) {
  return "STR(2147483647.0-" + std::string(idExpression) + ",10,0)";
}

std::string weighedPart(std::string_view whole, std::string_view weight, std::string_view total,
                        std::string_view places) {
  const std::string t(total);
  return "CASE WHEN " + t + "=0 THEN 0 ELSE ROUND(" + std::string(whole) + "*" + std::string(weight) + "/(" +
         t + ")," + std::string(places) + ") END";
}

void writeRows(ado::Connection& connection, Purpose purpose) {
  const std::string table = rowTable(purpose);
  const std::string columns = rowColumns(purpose);
  inTransaction(connection, [&] {
    connection.execute(
        "DELETE d FROM " + table +
        " d WHERE EXISTS (SELECT 1 FROM #Rows r WHERE r.FYear=d.FYear AND r.FPeriod=d.FPeriod AND "
        "r.FInterID=d.FInterID AND r.FEntryID=d.FEntryID)\r\n"
        "INSERT INTO " +
        table + " (" + columns + ") SELECT " + columns + " FROM #Rows ORDER BY FRowID");
  });
  frame::dropTempTable(connection, "#Rows");
}

}  // namespace mls::distribution::engine
