// Exact automation decimal: a 96-bit unsigned mantissa, a scale of 0 to 28 and a
// sign.  Value = (negative ? -1 : 1) * mantissa / 10^scale.  Arithmetic is exact
// where the result fits; results that need more than 96 bits of mantissa lose
// digits after the decimal point (rounded half to even) and raise overflow (6)
// only when the integral part does not fit.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mls::com {

class Decimal {
 public:
  static constexpr int kMaxScale = 28;
  using u128 = unsigned __int128;

  Decimal() = default;
  // From an integer.
  static Decimal fromInt(int64_t v);
  // From a double, with at most 15 significant digits (as automation converts).
  static Decimal fromDouble(double v);
  // From the parts; mantissa must fit in 96 bits and scale in 0..28, else raises 6.
  static Decimal fromParts(u128 mantissa, int scale, bool negative);
  // Parses "-123.456", "1E-5" style text with invariant '.'; nullopt when not a number.
  static std::optional<Decimal> parse(std::string_view text);

  u128 mantissa() const { return mantissa_; }
  int scale() const { return scale_; }
  bool negative() const { return negative_; }
  bool isZero() const { return mantissa_ == 0; }

  double toDouble() const;
  // Truncates toward zero; raises 6 when it does not fit.
  int64_t toInt64Truncated() const;
  // Invariant text without exponent and without trailing zeros after the point: "-12.5", "0.3".
  std::string toString() const;

  Decimal operator-() const;
  friend Decimal operator+(const Decimal& a, const Decimal& b);
  friend Decimal operator-(const Decimal& a, const Decimal& b);
  friend Decimal operator*(const Decimal& a, const Decimal& b);
  // Division by zero raises 11; the quotient keeps as many digits as fit in 96 bits.
  friend Decimal operator/(const Decimal& a, const Decimal& b);
  friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);
  friend bool operator==(const Decimal& a, const Decimal& b);

  // Rounds to `places` decimals, half to even (banker's rounding).
  Decimal roundHalfEven(int places) const;
  // Removes trailing zeros of the fraction (1.500 -> 1.5); the value is unchanged.
  Decimal normalized() const;

 private:
  u128 mantissa_ = 0;
  uint8_t scale_ = 0;
  bool negative_ = false;
};

}  // namespace mls::com
