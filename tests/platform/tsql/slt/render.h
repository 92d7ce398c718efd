// Rendering of result values as the SQL logic test format prints them, sorting
// and hashing.
#pragma once

#include <string>
#include <vector>

#include "executor.h"
#include "script.h"

namespace mls::tsql::slt {

// The value as printed for a column of type letter `type`:
//   I  an integer ("%d"); a real or exact value is truncated toward zero, text
//      gives its leading integer (0 when none), as the reference runners do;
//   R  "%.3f";
//   T  the value's text; an empty string is "(empty)".
// NULL is "NULL" in every column type.
std::string renderCell(const Cell& cell, char type);

// All values of the table, row by row, rendered by the column types (a column
// beyond the types renders as T) and ordered by the sort mode.
std::vector<std::string> renderValues(const ResultTable& table, const std::string& types, SortMode sort);

// "N values hashing to <md5>": the MD5 of every value followed by a newline.
std::string hashLine(const std::vector<std::string>& values);

// Whether an expected block is a hash line rather than values.
bool isHashLine(const std::string& line);

}  // namespace mls::tsql::slt
