#include "engine_fixture.h"

#include <algorithm>

#include "frame/sql_literal.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "platform/halvern/dictionary.h"

namespace mls::testing {

using frame::sqlNumber;
using frame::sqlText;

void EngineTest::producingCostObject(int costObj) {
  item(200 + costObj, 0);
  costObject(costObj, 906, 200 + costObj);
  exec("INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, " +
       sqlNumber(costObj) + ", 10)");
}

void EngineTest::SetUp() {
  open("Marlstone.AutoDis");
  db_.setPeriods(12, 2024, 1, 2024, 3);
  department(1, 361);
  department(2, 361);
  item(100, 2);
  for (int c : {3, 5, 7, 9})
    producingCostObject(c);
  exec(
      "INSERT INTO cb_BmStandard (FNum, FID, FName, FName_EN) VALUES (1, 'JE', N'定额', 'Entered')\r\n"
      "INSERT INTO cbCostItem (FItemID, FNumber, FName, FTypeID) VALUES (1, '01', 'Material', 901), "
      "(2, '02', 'Labour', 902)");
}

Rows EngineTest::rows(const std::string& sql) const {
  return db_.texts(sql);
}

void EngineTest::issue(const Issue& l, Bill header) {
  header.id = l.bill;
  if (std::find(bills_.begin(), bills_.end(), l.bill) == bills_.end()) {
    bill(header);
    bills_.push_back(l.bill);
  }
  valuedLine(l.bill, l.entry, l.item, l.qty, l.amount, l.planPrice, l.costObj, l.group);
}

void EngineTest::weights(int standard, const std::map<int, double>& byCostObj) const {
  for (const auto& [costObj, qty] : byCostObj) {
    exec(
        "INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, "
        "FQty) "
        "VALUES (2024, 3, " +
        sqlNumber(standard) + ", 1, " + sqlNumber(costObj) + ", 0, " + sqlNumber(frame::decimalOf(qty)) +
        ")");
  }
}

void EngineTest::savedRow(int bill, int entry, int costObj, double standardData, double amount, int costItem,
                          double qty) const {
  exec(
      "INSERT INTO cbMaterielInfo (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FStdID, "
      "FStandardData, FQty, FAmount) VALUES (2024, 3, " +
      sqlNumber(bill) + ", " + sqlNumber(entry) + ", " + sqlNumber(costObj) + ", " + sqlNumber(costItem) +
      ", 9, " + sqlNumber(frame::decimalOf(standardData)) + ", " + sqlNumber(frame::decimalOf(qty)) + ", " +
      sqlNumber(frame::decimalOf(amount)) + ")");
}

void EngineTest::snapshot() {
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  callOn(*update, db_.props("en"), "GetICStockBillDataForCB", {2024, 3});
}

com::Variant EngineTest::distribute(const Runs& r) {
  com::Ref<com::Dispatch> filter = halvern::createDictionary();
  auto* d = dynamic_cast<halvern::Dictionary*>(filter.get());
  d->setItem("Year", com::Variant(2024));
  d->setItem("Period", com::Variant(3));
  d->setItem("bNoDis", com::Variant(r.noDis));
  std::vector<com::Variant> args{r.standard,      r.dept,   r.type,    com::Variant(filter),
                                 r.item,          r.filter, r.table,   r.byItem,
                                 r.formulaByItem, r.group,  r.costItem};
  if (!r.errInfo.isMissing()) args.push_back(r.errInfo);
  return call("AutoDisMaterielExp", args);
}

Rows EngineTest::rowsOf(int bill, int entry, const std::string& table) const {
  return rows("SELECT FCostObjID, FQty, FAmount FROM " + table +
              " WHERE FYear = 2024 AND FPeriod = 3 AND FInterID = " + sqlNumber(bill) +
              " AND FEntryID = " + sqlNumber(entry) + " ORDER BY FCostObjID, FCostItemID");
}

}  // namespace mls::testing
