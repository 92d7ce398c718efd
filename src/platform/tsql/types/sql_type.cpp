#include "platform/tsql/types/sql_type.h"

#include <string>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

int decimalStorage(int precision) {
  if (precision <= 9) return 5;
  if (precision <= 19) return 9;
  if (precision <= 28) return 13;
  return 17;
}

}  // namespace

SqlType::SqlType(TypeId t) : id(t) {
  switch (t) {
    case TypeId::Bit:
      precision = 1, length = 1;
      break;
    case TypeId::TinyInt:
      precision = 3, length = 1;
      break;
    case TypeId::SmallInt:
      precision = 5, length = 2;
      break;
    case TypeId::Int:
      precision = 10, length = 4;
      break;
    case TypeId::BigInt:
      precision = 19, length = 8;
      break;
    case TypeId::Decimal:
      precision = 18, length = decimalStorage(18);
      break;
    case TypeId::Float:
      precision = 53, length = 8;
      break;
    case TypeId::Real:
      precision = 24, length = 4;
      break;
    case TypeId::Money:
      precision = 19, scale = 4, length = 8;
      break;
    case TypeId::Char:
    case TypeId::VarChar:
    case TypeId::NChar:
    case TypeId::NVarChar:
      length = 1;
      break;
    case TypeId::DateTime:
      precision = 23, scale = 3, length = 8;
      break;
    case TypeId::SmallDateTime:
      precision = 16, length = 4;
      break;
    case TypeId::Date:
      precision = 10, length = 3;
      break;
    case TypeId::Null:
      break;
  }
}

SqlType SqlType::decimal(int p, int s) {
  SqlType t(TypeId::Decimal);
  t.precision = p;
  t.scale = s;
  t.length = decimalStorage(p);
  return t;
}

SqlType SqlType::string(TypeId id, int length) {
  SqlType t(id);
  t.length = length;
  return t;
}

bool SqlType::isInteger() const {
  return id == TypeId::Bit || id == TypeId::TinyInt || id == TypeId::SmallInt || id == TypeId::Int ||
         id == TypeId::BigInt;
}

bool SqlType::isString() const {
  return id == TypeId::Char || id == TypeId::VarChar || id == TypeId::NChar || id == TypeId::NVarChar;
}

SqlType SqlType::fromName(std::string_view rawName, const std::vector<int>& args) {
  std::string name = toLower(rawName);
  auto fixed = [&](TypeId id) {
    if (!args.empty()) throwSqlError(2716, {"1", name});
    return SqlType(id);
  };
  if (name == "bit") return fixed(TypeId::Bit);
  if (name == "tinyint") return fixed(TypeId::TinyInt);
  if (name == "smallint") return fixed(TypeId::SmallInt);
  if (name == "int" || name == "integer") return fixed(TypeId::Int);
  if (name == "bigint") return fixed(TypeId::BigInt);
  if (name == "money") return fixed(TypeId::Money);
  if (name == "real") return fixed(TypeId::Real);
  if (name == "datetime") return fixed(TypeId::DateTime);
  if (name == "smalldatetime") return fixed(TypeId::SmallDateTime);
  if (name == "date") return fixed(TypeId::Date);
  if (name == "text" || name == "ntext") {
    fixed(TypeId::VarChar);
    return name == "text" ? varchar(kMax) : nvarchar(kMax);
  }
  if (name == "decimal" || name == "numeric" || name == "dec") {
    int p = args.size() > 0 ? args[0] : 18;
    int s = args.size() > 1 ? args[1] : 0;
    if (p < 1 || p > kMaxPrecision) throwSqlError(2750, {"1", std::to_string(p)});
    if (s < 0 || s > p) throwSqlError(183, {std::to_string(s), "", "0", std::to_string(p)});
    return decimal(p, s);
  }
  if (name == "float" || name == "double precision") {
    int n = args.empty() ? 53 : args[0];
    if (n < 1 || n > 53) throwSqlError(2750, {"1", std::to_string(n)});
    return SqlType(n <= 24 ? TypeId::Real : TypeId::Float);
  }
  TypeId sid;
  int limit = 8000;
  if (name == "char" || name == "character") {
    sid = TypeId::Char;
  } else if (name == "varchar" || name == "character varying") {
    sid = TypeId::VarChar;
  } else if (name == "nchar" || name == "national character") {
    sid = TypeId::NChar, limit = 4000;
  } else if (name == "nvarchar" || name == "national character varying") {
    sid = TypeId::NVarChar, limit = 4000;
  } else if (name == "sysname") {  // the names of objects
    if (!args.empty()) throwSqlError(2716, {"1", name});
    return string(TypeId::NVarChar, 128);
  } else {
    // SQL Server's types this engine has no values of are refused by name; any
    // other name is no type
    static constexpr std::string_view kLacking[] = {
        "smallmoney", "datetime2",  "datetimeoffset", "time",     "uniqueidentifier",
        "binary",     "varbinary",  "image",          "xml",      "sql_variant",
        "timestamp",  "rowversion", "hierarchyid",    "geometry", "geography",
        "json",       "vector"};
    for (std::string_view lacking : kLacking) {
      if (name == lacking) throwSqlError(40517, {"The type " + name});
    }
    throwSqlError(243, {std::string(rawName)});
  }
  int n = args.empty() ? 1 : args[0];
  if (n == kMax && (sid == TypeId::VarChar || sid == TypeId::NVarChar)) return string(sid, kMax);
  if (n < 1 || n > limit) {
    throwSqlError(131, {std::to_string(n), name, std::to_string(limit)});
  }
  return string(sid, n);
}

std::string_view SqlType::baseName() const {
  switch (id) {
    case TypeId::Bit:
      return "bit";
    case TypeId::TinyInt:
      return "tinyint";
    case TypeId::SmallInt:
      return "smallint";
    case TypeId::Int:
      return "int";
    case TypeId::BigInt:
      return "bigint";
    case TypeId::Decimal:
      return "numeric";
    case TypeId::Float:
      return "float";
    case TypeId::Real:
      return "real";
    case TypeId::Money:
      return "money";
    case TypeId::Char:
      return "char";
    case TypeId::VarChar:
      return "varchar";
    case TypeId::NChar:
      return "nchar";
    case TypeId::NVarChar:
      return "nvarchar";
    case TypeId::DateTime:
      return "datetime";
    case TypeId::SmallDateTime:
      return "smalldatetime";
    case TypeId::Date:
      return "date";
    case TypeId::Null:
      return "NULL";
  }
  return "";
}

std::string SqlType::typeName() const {
  if (id == TypeId::Decimal) {
    return "decimal(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
  }
  if (isString()) {
    return std::string(baseName()) + "(" + (length == kMax ? std::string("max") : std::to_string(length)) +
           ")";
  }
  return std::string(baseName());
}

SqlType asDecimalType(const SqlType& t) {
  switch (t.id) {
    case TypeId::Decimal:
      return t;
    case TypeId::Money:
      return SqlType::decimal(19, 4);
    default:
      return SqlType::decimal(t.precision, 0);
  }
}

}  // namespace mls::tsql
