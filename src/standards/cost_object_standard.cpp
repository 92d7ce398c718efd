#include "standards/cost_object_standard.h"

#include <optional>
#include <string>

#include "frame/domain_codes.h"
#include "frame/lang_text.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/decimal.h"
#include "standards/standard_definition.h"
#include "standards/standard_qty_sql.h"

namespace mls::standards {
namespace {

using frame::sqlNumber;

// The unit whose data follow the profile's 'QuoToItem' switch rather than
// its own standard.
constexpr const char* kEquivalentCoefficient = "约当系数";

// Whether the profile's 'QuoToItem' reads as the number 1; a missing row or a
// text that is no number does not.
bool quotientToItem(ado::Connection& connection) {
  com::Ref<ado::Recordset> rs =
      connection.execute("SELECT FValue FROM t_SystemProfile WHERE FKey='QuoToItem' AND FCategory='CB'");
  if (rs->eof() || rs->value(0).isNull()) return false;
  std::string text = rs->value(0).toString();
  rs->close();
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  if (first == std::string::npos) return false;
  const std::optional<com::Decimal> value = com::Decimal::parse(text.substr(first, last - first + 1));
  return value && *value == com::Decimal::fromInt(1);
}

// The production departments where the cost object is in production in the
// period: an input quantity or a work-in-process balance there.
std::string inProductionDepartments(int32_t costObjID, int32_t year, int32_t period) {
  const std::string obj = sqlNumber(costObjID), y = sqlNumber(year), p = sqlNumber(period);
  return std::string(" WHERE a.FCostAccountType=") + frame::codes::kProductionDept +
         " AND (Exists(SELECT 1 FROM CBInQty q WHERE q.FCostObjID=" + obj + " AND q.FYear=" + y +
         " AND q.FPeriod=" + p + " AND q.FDeptID=a.FItemID)" +
         " OR Exists(SELECT 1 FROM cbBalance b1 WHERE b1.FProductID=" + obj + " AND b1.FYear=" + y +
         " AND b1.FPeriod=" + p + " AND b1.FDepID=a.FItemID))";
}

}  // namespace

com::Ref<ado::Recordset> getCostObjectStandardData(frame::Call& call, int32_t standardID, int32_t year,
                                                   int32_t period, int32_t costObjID,
                                                   frame::ByRef<bool> online) {
  const std::string language = call.language();
  ado::Connection& db = call.connection();
  const frame::PeriodWindow w =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsText);
  const StandardDefinition standard = readStandardDefinition(db, standardID, language);
  online = standard.online;
  const std::optional<ComplexFormula> formula = loadFormula(db, standard, language);
  createWorkingTable(db,
                     "  FCostObjID int,\r\n"
                     "  FDeptID int,\r\n"
                     "  FCostItemID int Not Null Default(0),\r\n",
                     formula);

  frame::SqlScript rows;
  if (standard.online) {
    rows.line(" INSERT INTO #OnlineCostObj(FCostObjID,FDeptID,FCostItemID)")
        .line(" SELECT " + sqlNumber(costObjID) +
              ",a.FItemID,b.FItemID FROM t_DepartMent a CROSS JOIN cbCostItem b");
  } else {
    rows.line(" INSERT INTO #OnlineCostObj(FCostObjID,FDeptID)")
        .line(" SELECT " + sqlNumber(costObjID) + ",a.FItemID FROM t_DepartMent a");
  }
  rows.line(inProductionDepartments(costObjID, year, period));
  rows.send(db);

  if (formula) {
    const std::string equivalent = frame::langText(kEquivalentCoefficient, language);
    for (const StandardUnit& u : formula->units()) {
      const bool byCostItem =
          u.name == kEquivalentCoefficient || u.name == equivalent ? quotientToItem(db) : u.online;
      runBuilderText(
          db, buildStandardQtySql(u.kind, u.standardID, year, period, w.begin, w.next, u.column, byCostItem));
    }
    formula->apply(db);
  } else {
    runBuilderText(
        db, buildStandardQtySql(0, standardID, year, period, w.begin, w.next, "FQty", standard.online));
  }
  return takeWorkingTable(db, "FDeptID,FCostItemID");
}

}  // namespace mls::standards
