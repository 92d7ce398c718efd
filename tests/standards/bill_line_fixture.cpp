#include "bill_line_fixture.h"

#include <algorithm>

#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"

namespace mls::testing {

using frame::sqlNumber;
using frame::sqlText;

namespace {

std::string orNull(const std::optional<int>& v) {
  return v ? sqlNumber(*v) : "NULL";
}

}  // namespace

void BillLineTest::setUpFor(const std::string& progId) {
  open(progId);
  db_.setPeriods(12, 2024, 1, 2024, 3);
  exec("INSERT INTO t_Department (FItemID, FNumber, FName) VALUES (1, 'D01', 'Assembly')");
  exec(
      "CREATE TABLE cb_ICStockBill (FInterID INT, FBillNo NVARCHAR(255), FDeptID INT)"
      " CREATE TABLE cb_ICStockBillEntry (FInterID INT, FEntryID INT, FItemID INT, FBatchNo VARCHAR(200))"
      " INSERT INTO cb_ICStockBill VALUES (900, 'SOUT-900', 1)");
  item(kMaterial);
  line(kMaterial);
}

void BillLineTest::costObject(int id, int product, int type, const std::string& batch,
                              std::optional<int> bom) const {
  exec("INSERT INTO cbCostObj (FItemID, FStdProductID, FCalculateType, FBatchNo, FBomID) VALUES (" +
       sqlNumber(id) + ", " + sqlNumber(product) + ", " + sqlNumber(type) + ", " + sqlText(batch) + ", " +
       orNull(bom) + ")");
}

void BillLineTest::input(int costObj, double qty) const {
  exec("INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, " +
       sqlNumber(costObj) + ", " + sqlNumber(qty) + ")");
}

void BillLineTest::item(int id, int track, std::optional<int> erpClass) const {
  exec("DELETE FROM t_ICItem WHERE FItemID = " + sqlNumber(id) +
       " INSERT INTO t_ICItem (FItemID, FTrack, FErpClsID) VALUES (" + sqlNumber(id) + ", " +
       sqlNumber(track) + ", " + orNull(erpClass) + ")");
}

void BillLineTest::standard(int num, const std::string& code, const std::string& name, bool complex,
                            std::optional<std::string> formula) const {
  exec("INSERT INTO cb_BmStandard (FNum, FID, FName, FName_EN, FName_CHT, FComPlex, FFormula) VALUES (" +
       sqlNumber(num) + ", " + sqlText(code) + ", " + sqlText(name + " zh") + ", " + sqlText(name) + ", " +
       sqlText(name + " tw") + ", " + sqlNumber(complex ? 1 : 0) + ", " +
       (formula ? frame::sqlNText(*formula) : "NULL") + ")");
}

void BillLineTest::unit(int kind, const std::string& name, int standardID) const {
  exec("INSERT INTO cbStandardUnit (FItemID, FName, FStandardID) VALUES (" + sqlNumber(kind) + ", " +
       frame::sqlNText(name) + ", " + sqlNumber(standardID) + ")");
}

void BillLineTest::ration(int standardID, int costObj, double qty) const {
  exec(
      "INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, "
      "FQty) "
      "VALUES (2024, 3, " +
      sqlNumber(standardID) + ", 1, " + sqlNumber(costObj) + ", 0, " + sqlNumber(qty) + ")");
}

void BillLineTest::line(int item, const std::string& batch) const {
  exec("DELETE FROM cb_ICStockBillEntry INSERT INTO cb_ICStockBillEntry VALUES (900, 1, " + sqlNumber(item) +
       ", " + sqlText(batch) + ")");
}

std::vector<com::Variant> BillLineTest::args(const StandardArgs& a) const {
  std::vector<com::Variant> v{2024, 3, kDept, a.costObj, a.standard, kBill, a.entry, a.refresh, a.group};
  if (a.item) v.push_back(*a.item);
  return v;
}

std::vector<std::string> BillLineTest::data(const StandardArgs& a, const std::string& language) {
  return rowsOf(callWith(db_.props(language), "GetStandarddata", args(a)));
}

std::vector<std::string> BillLineTest::rowsOf(const com::Variant& recordset) {
  auto& rs = dynamic_cast<ado::Recordset&>(*recordset.toObject().get());
  std::vector<std::string> rows;
  for (; !rs.eof(); rs.moveNext()) {
    std::string row;
    for (size_t i = 0; i < rs.fieldCount(); ++i)
      if (rs.fieldInfo(i).name != "FCostItemID") row += (row.empty() ? "" : " ") + rs.value(i).toString();
    rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

com::ExcepInfo BillLineTest::dataError(const StandardArgs& a, const std::string& language) {
  return errorOf("GetStandarddata", [&] { callWith(db_.props(language), "GetStandarddata", args(a)); });
}

int BillLineTest::count(const std::string& table) const {
  return db_.run("SELECT COUNT(*) FROM " + table)[0][0].toLong();
}

}  // namespace mls::testing
