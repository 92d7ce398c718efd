#include "platform/tsql/types/functions.h"

#include <string>
#include <unordered_map>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/function_support.h"
#include "platform/tsql/types/operators.h"

namespace mls::tsql {

namespace fn {

int64_t intArg(const Args& a, const Types& t, size_t i) {
  return implicitConvert(a[i], t[i], SqlType(TypeId::Int)).asInt();
}

std::string textArg(const Args& a, const Types& t, size_t i) {
  if (a[i].kind() == Value::Kind::String) return std::string(a[i].asString());
  return std::string(castValue(a[i], t[i], SqlType::varchar(SqlType::kMax)).asString());
}

SqlType textType(const SqlType& t) {
  return t.isString() ? t : SqlType::varchar(30);
}

void requireNumeric(const ArgInfos& args, size_t i, const char* function) {
  const SqlType& t = args[i].type;
  if (!t.isNumeric() && !t.isString() && !t.isNull()) {
    throwSqlError(8116, {std::string(t.baseName()), std::to_string(i + 1), function});
  }
}

namespace {

// ISNULL, COALESCE and NULLIF: the first non-NULL argument in the result type.
void addNullFunctions(std::vector<FunctionDef>& out) {
  out.push_back({"ISNULL", 2, 2, [](const ArgInfos& a) { return isnullType(a[0].type, a[1].type); },
                 [](const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
                   return a[0].isNull() ? castValue(a[1], t[1], r) : implicitConvert(a[0], t[0], r);
                 },
                 true});
  out.push_back({"COALESCE", 2, 255,
                 [](const ArgInfos& a) {
                   SqlType t = a[0].type;
                   for (size_t i = 1; i < a.size(); ++i)
                     t = combineTypes(t, a[i].type);
                   return t;
                 },
                 [](const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
                   for (size_t i = 0; i < a.size(); ++i) {
                     if (!a[i].isNull()) return implicitConvert(a[i], t[i], r);
                   }
                   return Value();
                 },
                 true});
  out.push_back({"NULLIF", 2, 2, [](const ArgInfos& a) { return a[0].type; },
                 [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
                   auto c = compareSql(a[0], t[0], a[1], t[1]);
                   return c && *c == 0 ? Value() : a[0];
                 },
                 true});
}

const std::unordered_map<std::string_view, FunctionDef>& registry() {
  static const std::unordered_map<std::string_view, FunctionDef> map = [] {
    std::vector<FunctionDef> defs;
    addNullFunctions(defs);
    addMathFunctions(defs);
    addStringFunctions(defs);
    addDateFunctions(defs);
    std::unordered_map<std::string_view, FunctionDef> m;
    for (const auto& d : defs)
      m.emplace(d.name, d);
    return m;
  }();
  return map;
}

}  // namespace
}  // namespace fn

namespace {

// The function `upperName` (already upper case), or nullptr.
const FunctionDef* findFunction(std::string_view upperName) {
  auto it = fn::registry().find(upperName);
  return it == fn::registry().end() ? nullptr : &it->second;
}

}  // namespace

std::pair<const FunctionDef*, SqlType> resolveFunction(std::string_view upperName,
                                                       const std::vector<FunctionArg>& args) {
  const FunctionDef* def = findFunction(upperName);
  if (def == nullptr) throwSqlError(195, {std::string(upperName)});
  int n = static_cast<int>(args.size());
  if (n < def->minArgs || n > def->maxArgs) {
    if (def->minArgs == def->maxArgs)
      throwSqlError(174, {std::string(upperName), std::to_string(def->minArgs)});
    throwSqlError(189, {std::string(upperName), std::to_string(def->minArgs), std::to_string(def->maxArgs)});
  }
  return {def, def->resultType(args)};
}

Value callFunction(const FunctionDef& def, const std::vector<Value>& args, const std::vector<SqlType>& types,
                   const SqlType& result, const FunctionContext& ctx) {
  if (!def.takesNulls) {
    for (const Value& v : args) {
      if (v.isNull()) return Value();
    }
  }
  return def.eval(args, types, result, ctx);
}

SqlType isnullType(const SqlType& a, const SqlType& b) {
  if (a.isNull()) return b.isNull() ? SqlType(TypeId::Int) : b;
  return a;
}

}  // namespace mls::tsql
