#include "platform/ado/embedded/values.h"

#include <algorithm>
#include <cmath>

#include "platform/ado/embedded/registration.h"
#include "platform/ado/errors.h"
#include "platform/tsql/types/convert.h"

namespace mls::ado::embedded {

namespace {

using tsql::SqlType;
using tsql::TypeId;

constexpr int32_t kLongSize = 2147483647;

ColumnMeta meta(DataType type, int32_t size, int precision, int scale) {
  ColumnMeta m;
  m.type = type;
  m.definedSize = size;
  m.precision = static_cast<uint8_t>(precision);
  m.numericScale = static_cast<uint8_t>(scale);
  return m;
}

ColumnMeta textMeta(DataType type, DataType longType, int length) {
  if (length == SqlType::kMax) return meta(longType, kLongSize, 255, 255);
  return meta(type, length, 255, 255);
}

com::Decimal toComDecimal(const tsql::Decimal128& d) {
  using u128 = unsigned __int128;
  for (int scale = std::min(d.scale(), com::Decimal::kMaxScale); scale >= 0; --scale) {
    std::optional<tsql::Decimal128> r = d.rescale(scale);
    if (!r) continue;
    u128 m = r->isNegative() ? static_cast<u128>(-r->mantissa()) : static_cast<u128>(r->mantissa());
    if ((m >> 96) == 0) return com::Decimal::fromParts(m, scale, r->isNegative());
  }
  com::raise(com::err::kOverflow, kEmbeddedProviderName,
             "Overflow: the value " + d.toString() + " does not fit a Variant Decimal");
}

tsql::Decimal128 toDecimal128(const com::Decimal& d) {
  auto m = static_cast<__int128>(d.mantissa());
  return tsql::Decimal128(d.negative() ? -m : m, d.scale());
}

SqlType textType(TypeId id, DataType type, int32_t size, const std::string& text) {
  int length = std::max({size, static_cast<int32_t>(com::charLength(text)), 1});
  bool unicode = id == TypeId::NChar || id == TypeId::NVarChar;
  int limit = unicode ? 4000 : 8000;
  if (type == DataType::LongVarChar || type == DataType::LongVarWChar || length > limit) {
    return SqlType::string(unicode ? TypeId::NVarChar : TypeId::VarChar, SqlType::kMax);
  }
  return SqlType::string(id, length);
}

// A Double or Single for a float or real: NaN and the infinities are no
// values of either.
double finiteNumber(double d) {
  if (!std::isfinite(d)) {
    com::raise(com::err::kOverflow, kEmbeddedProviderName,
               std::string(std::isnan(d) ? "NaN"
                           : d > 0       ? "Infinity"
                                         : "-Infinity") +
                   " is not a number that float or real can hold");
  }
  return d;
}

tsql::Value boundValue(const ParameterValue& p, SqlType& type) {
  const com::Variant& v = p.value;
  switch (p.type) {
    case DataType::SmallInt:
      type = SqlType(TypeId::SmallInt);
      return tsql::Value::integer(v.toInteger());
    case DataType::Integer:
      type = SqlType(TypeId::Int);
      return tsql::Value::integer(v.toLong());
    case DataType::UnsignedTinyInt:
      type = SqlType(TypeId::TinyInt);
      return tsql::Value::integer(v.toByte());
    case DataType::Boolean:
      type = SqlType(TypeId::Bit);
      return tsql::Value::boolean(v.toBool());
    case DataType::BigInt:
      type = SqlType(TypeId::BigInt);
      return tsql::Value::integer(v.toDecimal().roundHalfEven(0).toInt64Truncated());
    case DataType::Currency: {
      type = SqlType(TypeId::Money);
      const tsql::Decimal128 given = toDecimal128(v.toDecimal());
      std::optional<tsql::Decimal128> d = given.rescale(4);
      if (!d || !tsql::fitsExactType(*d, type)) {
        com::raise(com::err::kOverflow, kEmbeddedProviderName,
                   given.toString() +
                       " is beyond money's range, -922,337,203,685,477.5808 to 922,337,203,685,477.5807");
      }
      return tsql::Value::decimal(*d);
    }
    case DataType::Decimal:
    case DataType::Numeric: {
      tsql::Decimal128 d = toDecimal128(v.toDecimal());
      if (p.precision > 0) {
        std::optional<tsql::Decimal128> r = d.rescale(std::min<int>(p.numericScale, p.precision));
        if (!r || !r->fits(p.precision)) com::raise(com::err::kOverflow, kEmbeddedProviderName);
        type = SqlType::decimal(p.precision, r->scale());
        return tsql::Value::decimal(*r);
      }
      type = SqlType::decimal(std::max(d.digits(), d.scale()), d.scale());
      return tsql::Value::decimal(d);
    }
    case DataType::Single:
      type = SqlType(TypeId::Real);
      return tsql::Value::floating(finiteNumber(v.toDouble()));
    case DataType::Double:
      type = SqlType(TypeId::Float);
      return tsql::Value::floating(finiteNumber(v.toDouble()));
    case DataType::Date:
    case DataType::DBTimeStamp:
      type = SqlType(TypeId::DateTime);
      return tsql::Value::dateTime(fromDateSerial(v.toDate()));
    case DataType::DBDate:
      type = SqlType(TypeId::Date);
      return tsql::Value::dateTime(fromDateSerial(v.toDate()).dateOnly());
    case DataType::Char:
    case DataType::VarChar:
    case DataType::LongVarChar:
    case DataType::WChar:
    case DataType::VarWChar:
    case DataType::LongVarWChar: {
      std::string text = v.toString();
      bool unicode =
          p.type == DataType::WChar || p.type == DataType::VarWChar || p.type == DataType::LongVarWChar;
      bool fixed = p.type == DataType::Char || p.type == DataType::WChar;
      TypeId id =
          unicode ? (fixed ? TypeId::NChar : TypeId::NVarChar) : (fixed ? TypeId::Char : TypeId::VarChar);
      type = textType(id, p.type, p.size, text);
      return tsql::Value::string(text);
    }
  }
  type = SqlType(TypeId::NVarChar);
  return tsql::Value::string(v.toString());
}

}  // namespace

ColumnMeta columnMeta(const tsql::ColumnInfo& column) {
  const SqlType& t = column.type;
  ColumnMeta m;
  switch (t.id) {
    case TypeId::Bit:
      m = meta(DataType::Boolean, 2, 255, 255);
      break;
    case TypeId::TinyInt:
      m = meta(DataType::UnsignedTinyInt, 1, 3, 255);
      break;
    case TypeId::SmallInt:
      m = meta(DataType::SmallInt, 2, 5, 255);
      break;
    case TypeId::Int:
    case TypeId::Null:
      m = meta(DataType::Integer, 4, 10, 255);
      break;
    case TypeId::BigInt:
      m = meta(DataType::BigInt, 8, 19, 255);
      break;
    case TypeId::Decimal:
      m = meta(DataType::Numeric, 19, t.precision, t.scale);
      break;
    case TypeId::Money:
      m = meta(DataType::Currency, 8, 19, 4);
      break;
    case TypeId::Float:
      m = meta(DataType::Double, 8, 15, 255);
      break;
    case TypeId::Real:
      m = meta(DataType::Single, 4, 7, 255);
      break;
    case TypeId::Char:
      m = textMeta(DataType::Char, DataType::LongVarChar, t.length);
      break;
    case TypeId::VarChar:
      m = textMeta(DataType::VarChar, DataType::LongVarChar, t.length);
      break;
    case TypeId::NChar:
      m = textMeta(DataType::WChar, DataType::LongVarWChar, t.length);
      break;
    case TypeId::NVarChar:
      m = textMeta(DataType::VarWChar, DataType::LongVarWChar, t.length);
      break;
    case TypeId::DateTime:
      m = meta(DataType::DBTimeStamp, 16, 23, 3);
      break;
    case TypeId::SmallDateTime:
      m = meta(DataType::DBTimeStamp, 16, 16, 0);
      break;
    case TypeId::Date:
      m = meta(DataType::DBDate, 6, 10, 0);
      break;
  }
  m.name = column.name;
  return m;
}

com::Variant toVariant(const tsql::Value& value, const SqlType& type) {
  switch (value.kind()) {
    case tsql::Value::Kind::Null:
      return com::Variant::null();
    case tsql::Value::Kind::Int: {
      int64_t i = value.asInt();
      switch (type.id) {
        case TypeId::Bit:
          return com::Variant(i != 0);
        case TypeId::TinyInt:
          return com::Variant(static_cast<uint8_t>(i));
        case TypeId::SmallInt:
          return com::Variant(static_cast<int16_t>(i));
        case TypeId::Int:
          return com::Variant(static_cast<int32_t>(i));
        default:
          return com::Variant(com::Decimal::fromInt(i));
      }
    }
    case tsql::Value::Kind::Decimal:
      return com::Variant(toComDecimal(value.asDecimal()));
    case tsql::Value::Kind::Float:
      return com::Variant(value.asFloat());
    case tsql::Value::Kind::String:
      return com::Variant(value.asString());
    case tsql::Value::Kind::DateTime:
      return com::Variant::date(toDateSerial(value.asDateTime()));
  }
  return com::Variant::null();
}

tsql::BoundParameter toBoundParameter(const ParameterValue& param, std::string name) {
  tsql::BoundParameter b;
  b.name = std::move(name);
  if (param.value.isNull() || param.value.isEmpty()) {
    ParameterValue typed = param;
    typed.value = com::Variant(0);
    if (isTextType(param.type)) typed.value = com::Variant("");
    boundValue(typed, b.type);
    return b;
  }
  try {
    b.value = boundValue(param, b.type);
  } catch (const com::ComError& e) {
    com::raise(
        e.number(), kEmbeddedProviderName,
        "Parameter " + b.name + (param.name.empty() ? "" : " (" + param.name + ")") + ": " + e.description());
  }
  return b;
}

double toDateSerial(tsql::DateTime t) {
  double day = static_cast<double>(t.days() + 2);
  double time = static_cast<double>(t.tickOfDay()) / static_cast<double>(tsql::DateTime::kTicksPerDay);
  return day >= 0 ? day + time : day - time;
}

tsql::DateTime fromDateSerial(double serial) {
  double day = std::trunc(serial);
  auto ticks = static_cast<int64_t>(std::llround(std::fabs(serial - day) * tsql::DateTime::kTicksPerDay));
  return tsql::DateTime((static_cast<int64_t>(day) - 2) * tsql::DateTime::kTicksPerDay + ticks);
}

}  // namespace mls::ado::embedded
