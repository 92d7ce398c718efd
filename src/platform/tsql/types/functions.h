// The scalar built-in functions, keyed by upper-case name, with their arity,
// result-type rule and evaluation.  CAST and CONVERT are syntax (convert.h);
// CASE, COALESCE and NULLIF are the binder's, typed with combineTypes().
//
// A datepart argument (DATEADD, DATEDIFF, DATEPART) is passed as a varchar
// value holding the part's name as written (year, yy, mm, dd, hh, ...).
#pragma once

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/tsql/types/value.h"

namespace mls::tsql {

// An argument as the binder sees it: its static type, and its value when the
// argument is a constant (STR's length decides its result type).
struct FunctionArg {
  SqlType type;
  std::optional<Value> constant;
};

struct FunctionContext {
  DateTime now;  // GETDATE() of the running statement
};

struct FunctionDef {
  std::string_view name;
  int minArgs;
  int maxArgs;
  // The result type from the arguments; raises 8116 for an argument type the
  // function does not take.
  SqlType (*resultType)(const std::vector<FunctionArg>& args);
  // Evaluates on arguments of the given types.  Unless `takesNulls`, a NULL
  // argument gives NULL without calling it.
  Value (*eval)(const std::vector<Value>& args, const std::vector<SqlType>& types, const SqlType& result,
                const FunctionContext& ctx);
  bool takesNulls = false;
};

// Resolves and checks a call: raises 40517 for a built-in function of SQL
// Server's this engine does not have, 195 for an unknown function and 174 for
// a wrong argument count; returns the definition and the result type.
std::pair<const FunctionDef*, SqlType> resolveFunction(std::string_view upperName,
                                                       const std::vector<FunctionArg>& args);

// Evaluates a resolved call (handles NULL arguments as the definition says).
Value callFunction(const FunctionDef& def, const std::vector<Value>& args, const std::vector<SqlType>& types,
                   const SqlType& result, const FunctionContext& ctx);

// ISNULL(a, b): the type of a.
SqlType isnullType(const SqlType& a, const SqlType& b);

}  // namespace mls::tsql
