#include "standards/complex_formula.h"

#include <exception>

#include "frame/lang_text.h"
#include "frame/pasted_text.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"
#include "platform/common/ascii_text.h"
#include "platform/tsql/parse/fragment.h"

namespace mls::standards {
namespace {

constexpr const char* kEmptyFormula = "定义的复合标准";
constexpr const char* kEmptyFormulaEnd = "计算公式为空!";
constexpr const char* kWrongFormula = "复合标准";
constexpr const char* kWrongFormulaEnd = "的计算公式错误!";
constexpr std::string_view kOpen = "~#";
constexpr std::string_view kClose = "~@";

using ascii::upperCase;

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// The deterministic scalar functions a formula may call.
const std::vector<tsql::AllowedFunction> kFormulaFunctions{
    {"ABS", 1, 1},   {"CEILING", 1, 1}, {"FLOOR", 1, 1},  {"SIGN", 1, 1},       {"ROUND", 2, 3},
    {"POWER", 2, 2}, {"ISNULL", 2, 2},  {"NULLIF", 2, 2}, {"COALESCE", 2, 255},
};

}  // namespace

void raiseStandardError(const std::string& description) {
  com::raise(-1, "-1", description);
}

std::string_view formulaExpression(std::string_view formula) {
  const size_t eq = formula.find('=');
  return eq == std::string_view::npos ? formula : formula.substr(eq + 1);
}

bool isMaterialQuotaStandard(std::string_view code, std::string_view formula) {
  return ascii::lowerCase(code) == "cldetld" ||
         upperCase(formula).find(upperCase("~#材料定额（投料单）~@")) != std::string::npos;
}

ComplexFormula ComplexFormula::load(ado::Connection& connection, std::string_view formula,
                                    const FormulaOwner& owner) {
  ComplexFormula f;
  f.owner_ = owner;
  if (formula.empty()) {
    raiseStandardError(frame::langText(kEmptyFormula, owner.language) + owner.name +
                       frame::langText(kEmptyFormulaEnd, owner.language));
  }
  const std::string expression(formulaExpression(formula));
  if (frame::hasBareCarriageReturn(expression)) f.raiseWrongFormula();
  // The token is searched as plain text (CHARINDEX), so a "%", "_" or "[" in
  // a unit's name matches only itself.
  frame::SqlScript sql;
  sql.line("SELECT  a.FItemID,a.FName,a.FStandardID,IsNull(b.FOnline,0) as FOnline ")
      .line(" FROM  cbStandardUnit a Left Join cb_BmStandard b ON a.FStandardID=b.FNum ")
      .line(" WHERE CHARINDEX('~#'+a.FName+'~@'," + frame::sqlNText(expression) + ")>0 ");
  com::Ref<ado::Recordset> rs = connection.execute(sql.text());
  for (; !rs->eof(); rs->moveNext()) {
    StandardUnit u;
    u.kind = rs->value(0).toLong();
    u.name = rs->value(1).toString();
    u.standardID = rs->value(2).toLong();
    u.online = rs->value(3).toLong() == 1;
    u.column = "FQty" + frame::sqlNumber(u.kind);
    f.units_.push_back(std::move(u));
  }
  rs->close();
  if (f.units_.empty()) f.raiseWrongFormula();
  f.expression_ = expression;
  for (const StandardUnit& u : f.units_) {
    // A negative kind would make a column name that is no identifier.
    if (u.kind < 0) f.raiseWrongFormula();
    replaceAll(f.expression_, std::string(kOpen) + u.name + std::string(kClose), u.column);
  }
  std::vector<std::string> columns;
  for (const StandardUnit& u : f.units_)
    columns.push_back(u.column);
  if (!tsql::checkValueFragment(f.expression_, columns, kFormulaFunctions).empty()) f.raiseWrongFormula();
  return f;
}

std::string ComplexFormula::columnDefinitions() const {
  frame::SqlScript sql;
  for (const StandardUnit& u : units_)
    sql.line("  [" + u.column + "] Decimal(28,10) Not Null Default(0),");
  return sql.text();
}

void ComplexFormula::apply(ado::Connection& connection, std::string_view table, std::string_view target,
                           std::string_view where) const {
  std::string sql =
      "Update  " + std::string(table) + " SET " + std::string(target) + "=" + frame::pastedText(expression_);
  if (!where.empty()) sql += " WHERE " + std::string(where);
  try {
    connection.execute(sql);
  } catch (const std::exception&) {
    com::clearCurrentError();
    raiseWrongFormula();
  }
}

void ComplexFormula::raiseWrongFormula() const {
  raiseStandardError(frame::langText(kWrongFormula, owner_.language) + owner_.name +
                     frame::langText(kWrongFormulaEnd, owner_.language));
}

}  // namespace mls::standards
