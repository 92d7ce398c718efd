// Questions the binder asks of AST expressions before binding them.
#pragma once

#include <functional>
#include <string>

#include "platform/tsql/parse/ast.h"
#include "platform/tsql/parse/expr_children.h"

namespace mls::tsql {

// Does `e` hold an aggregate call (COUNT, SUM, ...) outside any subquery?
bool containsAggregate(const ast::Expr& e);

// A canonical text of `e` for matching a select-list expression to a GROUP BY
// expression: names without case, column references as `column` renders them
// (their resolved source and position).
std::string exprKey(const ast::Expr& e, const std::function<std::string(const ast::ColumnRef&)>& column);

}  // namespace mls::tsql
