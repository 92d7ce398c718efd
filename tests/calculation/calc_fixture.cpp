#include "calc_fixture.h"

#include <stdlib.h>

#include "classes/library.h"
#include "frame/sql_literal.h"

namespace mls::testing {

using frame::sqlNumber;
using frame::sqlText;

namespace {

std::string optional(const std::optional<int>& v) {
  return v ? sqlNumber(*v) : "NULL";
}

}  // namespace

void CalcTest::SetUp() {
  open("Marlstone.ConcludeUpdate");
  db_.setPeriods(12, 2024, 1, 2024, 3);
}

Rows CalcTest::rows(const std::string& sql) const {
  Rows out;
  for (const std::vector<com::Variant>& r : db_.run(sql)) {
    std::vector<std::string> row;
    for (const com::Variant& v : r)
      row.push_back(v.isNull() ? "NULL" : v.toString());
    out.push_back(std::move(row));
  }
  return out;
}

std::string CalcTest::scalar(const std::string& sql) const {
  Rows r = rows(sql);
  return r.empty() || r[0].empty() ? "<none>" : r[0][0];
}

int CalcTest::count(const std::string& table, const std::string& where) const {
  return std::stoi(scalar("SELECT COUNT(*) FROM " + table + (where.empty() ? "" : " WHERE " + where)));
}

void CalcTest::department(int id, int costAccountType) const {
  exec("INSERT INTO t_Department (FItemID, FNumber, FName, FCostAccountType) VALUES (" + sqlNumber(id) +
       ", " + sqlText("D" + std::to_string(id)) + ", " + sqlText("Dept " + std::to_string(id)) + ", " +
       sqlNumber(costAccountType) + ")");
}

void CalcTest::item(int id, std::optional<int> qtyDecimal, int track) const {
  exec("INSERT INTO t_ICItem (FItemID, FNumber, FName, FTrack, FQtyDecimal) VALUES (" + sqlNumber(id) + ", " +
       sqlText("I" + std::to_string(id)) + ", " + sqlText("Item " + std::to_string(id)) + ", " +
       sqlNumber(track) + ", " + optional(qtyDecimal) + ")");
}

void CalcTest::costObject(int id, int type, int product, const std::string& batch) const {
  exec("INSERT INTO cbCostObj (FItemID, FNumber, FName, FStdProductID, FBatchNo, FCalculateType) VALUES (" +
       sqlNumber(id) + ", " + sqlText("C" + std::to_string(id)) + ", " + sqlText("Cost object") + ", " +
       sqlNumber(product) + ", " + sqlText(batch) + ", " + sqlNumber(type) + ")");
}

void CalcTest::coProduct(int costObj, int product, double quotiety, int deputy) const {
  exec("INSERT INTO cb_CostObj_Product (FCostObjID, FProductID, FQuotiety, FIsDeputy) VALUES (" +
       sqlNumber(costObj) + ", " + sqlNumber(product) + ", " + sqlNumber(quotiety) + ", " +
       sqlNumber(deputy) + ")");
}

void CalcTest::bill(const Bill& b) const {
  exec(
      "INSERT INTO ICStockBill (FInterID, FBillNo, FTranType, FDate, FDeptID, FVchInterID, FROB, FCheckerID, "
      "FStatus, FCancellation, FPurposeID) VALUES (" +
      sqlNumber(b.id) + ", " + sqlText("B" + std::to_string(b.id)) + ", " + sqlNumber(b.type) + ", " +
      sqlText(b.date) + ", " + optional(b.dept) + ", 0, 1, 9, " + optional(b.status) + ", " +
      sqlNumber(b.cancellation) + ", " + sqlNumber(b.purpose) + ")");
}

void CalcTest::line(int interId, int entryId, int item, double qty, const std::string& batch) const {
  exec("INSERT INTO ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FBatchNo) VALUES (" +
       sqlNumber(interId) + ", " + sqlNumber(entryId) + ", " + sqlNumber(item) + ", " + sqlNumber(qty) +
       ", " + sqlText(batch) + ")");
}

void CalcTest::snapshot(int year, int period) {
  call("GetICStockBillDataForCB", {year, period});
}

}  // namespace mls::testing
