// The formula of a complex allocation standard, shared by every evaluator of
// complex standards (the standard data of a bill line, of one cost object, of
// joint products, and the distribution's weight builders).
//
// A formula is stored as "name=expression" (or a bare expression); the
// expression names standard units by the token "~#" + unit name + "~@".  Each
// unit gets one quantity column of the evaluator's working table, "FQty"
// followed by the unit's FItemID, and every token of the unit is replaced by
// that column.  The caller fills the columns (units() tells it from which
// standard) and then applies the formula with one UPDATE.
//
// A formula is stored data that reaches SQL: the expression, its tokens
// replaced, is checked by the T-SQL parser as one value of SQL Server's
// arithmetic - the unit columns, literals (1E2, 0.5, 'text'), + - * / % and
// the bitwise operators, parentheses, CASE with comparisons in its
// conditions, CAST, CONVERT and the deterministic functions ABS, CEILING,
// FLOOR, SIGN, ROUND, POWER, ISNULL, NULLIF and COALESCE.  Anything else - a
// token that names no unit, a subquery, a variable, another column, a second
// statement, a carriage return without a line feed (where a server may end a
// "--" comment that the parser reads on) - is a wrong formula, raised before
// any statement of the formula runs.  Comments are allowed; the expression
// ends its line in the statement (frame/pasted_text.h), so a closing "--"
// comment never reaches what the statement writes after it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/connection.h"

namespace mls::standards {

struct StandardUnit {
  int32_t kind = 0;        // cbStandardUnit.FItemID: where the unit's data come from
  std::string name;        // the name its token carries
  int32_t standardID = 0;  // the standard number whose data a non-system kind reads
  bool online = false;     // FOnline of that standard (False when there is none)
  std::string column;      // "FQty" + kind
};

// The standard a formula belongs to, for the texts of its errors.
struct FormulaOwner {
  std::string name;      // the standard's name in the caller's language
  std::string language;  // the caller's language
};

// The unit of kind 6: the usage of the bill line's material in BOMs.
inline constexpr int32_t kBomUsageKind = 6;

class ComplexFormula {
 public:
  // Finds the units `formula` names on `connection` (one query; the
  // expression travels as a quoted literal and unit names are matched as
  // plain text, so quotes and LIKE wildcards in either do nothing), replaces
  // their tokens (exact, case-sensitive) and checks the result.  Raises -1
  // with source "-1": "定义的复合标准" + name + "计算公式为空!" for an empty
  // formula, "复合标准" + name + "的计算公式错误!" when it names no unit or
  // the replaced expression is not a formula over the unit columns.
  static ComplexFormula load(ado::Connection& connection, std::string_view formula,
                             const FormulaOwner& owner);

  // In the order the database returned them.
  const std::vector<StandardUnit>& units() const { return units_; }
  // One "  [FQty<kind>] Decimal(28,10) Not Null Default(0)," line per unit,
  // each ended by CR LF, for the working table's definition.
  std::string columnDefinitions() const;
  // The checked expression over the unit columns.
  const std::string& expression() const { return expression_; }

  // "Update <table> SET <target>=<expression>" CR LF (then " WHERE <where>"
  // when given).  A failure of the statement (a division by zero, an overflow)
  // raises the wrong-formula error; the caller's table holds the unit columns
  // as filled.  `table`, `target` and `where` are the caller's own text.
  void apply(ado::Connection& connection, std::string_view table = "#OnlineCostObj",
             std::string_view target = "FQty", std::string_view where = {}) const;

  [[noreturn]] void raiseWrongFormula() const;

 private:
  FormulaOwner owner_;
  std::vector<StandardUnit> units_;
  std::string expression_;
};

// The expression of a stored formula: the text after its first "=", or the
// whole text when it has none.
std::string_view formulaExpression(std::string_view formula);

// Whether a standard shares by material quota: its code is "cldetld", or its
// formula names the material-quota unit "~#材料定额（投料单）~@" (both compared
// without regard to case).
bool isMaterialQuotaStandard(std::string_view code, std::string_view formula);

// Raises -1 with source "-1" and LangText(<pieces>) joined; the user errors of
// the standard evaluators.
[[noreturn]] void raiseStandardError(const std::string& description);

}  // namespace mls::standards
