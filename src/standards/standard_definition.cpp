#include "standards/standard_definition.h"

#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/records.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/ado/recordset.h"
#include "platform/common/ascii_text.h"

namespace mls::standards {
namespace {

using frame::textOf;

constexpr const char* kNoStandard = "指定的分配标准不存在!";

}  // namespace

StandardDefinition readStandardDefinition(ado::Connection& connection, int32_t number,
                                          const std::string& language) {
  const std::string lang = ascii::lowerCase(language);
  const char* select = lang == "en"    ? "SELECT  FNum,FID,FName_en AS FName,FOnline,FComPlex,FFormula "
                       : lang == "cht" ? "SELECT  FNum,FID,FName_cht AS FName,FOnline,FComPlex,FFormula "
                                       : "SELECT  FNum,FID,FName,FOnline,FComPlex,FFormula ";
  com::Ref<ado::Recordset> rs = connection.execute(
      std::string(select) + "\r\n FROM  cb_bmStandard  WHERE FNum=" + frame::sqlNumber(number));
  if (rs->eof()) raiseStandardError(frame::langText(kNoStandard, language));
  StandardDefinition s;
  s.code = textOf(rs->value("FID"));
  s.name = textOf(rs->value("FName"));
  s.online = !rs->value("FOnline").isNull() && rs->value("FOnline").toLong() == 1;
  s.complex = !rs->value("FComPlex").isNull() && rs->value("FComPlex").toLong() == 1;
  s.formula = textOf(rs->value("FFormula"));
  rs->close();
  return s;
}

std::optional<ComplexFormula> loadFormula(ado::Connection& connection, const StandardDefinition& standard,
                                          const std::string& language) {
  if (!standard.complex) return std::nullopt;
  return ComplexFormula::load(connection, standard.formula, FormulaOwner{standard.name, language});
}

void createWorkingTable(ado::Connection& connection, std::string_view keyColumns,
                        const std::optional<ComplexFormula>& formula) {
  frame::dropTempTable(connection, "#OnlineCostObj");
  frame::SqlScript sql;
  sql.line(" Create Table #OnlineCostObj( ")
      .add(keyColumns)
      .add(formula ? formula->columnDefinitions() : std::string())
      .line("     FQty Decimal(28,10) Not Null Default(0)) ");
  sql.send(connection);
}

void runBuilderText(ado::Connection& connection, const std::string& text) {
  if (!text.empty()) connection.execute(text);
}

com::Ref<ado::Recordset> takeWorkingTable(ado::Connection& connection, std::string_view orderBy) {
  com::Ref<ado::Recordset> rs =
      frame::detachedSelect(connection, "SELECT * FROM #OnlineCostObj ORDER BY " + std::string(orderBy));
  frame::dropTempTable(connection, "#OnlineCostObj");
  return rs;
}

}  // namespace mls::standards
