#include "platform/tsql/types/operators.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

std::string str(std::string_view s) {
  return std::string(s);
}

const char* opName(ArithOp op) {
  switch (op) {
    case ArithOp::Add:
      return "add";
    case ArithOp::Subtract:
      return "subtract";
    case ArithOp::Multiply:
      return "multiply";
    case ArithOp::Divide:
      return "divide";
    case ArithOp::Modulo:
      return "modulo";
  }
  return "";
}

[[noreturn]] void incompatible(ArithOp op, const SqlType& a, const SqlType& b) {
  throwSqlError(402, {str(a.baseName()), str(b.baseName()), opName(op)});
}

[[noreturn]] void overflowTo(const SqlType& t) {
  throwSqlError(8115, {"expression", str(t.baseName())});
}

const SqlType& higher(const SqlType& a, const SqlType& b) {
  return typePrecedence(b.id) > typePrecedence(a.id) ? b : a;
}

// The higher of two types; when it is decimal and both are exact numbers, the
// decimal wide enough for both: the larger scale and the larger integral
// digits, at most 38 digits, the scale giving way (decimal(5,1) and int give
// decimal(11,1)).
SqlType exactCommonType(const SqlType& a, const SqlType& b) {
  const SqlType& t = higher(a, b);
  if (t.id != TypeId::Decimal || !a.isExactNumeric() || !b.isExactNumeric()) return t;
  const SqlType x = asDecimalType(a), y = asDecimalType(b);
  const int integral = std::max(x.precision - x.scale, y.precision - y.scale);
  const int scale = std::min(std::max(x.scale, y.scale), SqlType::kMaxPrecision - integral);
  return SqlType::decimal(integral + scale, scale);
}

// The decimal type of an operand in decimal arithmetic; text takes the type of
// the other operand, as the lower type converts to the higher.
SqlType operandDecimalType(const SqlType& t, const SqlType& other) {
  return t.isString() || t.isNull() ? asDecimalType(other) : asDecimalType(t);
}

// The concatenation type of two strings: fixed-length only when both sides are.
SqlType concatType(const SqlType& a, const SqlType& b) {
  bool unicode = a.isUnicode() || b.isUnicode();
  auto fixed = [](const SqlType& t) { return t.id == TypeId::Char || t.id == TypeId::NChar; };
  int limit = unicode ? 4000 : 8000;
  int length = (a.length == SqlType::kMax || b.length == SqlType::kMax)
                   ? SqlType::kMax
                   : std::min(a.length + b.length, limit);
  if (fixed(a) && fixed(b) && length != SqlType::kMax)
    return SqlType::string(unicode ? TypeId::NChar : TypeId::Char, length);
  return SqlType::string(unicode ? TypeId::NVarChar : TypeId::VarChar, length);
}

__int128 toInt128(const Value& v) {
  return v.asInt();
}

// Both operands, and their quotient, are 64-bit integers (64-bit division is
// far cheaper than 128-bit).
bool fitsInt64(__int128 x, __int128 y) {
  return x >= INT64_MIN && x <= INT64_MAX && y >= INT64_MIN && y <= INT64_MAX && !(x == INT64_MIN && y == -1);
}

Value integerArithmetic(ArithOp op, __int128 x, __int128 y, const SqlType& result) {
  __int128 r = 0;
  switch (op) {
    case ArithOp::Add:
      r = x + y;
      break;
    case ArithOp::Subtract:
      r = x - y;
      break;
    case ArithOp::Multiply:
      r = x * y;
      break;
    case ArithOp::Divide:
      if (y == 0) throwSqlError(8134);
      r = fitsInt64(x, y) ? static_cast<int64_t>(x) / static_cast<int64_t>(y) : x / y;  // toward zero
      break;
    case ArithOp::Modulo:
      if (y == 0) throwSqlError(8134);
      r = fitsInt64(x, y) ? static_cast<int64_t>(x) % static_cast<int64_t>(y) : x % y;  // the dividend's sign
      break;
  }
  int64_t lo = 0, hi = 0;
  switch (result.id) {
    case TypeId::TinyInt:
      lo = 0, hi = 255;
      break;
    case TypeId::SmallInt:
      lo = -32768, hi = 32767;
      break;
    case TypeId::Int:
      lo = INT32_MIN, hi = INT32_MAX;
      break;
    default:
      lo = INT64_MIN, hi = INT64_MAX;
      break;
  }
  if (r < lo || r > hi) overflowTo(result);
  return Value::integer(static_cast<int64_t>(r));
}

