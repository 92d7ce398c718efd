#include "platform/ado/data_type.h"

namespace mls::ado {

std::optional<DataType> dataTypeFromNumber(int32_t number) {
  switch (static_cast<DataType>(number)) {
    case DataType::SmallInt:
    case DataType::Integer:
    case DataType::Single:
    case DataType::Double:
    case DataType::Currency:
    case DataType::Date:
    case DataType::Boolean:
    case DataType::Decimal:
    case DataType::UnsignedTinyInt:
    case DataType::BigInt:
    case DataType::Numeric:
    case DataType::DBDate:
    case DataType::DBTimeStamp:
    case DataType::Char:
    case DataType::WChar:
    case DataType::VarChar:
    case DataType::LongVarChar:
    case DataType::VarWChar:
    case DataType::LongVarWChar:
      return static_cast<DataType>(number);
  }
  return std::nullopt;
}

com::VarKind variantKindOf(DataType type) {
  switch (type) {
    case DataType::SmallInt:
      return com::VarKind::Integer;
    case DataType::Integer:
      return com::VarKind::Long;
    case DataType::UnsignedTinyInt:
      return com::VarKind::Byte;
    case DataType::Boolean:
      return com::VarKind::Boolean;
    case DataType::BigInt:
    case DataType::Currency:
    case DataType::Decimal:
    case DataType::Numeric:
      return com::VarKind::Decimal;
    case DataType::Single:
    case DataType::Double:
      return com::VarKind::Double;
    case DataType::Date:
    case DataType::DBDate:
    case DataType::DBTimeStamp:
      return com::VarKind::Date;
    case DataType::Char:
    case DataType::WChar:
    case DataType::VarChar:
    case DataType::LongVarChar:
    case DataType::VarWChar:
    case DataType::LongVarWChar:
      return com::VarKind::String;
  }
  return com::VarKind::String;
}

bool isTextType(DataType type) {
  return variantKindOf(type) == com::VarKind::String;
}

}  // namespace mls::ado
