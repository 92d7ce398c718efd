// Field and parameter data types, numbered as the data-access interface numbers
// them, and the Variant kind a value of each type arrives as.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/com/variant.h"

namespace mls::ado {

enum class DataType : int32_t {
  SmallInt = 2,
  Integer = 3,
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  Boolean = 11,
  Decimal = 14,
  UnsignedTinyInt = 17,
  BigInt = 20,
  Numeric = 131,
  DBDate = 133,
  DBTimeStamp = 135,
  Char = 129,
  WChar = 130,
  VarChar = 200,
  LongVarChar = 201,
  VarWChar = 202,
  LongVarWChar = 203,
};

// The type for a number, when it is one of the types above.
std::optional<DataType> dataTypeFromNumber(int32_t number);

// The kind a non-Null value of the type has: Long, Integer, Byte, Boolean,
// Decimal (big integers, decimals and money, exactly), Double, String or Date.
com::VarKind variantKindOf(DataType type);

bool isTextType(DataType type);

}  // namespace mls::ado