Value decimalArithmetic(ArithOp op, const Decimal128& x, const Decimal128& y, const SqlType& result) {
  if ((op == ArithOp::Divide || op == ArithOp::Modulo) && y.isZero()) throwSqlError(8134);
  std::optional<Decimal128> r;
  switch (op) {
    case ArithOp::Add:
      r = Decimal128::add(x, y, result.scale);
      break;
    case ArithOp::Subtract:
      r = Decimal128::subtract(x, y, result.scale);
      break;
    case ArithOp::Multiply:
      r = Decimal128::multiply(x, y, result.scale);
      break;
    case ArithOp::Divide:
      r = Decimal128::divide(x, y, result.scale);
      break;
    case ArithOp::Modulo:
      r = Decimal128::modulo(x, y, result.scale);
      break;
  }
  if (!r || !r->fits(result.precision)) overflowTo(result);
  return Value::decimal(*r);
}

Value floatArithmetic(ArithOp op, double x, double y, const SqlType& result) {
  double r = 0;
  switch (op) {
    case ArithOp::Add:
      r = x + y;
      break;
    case ArithOp::Subtract:
      r = x - y;
      break;
    case ArithOp::Multiply:
      r = x * y;
      break;
    case ArithOp::Divide:
      if (y == 0) throwSqlError(8134);
      r = x / y;
      break;
    case ArithOp::Modulo:
      break;
  }
  if (result.id == TypeId::Real) r = static_cast<double>(static_cast<float>(r));
  if (!std::isfinite(r)) overflowTo(result);
  return Value::floating(r);
}

// Days as ticks: integers are whole days, other numbers fractional days.
int64_t daysToTicks(const Value& v, const SqlType& t) {
  if (t.isDateTime()) return v.asDateTime().ticks();
  double days = v.kind() == Value::Kind::Int       ? static_cast<double>(v.asInt())
                : v.kind() == Value::Kind::Decimal ? v.asDecimal().toDouble()
                                                   : v.asFloat();
  double ticks = std::round(days * DateTime::kTicksPerDay);
  if (!(std::fabs(ticks) < 1e18)) throwSqlError(517, {"datetime"});
  return static_cast<int64_t>(ticks);
}

Value dateArithmetic(ArithOp op, const Value& a, const SqlType& ta, const Value& b, const SqlType& tb,
                     const SqlType& result) {
  // Text operands read as dates; numbers are days.
  Value x = ta.isString() ? castValue(a, ta, result) : a;
  Value y = tb.isString() ? castValue(b, tb, result) : b;
  SqlType tx = ta.isString() ? result : ta, ty = tb.isString() ? result : tb;
  int64_t ticks =
      op == ArithOp::Add ? daysToTicks(x, tx) + daysToTicks(y, ty) : daysToTicks(x, tx) - daysToTicks(y, ty);
  DateTime t(ticks);
  if (result.id == TypeId::SmallDateTime) {
    t = t.roundedToMinute();
    if (!t.inSmallDateTimeRange()) throwSqlError(517, {"smalldatetime"});
  } else if (!t.inDateTimeRange()) {
    throwSqlError(517, {"datetime"});
  }
  return Value::dateTime(t);
}

Decimal128 exactOf(const Value& v, const SqlType& t, const SqlType& target) {
  if (v.kind() == Value::Kind::Int) return Decimal128::fromInt(v.asInt());
  if (v.kind() == Value::Kind::Decimal) return v.asDecimal();
  return castValue(v, t, target).asDecimal();
}

}  // namespace

