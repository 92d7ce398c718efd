#include "bill_line_fixture.h"

#include <algorithm>

#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"
#include "support/com_errors.h"

namespace mls::testing {

using frame::sqlNumber;
using frame::sqlText;

void BillLineTest::setUpFor(const std::string& progId) {
  open(progId);
  db_.setPeriods(12, 2024, 1, 2024, 3);
  exec(
      "INSERT INTO t_Department (FItemID, FNumber, FName) VALUES (1, 'D01', 'Assembly') INSERT INTO t_ICItem "
      "(FItemID) VALUES (500) CREATE TABLE cb_ICStockBill (FInterID INT, FBillNo NVARCHAR(255), FDeptID INT) "
      "CREATE TABLE cb_ICStockBillEntry (FInterID INT, FEntryID INT, FItemID INT, FBatchNo VARCHAR(200)) "
      "INSERT INTO cb_ICStockBill VALUES (900, 'SOUT-900', 1) INSERT INTO cb_ICStockBillEntry VALUES (900, "
      "1, 500, '')");
}

void BillLineTest::inProduction(const std::vector<int>& costObjs) const {
  for (int id : costObjs) {
    exec("INSERT INTO cbCostObj (FItemID) VALUES (" + sqlNumber(id) +
         ") INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, " +
         sqlNumber(id) + ", 1)");
  }
}

void BillLineTest::standard(int num, const std::string& code, bool complex,
                            const std::optional<std::string>& formula) const {
  exec("DELETE FROM cb_BmStandard WHERE FNum = " + sqlNumber(num) +
       " INSERT INTO cb_BmStandard (FNum, FID, FName, FName_EN, FName_CHT, FComPlex, FFormula) VALUES (" +
       sqlNumber(num) + ", " + sqlText(code) + ", " + sqlText(code + " zh") + ", " + sqlText(code) + ", " +
       sqlText(code + " tw") + ", " + sqlNumber(complex ? 1 : 0) + ", " +
       (formula ? frame::sqlNText(*formula) : "NULL") + ")");
}

std::vector<com::Variant> BillLineTest::args(const StandardArgs& a) const {
  std::vector<com::Variant> v{2024, 3, 1, a.costObj, a.standard, 900, 1, a.refresh, a.group};
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
  return failureOf("GetStandarddata", [&] { callWith(db_.props(language), "GetStandarddata", args(a)); });
}

}  // namespace mls::testing
