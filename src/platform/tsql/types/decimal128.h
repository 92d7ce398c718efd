// An exact decimal of up to 38 digits: a signed 128-bit mantissa and a scale
// (value = mantissa / 10^scale).  The precision a value must fit belongs to its
// SqlType; the operations here compute exactly at a requested result scale and
// report an overflow of that precision as an empty optional, which the semantic
// layer turns into error 8115.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mls::tsql {

class Decimal128 {
 public:
  static constexpr int kMaxDigits = 38;

  Decimal128() = default;
  Decimal128(__int128 mantissa, int scale) : mantissa_(mantissa), scale_(scale) {}
  static Decimal128 fromInt(int64_t v) { return Decimal128(v, 0); }

  __int128 mantissa() const { return mantissa_; }
  int scale() const { return scale_; }
  bool isZero() const { return mantissa_ == 0; }
  bool isNegative() const { return mantissa_ < 0; }
  int sign() const { return mantissa_ < 0 ? -1 : mantissa_ > 0 ? 1 : 0; }

  // Digits of the mantissa (at least 1): the precision the value needs.
  int digits() const;
  // Digits left of the decimal point (0 for |v| < 1).
  int integralDigits() const;
  bool fits(int precision) const { return digits() <= precision; }

  // The value at `scale`: half away from zero, or toward zero when `truncate`.
  // Empty when the result would need more than 38 digits.
  std::optional<Decimal128> rescale(int scale, bool truncate = false) const;
  Decimal128 negate() const { return Decimal128(-mantissa_, scale_); }
  Decimal128 abs() const { return Decimal128(mantissa_ < 0 ? -mantissa_ : mantissa_, scale_); }

  // Exact text: "-12.340", "0.50", "7"; always scale digits after the point.
  std::string toString() const;
  // A number written as [sign]digits[.digits] with optional surrounding spaces
  // (also "5.", ".5"; an exponent is not decimal text).  The scale is the
  // digits written after the point.  Empty for bad text or more than 38 digits.
  static std::optional<Decimal128> parse(std::string_view text);
  double toDouble() const;
  // The double at `scale`, half away from zero; empty when out of 38 digits.
  static std::optional<Decimal128> fromDouble(double v, int scale);
  // The integer part (toward zero); empty when it leaves int64.
  std::optional<int64_t> toInt64() const;

  // Arithmetic at the given result scale.  + - * and % round half away from
  // zero to it; / truncates.  Empty on overflow of 38 digits; / also when
  // dividing by zero is asked for (callers check for zero first).
  static std::optional<Decimal128> add(const Decimal128& a, const Decimal128& b, int scale);
  static std::optional<Decimal128> subtract(const Decimal128& a, const Decimal128& b, int scale);
  static std::optional<Decimal128> multiply(const Decimal128& a, const Decimal128& b, int scale);
  static std::optional<Decimal128> divide(const Decimal128& a, const Decimal128& b, int scale);
  static std::optional<Decimal128> modulo(const Decimal128& a, const Decimal128& b, int scale);

  // Numeric order across scales.
  friend std::strong_ordering operator<=>(const Decimal128& a, const Decimal128& b);
  friend bool operator==(const Decimal128& a, const Decimal128& b) { return (a <=> b) == 0; }

  // The value without trailing fractional zeros (for hashing equal values alike).
  Decimal128 normalized() const;

 private:
  __int128 mantissa_ = 0;
  int scale_ = 0;
};

// 10^n for 0 <= n <= 38.
unsigned __int128 pow10u128(int n);

}  // namespace mls::tsql
