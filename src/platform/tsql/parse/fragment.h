// Checks of T-SQL pieces that a caller places inside a statement of its own (a
// client's condition, a stored formula), by the parser alone: nothing is bound
// or run, so a caller needs nothing of the engine's execution.  Each check
// answers a fault, empty when the piece is sound; a syntax fault is SQL
// Server's message ("Incorrect syntax near ';'.", "Unclosed quotation mark
// ..."), any other names what is not allowed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mls::tsql {

enum class Connective { None, And, Or };

struct ConditionFragment {
  bool empty = false;                  // no token at all: blank, or comments only
  Connective lead = Connective::None;  // the leading AND or OR, when written
  std::string fault;                   // empty when sound
};

// `text` continues a WHERE clause: nothing, or an optional leading AND or OR
// and then exactly one search condition of SQL Server's grammar (subqueries
// allowed) to the end of the text.  The forms this engine refuses with 40517
// (binary constants, other collations, CONTAINS ...) are no fault here: the
// engine refuses them when the statement runs, SQL Server runs them.  A ';',
// a second statement, an unclosed quote, comment or parenthesis, INTO in a
// subquery, a value where the condition belongs, and a carriage return not
// followed by a line feed (where a server may end a "--" comment that the
// parser reads on) are faults; so is a column reference outside the
// subqueries whose qualifier is not one of `aliases` (compared without case).
ConditionFragment checkConditionFragment(std::string_view text, const std::vector<std::string>& aliases);

// A function a value may call, with the least and most arguments it takes.
struct AllowedFunction {
  std::string name;  // compared without case
  int least = 1;
  int most = 1;
};

// `text` is one value, no condition at its top, built of literals, unqualified
// references to `columns`, arithmetic operators, CASE (whose conditions may
// compare and use AND, OR, NOT, IS NULL, BETWEEN, LIKE and IN lists), CAST,
// CONVERT and calls of `functions` with a number of arguments they take.  A
// subquery, a variable, a parameter marker, *, any other column or function
// is a fault.
std::string checkValueFragment(std::string_view text, const std::vector<std::string>& columns,
                               const std::vector<AllowedFunction>& functions);

}  // namespace mls::tsql
