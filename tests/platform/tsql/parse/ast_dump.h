// A compact text form of parsed trees, so that tests can state the shape they
// expect in one line: (+ 1 (* 2 3)), (JOIN LEFT a b (= a.x b.x)), ...
#pragma once

#include <string>
#include <string_view>

#include "platform/tsql/engine.h"
#include "platform/tsql/parse/ast.h"

namespace mls::tsql::test {

std::string dump(const ast::Expr& e);
std::string dump(const ast::Query& q);
std::string dump(const ast::TableRef& t);
std::string dump(const ast::TypeName& t);

// The single expression of `SELECT <text>`'s first item.
std::string dumpValue(std::string_view text);
// The query of a batch holding one SELECT statement.
std::string dumpQuery(std::string_view text);

// The SqlError that parsing the batch `text` throws (a test failure when none).
SqlError parseError(std::string_view text);

}  // namespace mls::tsql::test