int typePrecedence(TypeId id) {
  switch (id) {
    case TypeId::DateTime:
      return 16;
    case TypeId::SmallDateTime:
      return 15;
    case TypeId::Date:
      return 14;
    case TypeId::Float:
      return 13;
    case TypeId::Real:
      return 12;
    case TypeId::Decimal:
      return 11;
    case TypeId::Money:
      return 10;
    case TypeId::BigInt:
      return 9;
    case TypeId::Int:
      return 8;
    case TypeId::SmallInt:
      return 7;
    case TypeId::TinyInt:
      return 6;
    case TypeId::Bit:
      return 5;
    case TypeId::NVarChar:
      return 4;
    case TypeId::NChar:
      return 3;
    case TypeId::VarChar:
      return 2;
    case TypeId::Char:
      return 1;
    case TypeId::Null:
      return 0;
  }
  return 0;
}

namespace {

// The decimal result of an operator on two exact numeric types (integers and
// money count as their decimal types), with the 38-digit cap and the scale
// reduction.  `op` Add covers Subtract.
SqlType decimalResultType(ArithOp op, const SqlType& ta, const SqlType& tb) {
  const SqlType a = asDecimalType(ta), b = asDecimalType(tb);
  const int p1 = a.precision, s1 = a.scale, p2 = b.precision, s2 = b.scale;
  const int maxIntegral = std::max(p1 - s1, p2 - s2);
  int p = 0, s = 0;
  switch (op) {
    case ArithOp::Add:
    case ArithOp::Subtract:
      s = std::max(s1, s2);
      p = s + maxIntegral + 1;
      if (p > SqlType::kMaxPrecision) {
        s = std::max(SqlType::kMaxPrecision - maxIntegral, 0);
        p = SqlType::kMaxPrecision;
      }
      return SqlType::decimal(p, s);
    case ArithOp::Multiply:
      p = p1 + p2 + 1;
      s = s1 + s2;
      break;
    case ArithOp::Divide:
      s = std::max(6, s1 + p2 + 1);
      p = p1 - s1 + s2 + s;
      break;
    case ArithOp::Modulo:
      s = std::max(s1, s2);
      p = std::min(p1 - s1, p2 - s2) + s;
      return SqlType::decimal(std::min(std::max(p, 1), SqlType::kMaxPrecision), s);
  }
  if (p > SqlType::kMaxPrecision) {
    // Keep the integral digits; the scale gives way, but not below 6 (or below
    // what it was, when it was under 6).
    const int integral = p - s;
    s = std::min(s, std::max(6, SqlType::kMaxPrecision - integral));
    p = SqlType::kMaxPrecision;
  }
  return SqlType::decimal(p, s);
}

}  // namespace

SqlType arithmeticResultType(ArithOp op, const SqlType& a0, const SqlType& b0) {
  if (a0.isNull() && b0.isNull()) return SqlType(TypeId::Int);
  const SqlType a = a0.isNull() ? b0 : a0;
  const SqlType b = b0.isNull() ? a0 : b0;
  if (a.isString() && b.isString()) {
    if (op != ArithOp::Add) incompatible(op, a, b);
    return concatType(a, b);
  }
  const SqlType& t = higher(a, b);
  if (a.id == TypeId::Date || b.id == TypeId::Date) {
    throwSqlError(8117, {"date", opName(op)});
  }
  if (t.isDateTime()) {
    if (op != ArithOp::Add && op != ArithOp::Subtract) throwSqlError(8117, {str(t.baseName()), opName(op)});
    return SqlType(t.id);
  }
  if (t.isApproximate()) {
    if (op == ArithOp::Modulo) incompatible(op, a, b);
    return SqlType(t.id);
  }
  if (a.id == TypeId::Bit && b.id == TypeId::Bit) incompatible(op, a, b);
  if (t.id == TypeId::Decimal) {
    return decimalResultType(op, operandDecimalType(a, b), operandDecimalType(b, a));
  }
  if (t.id == TypeId::Money) return SqlType(TypeId::Money);
  if (t.id == TypeId::Bit) return SqlType(TypeId::Int);
  return SqlType(t.id);
}

