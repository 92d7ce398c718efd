#include "standards/standard_lookups.h"

#include <string>
#include <string_view>

#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::standards {
namespace {

using frame::sqlNumber;

com::Ref<ado::Recordset> rationRows(frame::Call& call, std::string_view qty, int32_t standardId, int32_t year,
                                    int32_t period, int32_t costObjId) {
  frame::SqlScript sql;
  sql.line(" Select t1.FDeptID,t1.FCostObjID,t1.FCostItemID," + std::string(qty))
      .line("  from CBRationStandardInfo t1")
      .line("  WHERE t1.FStandardID=" + sqlNumber(standardId))
      .line("  AND t1.FCostObjID=" + sqlNumber(costObjId))
      .line("  AND t1.FYear=" + sqlNumber(year))
      .line("  AND t1.FPeriod=" + sqlNumber(period));
  return frame::detachedSelect(call.connection(), sql.text());
}

}  // namespace

com::Ref<ado::Recordset> getOnlStdAData(frame::Call& call, int32_t standardId, int32_t year, int32_t period,
                                        int32_t costObjId) {
  return rationRows(call, "t1.FQty", standardId, year, period, costObjId);
}

com::Ref<ado::Recordset> getOnlStdPData(frame::Call& call, int32_t standardId, int32_t year, int32_t period,
                                        int32_t costObjId) {
  return rationRows(call, "t1.FQty*0.01 as FQty", standardId, year, period, costObjId);
}

com::Ref<ado::Recordset> getYearBData(frame::Call& call, int32_t year, int32_t costObjId) {
  frame::SqlScript sql;
  sql.line("SELECT FDepID as FDeptID,FProductID as FCostObjID,FCostID as FCostItemID,")
      .line(" FBegBal as FQty from CBBalance ")
      .line(" WHERE FYear=" + sqlNumber(year))
      .line(" AND FPeriod=1 ")
      .line(" AND FTypeID=2 ")
      .line(" AND FProductID=" + sqlNumber(costObjId));
  return frame::detachedSelect(call.connection(), sql.text());
}

com::Ref<ado::Recordset> getQtyID(frame::Call& call, int32_t stdId) {
  return frame::detachedSelect(call.connection(),
                               " Select FOnQty,FComplex from cb_bmStandard where FNum= " + sqlNumber(stdId));
}

}  // namespace mls::standards
