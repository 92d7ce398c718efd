// ABS, SIGN, FLOOR, CEILING, ROUND, POWER and STR.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/function_support.h"
#include "platform/tsql/types/operators.h"

namespace mls::tsql::fn {

namespace {

using u128 = unsigned __int128;

[[noreturn]] void overflowTo(const SqlType& t) {
  throwSqlError(8115, {"expression", std::string(t.baseName())});
}

// The type a numeric function works in: text reads as float, bit as int.
SqlType numericType(const ArgInfos& a, const char* name) {
  requireNumeric(a, 0, name);
  const SqlType& t = a[0].type;
  if (t.isString() || t.isNull()) return SqlType(TypeId::Float);
  if (t.id == TypeId::Bit) return SqlType(TypeId::Int);
  return t;
}

SqlType sameType(const ArgInfos& a, const char* name) {
  return numericType(a, name);
}

// The argument in the function's result type.
Value inResultType(const Args& a, const Types& t, const SqlType& r) {
  return implicitConvert(a[0], t[0], r);
}

// Decimal `d` rounded (or truncated) to `places` after the point (negative:
// before it), kept at its own scale; empty on leaving 38 digits.
std::optional<Decimal128> roundDecimal(const Decimal128& d, int places, bool truncate) {
  if (places >= d.scale()) return d;
  // Dropping more than 38 digits leaves 0 (compared without forming the
  // difference, which a length near INT_MIN would overflow).
  if (places < d.scale() - 38) return Decimal128(0, d.scale());
  int drop = d.scale() - places;
  u128 unit = pow10u128(drop);
  u128 mag = d.mantissa() < 0 ? -static_cast<u128>(d.mantissa()) : static_cast<u128>(d.mantissa());
  u128 q = mag / unit, rest = mag % unit;
  if (!truncate && rest * 2 >= unit) ++q;
  if (q != 0 && q > pow10u128(38) / unit) return std::nullopt;
  auto m = static_cast<__int128>(q * unit);
  if (m >= static_cast<__int128>(pow10u128(38))) return std::nullopt;
  return Decimal128(d.isNegative() ? -m : m, d.scale());
}

double roundDouble(double x, int places, bool truncate) {
  if (!std::isfinite(x)) return x;
  if (std::fabs(x) < 1e20) {
    if (places >= 18) return x;
    // Through the decimal digits of x (its shortest text), so 2.675 rounds as written.
    auto r = roundDecimal(*Decimal128::fromDouble(x, 18), places, truncate);
    return r ? r->toDouble() : x;
  }
  if (places >= 0) return x;
  double unit = std::pow(10.0, -static_cast<double>(places));
  if (std::isinf(unit)) return 0;  // every digit goes
  return (truncate ? std::trunc(x / unit) : std::round(x / unit)) * unit;
}

Value roundValue(const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
  Value x = inResultType(a, t, r);
  int places = static_cast<int>(intArg(a, t, 1));
  bool truncate = a.size() > 2 && !a[2].isNull() && intArg(a, t, 2) != 0;
  switch (x.kind()) {
    case Value::Kind::Int: {
      auto d = roundDecimal(Decimal128::fromInt(x.asInt()), places, truncate);
      std::optional<int64_t> whole = d ? d->toInt64() : std::nullopt;
      if (!whole) overflowTo(r);
      // Back in the argument's integer type; 8115 when it leaves it.
      return castValue(Value::integer(*whole), SqlType(TypeId::BigInt), r);
    }
    case Value::Kind::Decimal: {
      auto d = roundDecimal(x.asDecimal(), places, truncate);
      if (!d || !fitsExactType(*d, r)) overflowTo(r);
      return Value::decimal(*d);
    }
    case Value::Kind::Float: {
      // Rounding up the largest floats may leave float's range.
      double rounded = roundDouble(x.asFloat(), places, truncate);
      if (!std::isfinite(rounded)) overflowTo(r);
      return Value::floating(rounded);
    }
    default:
      return x;
  }
}

// FLOOR and CEILING: decimal(p,s) gives decimal(p,0).
SqlType floorType(const ArgInfos& a) {
  SqlType t = numericType(a, "floor");
  return t.id == TypeId::Decimal ? SqlType::decimal(t.precision, 0) : t;
}

Value floorCeiling(const Args& a, const Types& t, const SqlType& r, bool ceiling) {
  switch (a[0].kind()) {
    case Value::Kind::Int:
      return a[0];
    case Value::Kind::Decimal: {
      Decimal128 d = a[0].asDecimal();
      Decimal128 whole = *d.rescale(0, true);
      Decimal128 back = *whole.rescale(d.scale());
      if (back != d && (ceiling ? !d.isNegative() : d.isNegative())) {
        whole = Decimal128(whole.mantissa() + (ceiling ? 1 : -1), 0);
      }
      if (t[0].id == TypeId::Money) whole = *whole.rescale(4);
      if (!fitsExactType(whole, r)) overflowTo(r);
      return Value::decimal(whole);
    }
    default: {
      double x = implicitConvert(a[0], t[0], SqlType(TypeId::Float)).asFloat();
      return Value::floating(ceiling ? std::ceil(x) : std::floor(x));
    }
  }
}

Value absValue(const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
  Value x = inResultType(a, t, r);
  int sign = x.kind() == Value::Kind::Int       ? (x.asInt() < 0 ? -1 : 1)
             : x.kind() == Value::Kind::Decimal ? x.asDecimal().sign()
                                                : (x.asFloat() < 0 ? -1 : 1);
  return sign < 0 ? negate(x, r) : x;
}

Value signValue(const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
  Value x = inResultType(a, t, r);
  switch (x.kind()) {
    case Value::Kind::Int:
      return Value::integer(x.asInt() < 0 ? -1 : x.asInt() > 0 ? 1 : 0);
    case Value::Kind::Decimal:
      return Value::decimal(*Decimal128::fromInt(x.asDecimal().sign()).rescale(r.scale));
    default:
      return Value::floating(x.asFloat() < 0 ? -1.0 : x.asFloat() > 0 ? 1.0 : 0.0);
  }
}

// POWER keeps the base's type; a decimal(p,s) base gives decimal(38,s).
SqlType powerType(const ArgInfos& a) {
  requireNumeric(a, 1, "power");
  SqlType t = numericType(a, "power");
  return t.id == TypeId::Decimal ? SqlType::decimal(38, t.scale) : t;
}

Value powerValue(const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
  double x = implicitConvert(a[0], t[0], SqlType(TypeId::Float)).asFloat();
  double y = implicitConvert(a[1], t[1], SqlType(TypeId::Float)).asFloat();
  double p = std::pow(x, y);
  if (std::isnan(p)) throwSqlError(3623);
  if (std::isinf(p)) overflowTo(r);
  if (r.isApproximate()) return castValue(Value::floating(p), SqlType(TypeId::Float), r);
  if (r.isInteger()) {
    double whole = std::trunc(p);
    if (!(std::fabs(whole) < 9.2e18)) overflowTo(r);
    return castValue(Value::integer(static_cast<int64_t>(whole)), SqlType(TypeId::BigInt), r);
  }
  auto d = Decimal128::fromDouble(p, r.scale);
  if (!d || !fitsExactType(*d, r)) overflowTo(r);
  return Value::decimal(*d);
}

// STR(x[, length[, decimals]]): right-justified text of x as float, decimals
// given up from the right to fit, '*' * length when the whole part does not.
SqlType strType(const ArgInfos& a) {
  requireNumeric(a, 0, "str");
  int length = 10;
  if (a.size() > 1 && a[1].constant && !a[1].constant->isNull() &&
      a[1].constant->kind() == Value::Kind::Int) {
    length = static_cast<int>(std::clamp<int64_t>(a[1].constant->asInt(), 1, 8000));
  } else if (a.size() > 1) {
    length = 8000;
  }
  return SqlType::varchar(length);
}

Value strValue(const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
  double x = implicitConvert(a[0], t[0], SqlType(TypeId::Float)).asFloat();
  int64_t length = a.size() > 1 ? intArg(a, t, 1) : 10;
  int64_t decimals = a.size() > 2 ? intArg(a, t, 2) : 0;
  if (length <= 0 || length > 8000 || decimals < 0) return Value();
  decimals = std::min<int64_t>(decimals, 16);
  for (int64_t places = decimals; places >= 0; --places) {
    std::string text;
    auto d = Decimal128::fromDouble(x, static_cast<int>(places));
    if (d) {
      text = d->toString();
    } else {
      char buf[400];
      std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(places), x);
      text = buf;
    }
    if (static_cast<int64_t>(text.size()) <= length) {
      return Value::string(std::string(static_cast<size_t>(length) - text.size(), ' ') + text);
    }
  }
  return Value::string(std::string(static_cast<size_t>(length), '*'));
}

}  // namespace

void addMathFunctions(std::vector<FunctionDef>& out) {
  out.push_back({"ABS", 1, 1, [](const ArgInfos& a) { return sameType(a, "abs"); }, absValue});
  out.push_back({"SIGN", 1, 1, [](const ArgInfos& a) { return sameType(a, "sign"); }, signValue});
  out.push_back(
      {"FLOOR", 1, 1, floorType, [](const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
         return floorCeiling(a, t, r, false);
       }});
  out.push_back({"CEILING", 1, 1, floorType,
                 [](const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
                   return floorCeiling(a, t, r, true);
                 }});
  out.push_back({"ROUND", 2, 3,
                 [](const ArgInfos& a) {
                   requireNumeric(a, 1, "round");
                   return sameType(a, "round");
                 },
                 roundValue});
  out.push_back({"POWER", 2, 2, powerType, powerValue});
  out.push_back({"STR", 1, 3, strType, strValue});
}

}  // namespace mls::tsql::fn
