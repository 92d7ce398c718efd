#include "standards/standard_lookups.h"

#include <string>
#include <string_view>

#include "frame/sql_literal.h"
#include "standards/sql_text.h"

namespace mls::standards {
namespace {

using frame::sqlNumber;

com::Ref<ado::Recordset> detached(frame::Call& call, std::string_view sql) {
  com::Ref<ado::Recordset> rs = call.connection().execute(sql, nullptr, -1);
  rs->setActiveConnection(nullptr);
  return rs;
}

com::Ref<ado::Recordset> rationRows(frame::Call& call, std::string_view qty, int32_t standardId, int32_t year,
                                    int32_t period, int32_t costObjId) {
  SqlText sql;
  sql.line(" Select t1.FDeptID,t1.FCostObjID,t1.FCostItemID," + std::string(qty))
      .line("  from CBRationStandardInfo t1")
      .line("  WHERE t1.FStandardID=" + sqlNumber(standardId))
      .line("  AND t1.FCostObjID=" + sqlNumber(costObjId))
      .line("  AND t1.FYear=" + sqlNumber(year))
      .line("  AND t1.FPeriod=" + sqlNumber(period));
  return detached(call, sql.str());
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
  SqlText sql;
  sql.line("SELECT FDepID as FDeptID,FProductID as FCostObjID,FCostID as FCostItemID,")
      .line(" FBegBal as FQty from CBBalance ")
      .line(" WHERE FYear=" + sqlNumber(year))
      .line(" AND FPeriod=1 ")
      .line(" AND FTypeID=2 ")
      .line(" AND FProductID=" + sqlNumber(costObjId));
  return detached(call, sql.str());
}

com::Ref<ado::Recordset> getQtyID(frame::Call& call, int32_t stdId) {
  return detached(call, " Select FOnQty,FComplex from cb_bmStandard where FNum= " + sqlNumber(stdId));
}

}  // namespace mls::standards
