#include "checks/guards.h"

#include <string>

#include "frame/lang_text.h"
#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"

namespace mls::checks {
namespace {

using frame::sqlNumber;

// Raises -1 with `text` in the call's language, keeping the current source,
// when `sql` counts no row.
void requireRows(frame::Call& call, const std::string& sql, const char* text) {
  com::Ref<ado::Recordset> rs = call.connection().execute(sql, nullptr, -1);
  const bool found = rs->value(size_t{0}).toLong() != 0;
  rs->close();
  if (!found) com::raise(-1, {}, frame::langText(text, call.language()));
}

// The cost object's row, for which `exists` finds a row of the period.
std::string costObjCount(int32_t costObjID, const std::string& exists) {
  return "SELECT COUNT(*) FROM cbCostObj t1 WHERE t1.FItemID = " + sqlNumber(costObjID) + " AND (" + exists +
         ")";
}

}  // namespace

com::Variant checkIsOnlineCostObj(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                  int32_t costObjID) {
  const std::string ofPeriod = " AND FYear = " + sqlNumber(year) + " AND FPeriod = " + sqlNumber(period);
  requireRows(
      call,
      costObjCount(costObjID,
                   "EXISTS (SELECT 1 FROM CBInQty WHERE FDeptID = " + sqlNumber(deptID) + ofPeriod +
                       " AND FCostObjID = t1.FItemID) OR EXISTS (SELECT 1 FROM cbBalance WHERE FDepID = " +
                       sqlNumber(deptID) + ofPeriod + " AND FProductID = t1.FItemID)"),
      "单据上的部门和成本对象本期未投产，不能进行费用分配!");
  return {};
}

com::Variant checkIsWasterCostObj(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                  int32_t costObjID) {
  requireRows(call,
              costObjCount(costObjID,
                           "EXISTS (SELECT 1 FROM cbWasterCostObjInfo WHERE FWasterTypeID = 0 AND "
                           "FDeptID = " +
                               sqlNumber(deptID) + " AND FYear = " + sqlNumber(year) +
                               " AND FPeriod = " + sqlNumber(period) + " AND FCostObjID = t1.FItemID)"),
              "单据上的部门或成本对象本期没有可修复废品产量，不能进行废品材料费用分配!");
  return {};
}

}  // namespace mls::checks
