// The matching of EXEC's arguments to a procedure's parameters, shared by
// stored procedures and sp_executesql.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/tsql/parse/ast.h"
#include "platform/tsql/types/value.h"

namespace mls::tsql {

// A parameter as the matching of arguments sees it.
struct FormalParameter {
  std::string name;
  bool output = false;
};

// The argument each formal parameter receives (null: none given), from the
// arguments by position, then by name.  Raises 119 for an argument by position
// after one by name (`firstNumber`: the number of args[0] in the call, from 1),
// 8144 for too many, 8145 for an unknown name, 8143 for a name given twice and
// 8162 for OUTPUT to a parameter that is not one.
std::vector<const ast::ExecArg*> matchArguments(std::span<const ast::ExecArg> args,
                                                const std::vector<FormalParameter>& formals,
                                                const std::string& procedure, int firstNumber);

// An argument's value `v` of type `from` as the parameter of type `to` takes
// it; text that does not convert is 8114 (naming both types), not the 245 or
// 241 of other conversions.
Value parameterValue(const Value& v, const SqlType& from, const SqlType& to);

}  // namespace mls::tsql
