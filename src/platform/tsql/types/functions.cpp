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

// SQL Server's built-in functions this engine does not have: a call of one is
// refused by name (40517), not reported as unknown (195).
constexpr std::string_view kServerFunctions[] = {
    // strings
    "ASCII", "CONCAT", "CONCAT_WS", "DIFFERENCE", "FORMAT", "NCHAR", "QUOTENAME", "REVERSE", "SOUNDEX",
    "STRING_ESCAPE", "STUFF", "TRANSLATE", "UNICODE", "REGEXP_LIKE", "REGEXP_REPLACE", "REGEXP_SUBSTR",
    "REGEXP_INSTR", "REGEXP_COUNT", "UNISTR", "BASE64_ENCODE", "BASE64_DECODE",
    // numbers
    "ACOS", "ASIN", "ATAN", "ATN2", "COS", "COT", "DEGREES", "EXP", "LOG", "LOG10", "PI", "RADIANS", "RAND",
    "SIN", "SQRT", "SQUARE", "TAN", "GREATEST", "LEAST", "CHOOSE",
    // dates
    "DATEDIFF_BIG", "DATEFROMPARTS", "DATETIME2FROMPARTS", "DATETIMEFROMPARTS", "DATETIMEOFFSETFROMPARTS",
    "EOMONTH", "GETUTCDATE", "ISDATE", "SMALLDATETIMEFROMPARTS", "SWITCHOFFSET", "SYSDATETIME",
    "SYSDATETIMEOFFSET", "SYSUTCDATETIME", "TIMEFROMPARTS", "TODATETIMEOFFSET", "DATE_BUCKET", "DATETRUNC",
    // aggregates, ranking and analytic functions
    "APPROX_COUNT_DISTINCT", "CHECKSUM_AGG", "GROUPING", "GROUPING_ID", "STDEV", "STDEVP", "STRING_AGG",
    "VAR", "VARP", "APPROX_PERCENTILE_CONT", "APPROX_PERCENTILE_DISC", "ROW_NUMBER", "RANK", "DENSE_RANK",
    "NTILE", "CUME_DIST", "FIRST_VALUE", "LAG", "LAST_VALUE", "LEAD", "PERCENTILE_CONT", "PERCENTILE_DISC",
    "PERCENT_RANK",
    // system, metadata and security
    "APP_NAME", "BINARY_CHECKSUM", "CHECKSUM", "COMPRESS", "DECOMPRESS", "CONNECTIONPROPERTY", "CONTEXT_INFO",
    "CURRENT_REQUEST_ID", "CURRENT_TRANSACTION_ID", "ERROR_LINE", "ERROR_MESSAGE", "ERROR_NUMBER",
    "ERROR_PROCEDURE", "ERROR_SEVERITY", "ERROR_STATE", "FORMATMESSAGE", "GETANSINULL", "HOST_ID",
    "HOST_NAME", "ISNUMERIC", "MIN_ACTIVE_ROWVERSION", "NEWID", "NEWSEQUENTIALID", "ROWCOUNT_BIG",
    "SESSION_CONTEXT", "XACT_STATE", "COL_NAME", "COLUMNPROPERTY", "DATABASEPROPERTYEX", "DB_ID", "FILE_ID",
    "FILE_NAME", "FILEGROUP_ID", "FILEGROUP_NAME", "FILEPROPERTY", "INDEX_COL", "INDEXKEY_PROPERTY",
    "INDEXPROPERTY", "OBJECT_DEFINITION", "OBJECT_NAME", "OBJECT_SCHEMA_NAME", "OBJECTPROPERTYEX",
    "ORIGINAL_DB_NAME", "PARSENAME", "SCHEMA_ID", "SCHEMA_NAME", "SERVERPROPERTY", "STATS_DATE", "TYPE_ID",
    "TYPE_NAME", "TYPEPROPERTY", "IDENT_INCR", "IDENT_SEED", "APPLOCK_MODE", "APPLOCK_TEST",
    "COLLATIONPROPERTY", "CURSOR_STATUS", "HAS_PERMS_BY_NAME", "IS_MEMBER", "IS_ROLEMEMBER",
    "IS_SRVROLEMEMBER", "ORIGINAL_LOGIN", "PWDCOMPARE", "PWDENCRYPT", "SUSER_ID", "SUSER_NAME", "SUSER_SID",
    "SUSER_SNAME", "USER_ID", "USER_NAME", "HASHBYTES", "ENCRYPTBYKEY", "DECRYPTBYKEY", "ENCRYPTBYPASSPHRASE",
    "DECRYPTBYPASSPHRASE",
    // JSON and bits
    "ISJSON", "JSON_VALUE", "JSON_QUERY", "JSON_MODIFY", "JSON_PATH_EXISTS", "LEFT_SHIFT", "RIGHT_SHIFT",
    "BIT_COUNT", "GET_BIT", "SET_BIT"};

// The function `upperName` (already upper case), or nullptr.
const FunctionDef* findFunction(std::string_view upperName) {
  auto it = fn::registry().find(upperName);
  return it == fn::registry().end() ? nullptr : &it->second;
}

}  // namespace

std::pair<const FunctionDef*, SqlType> resolveFunction(std::string_view upperName,
                                                       const std::vector<FunctionArg>& args) {
  const FunctionDef* def = findFunction(upperName);
  if (def == nullptr) {
    for (std::string_view server : kServerFunctions) {
      if (upperName == server) throwSqlError(40517, {"The function " + std::string(upperName)});
    }
    throwSqlError(195, {std::string(upperName)});
  }
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