Value arithmetic(ArithOp op, const Value& a, const SqlType& ta, const Value& b, const SqlType& tb,
                 const SqlType& result) {
  if (a.isNull() || b.isNull()) return Value();
  if (result.isString()) {
    std::string s(a.asString());
    s.append(b.asString());
    return castValue(Value::string(s), SqlType::string(result.id, SqlType::kMax), result);
  }
  if (result.isDateTime()) return dateArithmetic(op, a, ta, b, tb, result);
  if (result.isApproximate()) {
    double x = castValue(a, ta, result).asFloat(), y = castValue(b, tb, result).asFloat();
    return floatArithmetic(op, x, y, result);
  }
  if (result.id == TypeId::Decimal) {
    Decimal128 x = exactOf(a, ta, operandDecimalType(ta, tb));
    Decimal128 y = exactOf(b, tb, operandDecimalType(tb, ta));
    return decimalArithmetic(op, x, y, result);
  }
  if (result.id == TypeId::Money) {
    Decimal128 x = exactOf(a, ta, result), y = exactOf(b, tb, result);
    Value r = decimalArithmetic(op, x, y, SqlType::decimal(38, 4));
    if (!fitsExactType(r.asDecimal(), result)) overflowTo(result);
    return r;
  }
  // Integers (text converts to the integer type, 245 when it is no number).
  __int128 x = toInt128(ta.isInteger() ? a : castValue(a, ta, result));
  __int128 y = toInt128(tb.isInteger() ? b : castValue(b, tb, result));
  return integerArithmetic(op, x, y, result);
}

Value negate(const Value& v, const SqlType& t) {
  switch (v.kind()) {
    case Value::Kind::Int:
      return integerArithmetic(ArithOp::Subtract, 0, v.asInt(),
                               t.id == TypeId::Bit ? SqlType(TypeId::Int) : t);
    case Value::Kind::Decimal: {
      // Money's range is not symmetric: -(-922,337,203,685,477.5808) leaves it.
      Decimal128 d = v.asDecimal().negate();
      if (!fitsExactType(d, t)) overflowTo(t);
      return Value::decimal(d);
    }
    case Value::Kind::Float:
      return Value::floating(-v.asFloat());
    case Value::Kind::Null:
      return v;
    default:
      throwSqlError(8117, {str(t.baseName()), "minus"});
  }
}

SqlType comparisonType(const SqlType& a, const SqlType& b) {
  if (a.isNull()) return b;
  if (b.isNull()) return a;
  if (a.isString() && b.isString()) {
    bool unicode = a.isUnicode() || b.isUnicode();
    int length = (a.length == SqlType::kMax || b.length == SqlType::kMax) ? SqlType::kMax
                                                                          : std::max(a.length, b.length);
    return SqlType::string(unicode ? TypeId::NVarChar : TypeId::VarChar, length);
  }
  return exactCommonType(a, b);
}

std::optional<int> compareSql(const Value& a, const SqlType& ta, const Value& b, const SqlType& tb) {
  if (a.isNull() || b.isNull()) return std::nullopt;
  const SqlType t = comparisonType(ta, tb);
  if (t.isString()) return compareText(a.asString(), b.asString());
  if (t.isDateTime() || t.isApproximate()) {
    return compareValues(implicitConvert(a, ta, t), implicitConvert(b, tb, t));
  }
  // Exact numbers compare exactly; text reads as the number it holds.
  auto exact = [&](const Value& v, const SqlType& vt) -> Value {
    if (!vt.isString()) return v;
    if (t.isInteger()) return castValue(v, vt, t);
    auto d = Decimal128::parse(v.asString());
    if (!d) return castValue(v, vt, t);  // raises the conversion error
    return Value::decimal(*d);
  };
  return compareValues(exact(a, ta), exact(b, tb));
}

