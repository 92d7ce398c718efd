#include "distribution/inquiry/issue_line_lists.h"

#include <string>

#include "distribution/engine/client_values.h"
#include "distribution/engine/issue_lines.h"
#include "frame/domain_codes.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::distribution::inquiry {
namespace {

using engine::Purpose;
using frame::sqlNumber;

com::Ref<ado::Recordset> expInfo(frame::Call& call, const com::Ref<halvern::Dictionary>& filter,
                                 bool noDisData, Purpose purpose) {
  const int32_t year = engine::filterLong(call, filter, "Filter", "Year");
  const int32_t period = engine::filterLong(call, filter, "Filter", "Period");
  const int32_t dept = engine::filterLong(call, filter, "Filter", "DeptID");
  const bool onlyShare = engine::filterLong(call, filter, "Filter", "OnlyShare", 0) == 1;
  const engine::WindowDays w = engine::windowDays(call, year, period);
  const int32_t style = engine::matCalStyle(call.connection());

  frame::SqlScript sql;
  sql.line("SELECT t1.FQtyDecimal,t1.FPriceDecimal,")
      .line(
          " CASE WHEN v1.FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FNumber='MaterielShareID') THEN 0"
          " ELSE ISNULL(t2.FItemID,0) END AS FCostObjID,")
      .line(
          " t2.FNumber AS FCostObjNumber,t2.FName AS FCostObjName,u1.FDate,u1.FBillNo,t1.FNumber,t1.FName,"
          "v1.FQty,")
      .line(" t_VoucherGroup.FName+'-'+convert(varchar,t_Voucher.FNumber) AS FVoucherNumber,")
      .line(" " + engine::valuedPrice(style, "t1") + " AS FPrice," + engine::valuedAmount(style, "t1") +
            " AS FAmount,")
      .line(" u1.FInterID,u1.FTranType,v1.FEntryID,u1.FDeptID,t3.FNumber AS FDeptID,t3.FName AS FDeptName")
      .line("FROM cb_ICStockBill u1 INNER JOIN cb_ICStockBillEntry v1 ON u1.FInterID=v1.FInterID")
      .line(" INNER JOIN t_ICItem t1 ON v1.FItemID=t1.FItemID")
      .line(" LEFT OUTER JOIN cbCostObj t2 ON v1.FCostObjID=t2.FItemID")
      .line(" INNER JOIN t_Department t3 ON u1.FDeptID=t3.FItemID")
      .line(" LEFT JOIN t_Voucher ON u1.FVchInterID=t_Voucher.FVoucherID")
      .line(" LEFT JOIN t_VoucherGroup ON t_Voucher.FGroupID=t_VoucherGroup.FGroupID")
      .line("WHERE " + engine::periodIssueCondition(w.begin, w.next) + " AND u1.FDeptID=" + sqlNumber(dept))
      .line(" AND " + engine::notExcludedCondition());
  if (onlyShare) sql.line(" AND " + engine::sharedCondition());
  if (noDisData) sql.line(engine::undistributedCondition(purpose, year, period));
  return frame::detachedSelect(call.connection(), sql.text());
}

com::Ref<ado::Recordset> expInfoByLevel(frame::Call& call, int32_t year, int32_t period, int32_t level,
                                        bool onlyShare, Purpose purpose) {
  const engine::WindowDays w = engine::windowDays(call, year, period);
  frame::SqlScript sql;
  sql.line("SELECT t1.FQtyDecimal,t1.FPriceDecimal,v1.FQty,v1.FPrice,v1.FAmount,u1.FInterID,v1.FEntryID")
      .line("FROM ICStockBill u1 INNER JOIN ICStockBillEntry v1 ON u1.FInterID=v1.FInterID")
      .line(" INNER JOIN " + std::string(engine::rowTable(purpose)) +
            " t4 ON t4.FInterID=v1.FInterID AND t4.FEntryID=v1.FEntryID")
      .line(" INNER JOIN t_ICItem t1 ON v1.FItemID=t1.FItemID")
      .line(" INNER JOIN t_DepartMent t5 ON u1.FDeptID=t5.FItemID AND t5.FCostAccountType=" +
            std::string(frame::codes::kProductionDept))
      .line(" INNER JOIN cbProductCalInfo t3 ON v1.FItemID=t3.FProductID")
      .line("WHERE " + engine::periodIssueCondition(w.begin, w.next))
      .line(" AND t3.FYear=" + sqlNumber(year) + " AND t3.FPeriod=" + sqlNumber(period) + " AND t4.FYear=" +
            sqlNumber(year) + " AND t4.FPeriod=" + sqlNumber(period) + " AND t3.FLevel=" + sqlNumber(level))
      .line(" AND " + engine::notExcludedCondition());
  if (onlyShare) sql.line(" AND " + engine::sharedCondition());
  return frame::detachedSelect(call.connection(), sql.text());
}

}  // namespace

com::Ref<ado::Recordset> getMaterielExpInfo(frame::Call& call, com::Ref<halvern::Dictionary> filter,
                                            bool noDisData) {
  return expInfo(call, filter, noDisData, Purpose::Normal);
}

com::Ref<ado::Recordset> getWasteMaterielExpInfo(frame::Call& call, com::Ref<halvern::Dictionary> filter,
                                                 bool noDisData) {
  return expInfo(call, filter, noDisData, Purpose::RepairableWaste);
}

com::Ref<ado::Recordset> getMaterielExpInfoByLevel(frame::Call& call, int32_t year, int32_t period,
                                                   int32_t level, bool onlyShare) {
  return expInfoByLevel(call, year, period, level, onlyShare, Purpose::Normal);
}

com::Ref<ado::Recordset> getWasteMaterielExpInfoByLevel(frame::Call& call, int32_t year, int32_t period,
                                                        int32_t level, bool onlyShare) {
  return expInfoByLevel(call, year, period, level, onlyShare, Purpose::RepairableWaste);
}

}  // namespace mls::distribution::inquiry
