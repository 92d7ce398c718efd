#include "standards/standard_settings.h"

#include <string_view>

#include "frame/domain_codes.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/common/ascii_text.h"

namespace mls::standards {
namespace {

using frame::sqlNumber;

// A settings table: its template rows, the columns a template carries besides
// the cost object, and the temporary table of the expansion.
struct Settings {
  std::string table;
  std::string templates;  // the condition of a template row
  std::string columns;    // what DISTINCT keeps of the templates
  std::string expanded;   // #Temp<table>
};

void dropIfExists(frame::SqlScript& sql, const std::string& table) {
  sql.line(" IF OBJECT_ID('tempdb.." + table + "') IS NOT NULL DROP TABLE " + table);
}

// The templates are expanded only when there are templates and
// classification cost objects to expand them to: without such cost objects
// the templates stay, since deleting them would lose the user's setting and
// insert nothing in its place.  The delete and the insert commit together.
void expand(frame::SqlScript& sql, const Settings& s) {
  sql.line(" IF EXISTS (SELECT * FROM " + s.table + " WHERE " + s.templates + ") ")
      .line(std::string("  AND EXISTS (SELECT * FROM CBCostObj WHERE FCalculateType=") +
            frame::codes::kClassification + ") ")
      .line(" BEGIN ");
  dropIfExists(sql, "#TEMPCostObj");
  sql.line(
         " CREATE TABLE #TEMPCostObj (FCostObjID int, FCostObjNumber varchar(255), FCostObjName "
         "varchar(255))")
      .line(" INSERT INTO #TEMPCostObj (FCostObjID, FCostObjNumber, FCostObjName)")
      .line(std::string(" SELECT FItemID, FNumber, FName FROM CBCostObj WHERE FCalculateType=") +
            frame::codes::kClassification);
  dropIfExists(sql, s.expanded);
  sql.line(" SELECT a.FCostObjID,b.* INTO " + s.expanded + " FROM #TEMPCostObj a  ")
      .line(" CROSS JOIN (SELECT DISTINCT " + s.columns + " FROM " + s.table + " WHERE " + s.templates +
            ") b  ")
      .line(" SET XACT_ABORT ON ")
      .line(" BEGIN TRANSACTION ")
      .line(" DELETE FROM " + s.table + " WHERE " + s.templates)
      .line(" INSERT INTO " + s.table + " (" + s.columns + ",FCostObjID)")
      .line(" SELECT " + s.columns + ",FCostObjID FROM " + s.expanded)
      .line(" COMMIT TRANSACTION ")
      .line(" END ");
  dropIfExists(sql, s.expanded);
}

}  // namespace

void updateClassifyCostObjStandardSet(frame::Call& call, int32_t year, int32_t period,
                                      const std::string& systemName) {
  const std::string system = ascii::upperCase(systemName);
  frame::SqlScript sql;
  if (system == "COST" || system == "DAYCOST") {
    expand(sql, {"CBDeptStdSet", "FDeptID=-1 AND FExpID=-1 AND FDeptAll=1",
                 "FDeptID,FExpID,FStandardID,FDeptAll", "#TempCBDeptStdSet"});
  } else if (system == "OPCOST") {
    expand(sql, {"OPCostTaxonSet",
                 "FYear=" + sqlNumber(year) + " AND FPeriod=" + sqlNumber(period) + " AND FDeptAll=1",
                 "FYear,FPeriod,FYearPeriod,FStandardID,FDeptAll", "#TempOPCostTaxonSet"});
  }
  dropIfExists(sql, "#TEMPCostObj");
  sql.send(call.connection());
}

}  // namespace mls::standards
