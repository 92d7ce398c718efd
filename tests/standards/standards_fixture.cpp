#include "standards_fixture.h"

#include "frame/sql_literal.h"

namespace mls::testing {

using frame::sqlNumber;
using frame::sqlText;

void StandardsTest::SetUp() {
  db_.runSchemaFile("erp.sql");
  connection_ = com::makeObject<ado::Connection>();
  connection_->open(db_.connectString());
  // The widest layout of the callers: every column some text joins, the
  // simple standard's FQty and one unit column.
  exec(
      "CREATE TABLE #OnlineCostObj (FRowID int NOT NULL, FCostObjID int, FDeptID int, FItemID int,"
      " FCostItemID int NOT NULL DEFAULT(0), FProductID int, FIsDeputy int NOT NULL DEFAULT(0),"
      " [FQty70012] Decimal(28,10) NOT NULL DEFAULT(0), FQty Decimal(28,10) NOT NULL DEFAULT(0))");
}

void StandardsTest::TearDown() {
  connection_->close();
}

com::Variant StandardsTest::date(const std::string& ymd) {
  return com::Variant::date(com::Variant(ymd).toDate());
}

int StandardsTest::receiver(const Receiver& r) {
  const int row = ++rows_;
  exec(
      "INSERT INTO #OnlineCostObj (FRowID, FCostObjID, FDeptID, FItemID, FCostItemID, FProductID, FIsDeputy,"
      " FQty70012, FQty) VALUES (" +
      sqlNumber(row) + ", " + sqlNumber(r.costObj) + ", " + sqlNumber(r.dept) + ", " + sqlNumber(r.item) +
      ", " + sqlNumber(r.costItem) + ", " + sqlNumber(r.product) + ", " + sqlNumber(r.deputy) + ", " +
      sqlNumber(frame::decimalOf(r.start)) + ", " + sqlNumber(frame::decimalOf(r.start)) + ")");
  return row;
}

void StandardsTest::execute(const std::string& text) {
  ASSERT_FALSE(text.empty());
  connection_->execute(text);
}

double StandardsTest::qty(int row, const std::string& column) {
  com::Ref<ado::Recordset> rs =
      connection_->execute("SELECT " + column + " FROM #OnlineCostObj WHERE FRowID = " + sqlNumber(row));
  EXPECT_FALSE(rs->eof()) << "no row " << row;
  return rs->eof() ? -999 : rs->value(0).toDouble();
}

std::vector<double> StandardsTest::values(const std::vector<Receiver>& receivers, const std::string& text) {
  exec("DELETE FROM #OnlineCostObj");
  std::vector<int> rows;
  for (const Receiver& r : receivers)
    rows.push_back(receiver(r));
  execute(text);
  std::vector<double> out;
  for (int row : rows)
    out.push_back(qty(row));
  return out;
}

void StandardsTest::exec(const std::string& sql) const {
  connection_->execute(sql);
}

void StandardsTest::liveBill(int id, int tranType, int purpose, const std::string& ymd, int dept, int status,
                             int cancellation) {
  bill({.id = id,
        .type = tranType,
        .date = ymd,
        .dept = dept,
        .status = status,
        .cancellation = cancellation,
        .purpose = purpose});
}

void StandardsTest::liveLine(const LiveLine& l) {
  line(l.bill, ++entries_, l.item, l.qty, l.batch, l.costObj, l.reproduceType);
}

void StandardsTest::periodRow(const std::string& table, int dept, int costObj, double qty, int period) {
  exec("INSERT INTO " + table + " (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (" + sqlNumber(kYear) +
       ", " + sqlNumber(period) + ", " + sqlNumber(dept) + ", " + sqlNumber(costObj) + ", " +
       sqlNumber(frame::decimalOf(qty)) + ")");
}

}  // namespace mls::testing
