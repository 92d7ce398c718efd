#include "standards/sort_standard.h"

#include <optional>
#include <string>

#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "standards/standard_definition.h"
#include "standards/standard_qty_sql.h"

namespace mls::standards {

using frame::sqlNumber;

std::string productsWithQuantity(int32_t costObjID, int32_t deptID, int32_t year, int32_t period) {
  return " FROM cb_CostObj_Product p INNER JOIN CBProductQty q ON q.FProductID=p.FProductID"
         " AND q.FCostObjID=p.FCostObjID\r\n WHERE p.FCostObjID=" +
         sqlNumber(costObjID) + " AND q.FDeptID=" + sqlNumber(deptID) + " AND q.FYear=" + sqlNumber(year) +
         " AND q.FPeriod=" + sqlNumber(period);
}

int32_t getSortStandardID(frame::Call& call, int32_t costObjID) {
  frame::SqlScript sql;
  sql.line("SELECT FStandardID from CBDeptStdSet")
      .line(" WHERE FCostObjID=" + sqlNumber(costObjID))
      .line(" AND FDeptID=-1 ")
      .line(" AND FExpID=-1 ")
      .line(" AND FStandardID in (select FNum from cb_BMStandard) ");
  com::Ref<ado::Recordset> rs = call.connection().execute(sql.text());
  const int32_t standard = rs->eof() ? 0 : rs->value(0).toLong();
  rs->close();
  return standard;
}

com::Ref<ado::Recordset> getSortStandarddata(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                             int32_t costObjID, int32_t costItemID, int32_t standardID) {
  const std::string language = call.language();
  ado::Connection& db = call.connection();
  const frame::PeriodWindow w =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsText);
  const StandardDefinition standard = readStandardDefinition(db, standardID, language);
  const std::optional<ComplexFormula> formula = loadFormula(db, standard, language);
  createWorkingTable(db,
                     "  FCostObjID int,\r\n"
                     "  FDeptID int,\r\n"
                     "  FProductID int,\r\n"
                     "  FCostItemID int Not Null Default(0),\r\n"
                     "  FIsDeputy int Not Null Default(0),\r\n",
                     formula);

  frame::SqlScript rows;
  rows.line(" INSERT INTO #OnlineCostObj(FCostObjID,FDeptID,FProductID,FCostItemID,FIsDeputy)")
      .line(" SELECT " + sqlNumber(costObjID) + ",q.FDeptID,p.FProductID," + sqlNumber(costItemID) +
            ",p.FIsDeputy")
      .line(productsWithQuantity(costObjID, deptID, year, period));
  rows.send(db);

  if (formula) {
    for (const StandardUnit& u : formula->units()) {
      runBuilderText(
          db, buildSortStandardQtySql(u.kind, u.standardID, year, period, w.begin, w.next, u.column, false));
    }
    formula->apply(db, "#OnlineCostObj", "FQty", "FIsDeputy=0");
  } else {
    runBuilderText(db, buildSortStandardQtySql(0, standardID, year, period, w.begin, w.next, "FQty", false));
  }
  return takeWorkingTable(db, "FDeptID,FProductID");
}

com::Ref<ado::Recordset> getDeputyData(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                       int32_t costObjID) {
  frame::SqlScript sql;
  sql.line(
         " Select t2.FDeptID,t1.FProductID,t1.FCostItemID,Round(IsNull(t1.FAmount,0)*IsNull(t2.FQty,0),2) as "
         "FAmount from CBDeputyInfo t1")
      .line("  inner join CBProductQty t2 on t1.FProductID=t2.FProductID ")
      .line("  WHERE t1.FYear=" + sqlNumber(year))
      .line("  AND t1.FPeriod=" + sqlNumber(period))
      .line("  AND t2.FYear=" + sqlNumber(year))
      .line("  AND t2.FPeriod=" + sqlNumber(period))
      .line("  AND t2.FCostObjID=" + sqlNumber(costObjID))
      .line("  AND t2.FDeptID=" + sqlNumber(deptID));
  return frame::detachedSelect(call.connection(), sql.text());
}

}  // namespace mls::standards
