// What the evaluators of one standard over a working table share: the
// standard's definition read in the caller's language, the working table
// #OnlineCostObj made of the caller's key columns, the formula's unit columns
// and FQty, and the builders' texts run on the table's connection.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ado/connection.h"
#include "standards/complex_formula.h"

namespace mls::standards {

// The message of a department that has no shared-material standard set, or
// whose standard does not exist; %1 names the department.
inline constexpr const char* kNoDepartmentStandard =
    "部门[%1]没有设定共耗材料的分配标准或指定的分配标准不存在!";

struct StandardDefinition {
  std::string code;     // FID
  std::string name;     // in the caller's language
  bool online = false;  // FOnline = 1: data held per cost item (NULL counts as 0)
  bool complex = false;
  std::string formula;
};

// The row of standard `number`; raises -1 with source "-1" and
// "指定的分配标准不存在!" (in `language`) when there is none.
StandardDefinition readStandardDefinition(ado::Connection& connection, int32_t number,
                                          const std::string& language);

// The formula of a complex standard (loaded and checked), none for a simple one.
std::optional<ComplexFormula> loadFormula(ado::Connection& connection, const StandardDefinition& standard,
                                          const std::string& language);

// Drops #OnlineCostObj and creates it anew: `keyColumns` (lines of the
// caller's own text, each ended by CR LF), a column per unit of `formula`,
// then FQty Decimal(28,10) NOT NULL DEFAULT 0.
void createWorkingTable(ado::Connection& connection, std::string_view keyColumns,
                        const std::optional<ComplexFormula>& formula);

// Executes a builder's text; an empty text (a kind without a source) holds no
// statement and leaves its column 0.
void runBuilderText(ado::Connection& connection, const std::string& text);

// Every row of #OnlineCostObj in the order of `orderBy` (the caller's own
// column list), detached, and the table dropped.
com::Ref<ado::Recordset> takeWorkingTable(ado::Connection& connection, std::string_view orderBy);

}  // namespace mls::standards
