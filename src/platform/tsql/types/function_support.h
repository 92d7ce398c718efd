// Internals of the built-in functions: argument conversion helpers and the
// per-family tables the registry in functions.cpp joins.
#pragma once

#include <string>
#include <vector>

#include "platform/tsql/types/functions.h"

namespace mls::tsql::fn {

using Args = std::vector<Value>;
using Types = std::vector<SqlType>;
using ArgInfos = std::vector<FunctionArg>;

// Argument `i` as an int (implicit conversion, 245 for bad text).
int64_t intArg(const Args& a, const Types& t, size_t i);
// Argument `i` as text (numbers and dates as CAST gives them).
std::string textArg(const Args& a, const Types& t, size_t i);
// The text type an argument converts to: itself if text, else varchar(30).
SqlType textType(const SqlType& t);
// Raises 8116 unless argument `i` is numeric (or text, which reads as float).
void requireNumeric(const ArgInfos& args, size_t i, const char* function);

void addMathFunctions(std::vector<FunctionDef>& out);
void addStringFunctions(std::vector<FunctionDef>& out);
void addDateFunctions(std::vector<FunctionDef>& out);

}  // namespace mls::tsql::fn