int compareValues(const Value& a, const Value& b) {
  auto sign = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  using K = Value::Kind;
  if (a.kind() == b.kind()) {
    switch (a.kind()) {
      case K::Null:
        return 0;
      case K::Int:
        return sign(a.asInt(), b.asInt());
      case K::Float:
        return sign(a.asFloat(), b.asFloat());
      case K::DateTime:
        return sign(a.asDateTime().ticks(), b.asDateTime().ticks());
      case K::String:
        return compareText(a.asString(), b.asString());
      case K::Decimal: {
        auto c = a.asDecimal() <=> b.asDecimal();
        return c < 0 ? -1 : c > 0 ? 1 : 0;
      }
    }
  }
  auto asDecimal = [](const Value& v) {
    return v.kind() == K::Int ? Decimal128::fromInt(v.asInt()) : v.asDecimal();
  };
  auto asDouble = [&](const Value& v) {
    return v.kind() == K::Float ? v.asFloat()
           : v.kind() == K::Int ? static_cast<double>(v.asInt())
                                : v.asDecimal().toDouble();
  };
  if (a.kind() == K::Float || b.kind() == K::Float) return sign(asDouble(a), asDouble(b));
  auto c = asDecimal(a) <=> asDecimal(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

SqlType combineTypes(const SqlType& a, const SqlType& b) {
  if (a.isNull()) return b;
  if (b.isNull()) return a;
  if (a.isString() && b.isString()) {
    bool unicode = a.isUnicode() || b.isUnicode();
    bool fixed = a.isFixedLengthString() && b.isFixedLengthString();
    int length = (a.length == SqlType::kMax || b.length == SqlType::kMax) ? SqlType::kMax
                                                                          : std::max(a.length, b.length);
    TypeId id =
        unicode ? (fixed ? TypeId::NChar : TypeId::NVarChar) : (fixed ? TypeId::Char : TypeId::VarChar);
    return SqlType::string(id, length);
  }
  if ((a.id == TypeId::Date && b.isNumeric()) || (b.id == TypeId::Date && a.isNumeric())) {
    throwSqlError(206, {str(a.baseName()), str(b.baseName())});
  }
  const SqlType t = exactCommonType(a, b);
  return t.isDateTime() || t.isNumeric() ? t : SqlType(t.id);
}

SqlType sumType(const SqlType& t) {
  switch (t.id) {
    case TypeId::TinyInt:
    case TypeId::SmallInt:
    case TypeId::Int:
    case TypeId::Bit:
      return SqlType(TypeId::Int);
    case TypeId::BigInt:
      return SqlType(TypeId::BigInt);
    case TypeId::Decimal:
      return SqlType::decimal(38, t.scale);
    case TypeId::Money:
      return SqlType(TypeId::Money);
    case TypeId::Float:
    case TypeId::Real:
      return SqlType(TypeId::Float);
    case TypeId::Null:
      return SqlType(TypeId::Int);
    default:
      throwSqlError(8117, {str(t.baseName()), "sum"});
  }
}

SqlType avgType(const SqlType& t) {
  if (t.id == TypeId::Decimal) return SqlType::decimal(38, std::max(t.scale, 6));
  if (!t.isNumeric() && !t.isNull()) throwSqlError(8117, {str(t.baseName()), "avg"});
  return sumType(t);
}

Bool3 and3(Bool3 a, Bool3 b) {
  if ((a && !*a) || (b && !*b)) return false;
  if (a && b) return true;
  return std::nullopt;
}

Bool3 or3(Bool3 a, Bool3 b) {
  if ((a && *a) || (b && *b)) return true;
  if (a && b) return false;
  return std::nullopt;
}

Bool3 not3(Bool3 a) {
  return a ? Bool3(!*a) : std::nullopt;
}

}  // namespace mls::tsql
