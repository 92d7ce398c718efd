#include "support/erp_rows.h"

#include "frame/sql_literal.h"

namespace mls::testing {
namespace {

using frame::sqlNumber;
using frame::sqlText;

template <class T>
std::string orNull(const std::optional<T>& v) {
  return v ? sqlNumber(frame::decimalOf(*v)) : "NULL";
}

}  // namespace

void ErpRows::department(int id, int costAccountType) const {
  exec("INSERT INTO t_Department (FItemID, FNumber, FName, FCostAccountType) VALUES (" + sqlNumber(id) +
       ", " + sqlText("D" + std::to_string(id)) + ", " + sqlText("Dept " + std::to_string(id)) + ", " +
       sqlNumber(costAccountType) + ")");
}

void ErpRows::item(const ItemRow& r) const {
  const com::Variant& erpClass = r.erpClass;
  exec(
      "INSERT INTO t_ICItem (FItemID, FNumber, FName, FTrack, FQtyDecimal, FStandardManHour, FErpClsID) "
      "VALUES (" +
      sqlNumber(r.id) + ", " + sqlText(r.number.value_or("I" + std::to_string(r.id))) + ", " +
      sqlText(r.name.value_or("Item " + std::to_string(r.id))) + ", " + sqlNumber(r.track) + ", " +
      orNull(r.qtyDecimal) + ", " + orNull(r.standardManHour) + ", " +
      (erpClass.isNull() ? "NULL" : sqlNumber(erpClass.toLong())) + ")");
}

void ErpRows::costObject(int id, std::optional<int> type, int product, const std::string& batch) const {
  exec("INSERT INTO cbCostObj (FItemID, FNumber, FName, FStdProductID, FBatchNo, FCalculateType) VALUES (" +
       sqlNumber(id) + ", " + sqlText("C" + std::to_string(id)) + ", " + sqlText("Cost object") + ", " +
       sqlNumber(product) + ", " + sqlText(batch) + ", " + orNull(type) + ")");
}

void ErpRows::coProduct(int costObj, int product, double quotiety, int deputy) const {
  exec("INSERT INTO cb_CostObj_Product (FCostObjID, FProductID, FQuotiety, FIsDeputy) VALUES (" +
       sqlNumber(costObj) + ", " + sqlNumber(product) + ", " + sqlNumber(frame::decimalOf(quotiety)) + ", " +
       sqlNumber(deputy) + ")");
}

void ErpRows::bill(const Bill& b) const {
  exec(
      "INSERT INTO ICStockBill (FInterID, FBillNo, FTranType, FDate, FDeptID, FVchInterID, FROB, FCheckerID, "
      "FStatus, FCancellation, FPurposeID) VALUES (" +
      sqlNumber(b.id) + ", " + sqlText("B" + std::to_string(b.id)) + ", " + sqlNumber(b.type) + ", " +
      sqlText(b.date) + ", " + orNull(b.dept) + ", 0, 1, 9, " + orNull(b.status) + ", " +
      sqlNumber(b.cancellation) + ", " + sqlNumber(b.purpose) + ")");
}

void ErpRows::line(int interId, int entryId, int item, double qty, const std::string& batch, int costObj,
                   int reproduceType) const {
  exec(
      "INSERT INTO ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FBatchNo, FCostOBJID, "
      "FReProduceType) "
      "VALUES (" +
      sqlNumber(interId) + ", " + sqlNumber(entryId) + ", " + sqlNumber(item) + ", " +
      sqlNumber(frame::decimalOf(qty)) + ", " + sqlText(batch) + ", " + sqlNumber(costObj) + ", " +
      sqlNumber(reproduceType) + ")");
}

void ErpRows::valuedLine(int interId, int entryId, int item, double qty, double amount, double planPrice,
                         int costObj, int group) const {
  exec(
      "INSERT INTO ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FAmount, FPrice, FPlanPrice, "
      "FCostOBJID, FCostObjGroupID) VALUES (" +
      sqlNumber(interId) + ", " + sqlNumber(entryId) + ", " + sqlNumber(item) + ", " +
      sqlNumber(frame::decimalOf(qty)) + ", " + sqlNumber(frame::decimalOf(amount)) + ", " +
      sqlNumber(frame::decimalOf(qty == 0 ? 0 : amount / qty)) + ", " +
      sqlNumber(frame::decimalOf(planPrice)) + ", " + sqlNumber(costObj) + ", " + sqlNumber(group) + ")");
}

}  // namespace mls::testing
