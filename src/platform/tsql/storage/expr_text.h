// T-SQL text of an expression tree, for keeping a column's DEFAULT in a
// database file.  Parsing the text again (parseExpression) gives a tree that
// evaluates the same: every operation is parenthesised, literals keep their
// text as written, names are bracketed where the parser takes them as written.
//
// Queries have no text form here: an expression holding a subquery raises
// std::invalid_argument.
#pragma once

#include <string>

#include "platform/tsql/parse/ast.h"

namespace mls::tsql::storage {

std::string expressionText(const ast::Expr& e);

}  // namespace mls::tsql::storage
