// The static type of a T-SQL expression or column: a type id with precision,
// scale and length, printed and parsed as the server spells type names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mls::tsql {

enum class TypeId {
  Bit,
  TinyInt,
  SmallInt,
  Int,
  BigInt,
  Decimal,  // NUMERIC is the same type
  Float,
  Real,
  Money,
  Char,
  VarChar,
  NChar,
  NVarChar,
  DateTime,
  SmallDateTime,
  Date,
  Null,  // the type of a bare NULL literal
};

struct SqlType {
  static constexpr int kMax = -1;  // length of VARCHAR(max) / NVARCHAR(max)
  static constexpr int kMaxPrecision = 38;

  TypeId id = TypeId::Null;
  int precision = 0;  // digits: decimal(p,s), int 10, bigint 19, money 19, float 53, real 24
  int scale = 0;      // decimal(p,s) s, money 4, datetime 3
  // Characters declared for char/varchar/nchar/nvarchar (kMax for max); for the
  // other types the storage size in bytes (int 4, decimal(10,2) 9, datetime 8).
  int length = 0;

  SqlType() = default;
  // The type with its fixed attributes (int, float, datetime...); strings get
  // length 1 and decimal (18,0), their defaults when declared without arguments.
  explicit SqlType(TypeId id);
  static SqlType decimal(int precision, int scale);
  static SqlType string(TypeId id, int length);  // char/varchar/nchar/nvarchar
  static SqlType varchar(int length) { return string(TypeId::VarChar, length); }
  static SqlType nvarchar(int length) { return string(TypeId::NVarChar, length); }

  // A type from its declared name (any case; "numeric", "integer", "text",
  // "double precision"...) and arguments (kMax for "max").  FLOAT(1..24) is
  // REAL, TEXT/NTEXT are VARCHAR(max)/NVARCHAR(max).  Raises 243 for an unknown
  // name, 40517 for a type of SQL Server's this engine has no values of
  // (datetime2, varbinary, xml, ...) and the server's errors for bad
  // arguments; SYSNAME is NVARCHAR(128).
  static SqlType fromName(std::string_view name, const std::vector<int>& args = {});

  // "int", "decimal(5,3)", "varchar(10)", "nvarchar(max)".
  std::string typeName() const;
  // The bare name used in conversion messages: "int", "numeric", "varchar".
  std::string_view baseName() const;

  bool isNull() const { return id == TypeId::Null; }
  bool isInteger() const;  // bit, tinyint, smallint, int, bigint
  bool isExactNumeric() const { return isInteger() || id == TypeId::Decimal || id == TypeId::Money; }
  bool isApproximate() const { return id == TypeId::Float || id == TypeId::Real; }
  bool isNumeric() const { return isExactNumeric() || isApproximate(); }
  bool isString() const;
  bool isUnicode() const { return id == TypeId::NChar || id == TypeId::NVarChar; }
  bool isFixedLengthString() const { return id == TypeId::Char || id == TypeId::NChar; }
  bool isDateTime() const {
    return id == TypeId::DateTime || id == TypeId::SmallDateTime || id == TypeId::Date;
  }

  friend bool operator==(const SqlType&, const SqlType&) = default;
};

// The decimal type an exact numeric type converts to: int is decimal(10,0),
// money decimal(19,4), bit decimal(1,0).
SqlType asDecimalType(const SqlType& t);

}  // namespace mls::tsql
