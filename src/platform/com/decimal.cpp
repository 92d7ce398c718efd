#include "platform/com/decimal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/com/error.h"
#include "platform/common/u256.h"

namespace mls::com {

namespace {

constexpr Decimal::u128 kMantissaLimit = Decimal::u128(1) << 96;

bool fits96(const U256& n) {
  return n.fitsU128() && n.toU128() < kMantissaLimit;
}

// Builds a Decimal from an exact (or sticky-marked) wide value: drops digits
// after the point, rounding half to even, until the scale is at most maxScale
// and the mantissa fits in 96 bits.  `sticky` marks non-zero digits that were
// already dropped below the last digit of `n`.  Raises 6 when the integral part
// does not fit.
Decimal finish(U256 n, int scale, bool negative, bool sticky, int maxScale = Decimal::kMaxScale) {
  while (scale < 0) {
    if (!fits96(n)) raise(err::kOverflow);
    n.mulSmall(10);
    ++scale;
  }
  int lastDigit = 0;
  while (scale > maxScale || !fits96(n)) {
    if (scale == 0) raise(err::kOverflow);
    if (lastDigit != 0) sticky = true;
    lastDigit = static_cast<int>(n.divSmall(10));
    --scale;
  }
  if (lastDigit > 5 || (lastDigit == 5 && (sticky || n.isOdd()))) {
    n.addOne();
    if (!fits96(n)) {
      // The mantissa rounded up to 2^96, which ends in 6: one more digit goes.
      if (scale == 0) raise(err::kOverflow);
      uint64_t d = n.divSmall(10);
      --scale;
      if (d >= 5) n.addOne();
    }
  }
  Decimal::u128 m = n.toU128();
  return Decimal::fromParts(m, scale, negative && m != 0);
}

// Both values brought to the larger scale.
struct Aligned {
  U256 a, b;
  int scale;
};

Aligned align(const Decimal& a, const Decimal& b) {
  Aligned r{U256(a.mantissa()), U256(b.mantissa()), std::max(a.scale(), b.scale())};
  for (int i = a.scale(); i < r.scale; ++i)
    r.a.mulSmall(10);
  for (int i = b.scale(); i < r.scale; ++i)
    r.b.mulSmall(10);
  return r;
}

Decimal addSigned(const Decimal& a, const Decimal& b, bool negateB) {
  bool bNeg = b.negative() != negateB;
  Aligned x = align(a, b);
  if (a.negative() == bNeg) {
    x.a.add(x.b);
    return finish(x.a, x.scale, a.negative(), false);
  }
  if (compare(x.a, x.b) >= 0) {
    x.a.sub(x.b);
    return finish(x.a, x.scale, a.negative(), false);
  }
  x.b.sub(x.a);
  return finish(x.b, x.scale, bNeg, false);
}

}  // namespace

Decimal Decimal::fromInt(int64_t v) {
  u128 m = v < 0 ? u128(0) - static_cast<u128>(static_cast<__int128>(v)) : static_cast<u128>(v);
  return fromParts(m, 0, v < 0);
}

Decimal Decimal::fromDouble(double v) {
  if (!std::isfinite(v)) raise(err::kOverflow);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", v);
  std::optional<Decimal> d = parse(buf);
  if (!d) raise(err::kOverflow);
  return d->normalized();
}

Decimal Decimal::fromParts(u128 mantissa, int scale, bool negative) {
  if (mantissa >= kMantissaLimit || scale < 0 || scale > kMaxScale) raise(err::kOverflow);
  Decimal d;
  d.mantissa_ = mantissa;
  d.scale_ = static_cast<uint8_t>(scale);
  d.negative_ = negative && mantissa != 0;
  return d;
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
  size_t i = 0, n = text.size();
  auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  while (i < n && isSpace(text[i]))
    ++i;
  while (n > i && isSpace(text[n - 1]))
    --n;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  // Digits beyond the first 60 significant ones cannot affect a 29-digit
  // result except as a sticky marker for rounding.
  constexpr int kKeptDigits = 60;
  U256 mant;
  int kept = 0, scale = 0, digits = 0;
  bool sticky = false, point = false;
  for (; i < n; ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    ++digits;
    if (kept == 0 && c == '0') {  // leading zero
      if (point) ++scale;
      continue;
    }
    if (kept < kKeptDigits) {
      mant.mulSmall(10);
      mant.add(U256(static_cast<uint64_t>(c - '0')));
      ++kept;
      if (point) ++scale;
      continue;
    }
    // A dropped digit: an integral one shifts the value, any one marks for rounding.
    sticky = sticky || c != '0';
    if (!point) --scale;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool expNeg = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) expNeg = text[i++] == '-';
    if (i == n) return std::nullopt;
    int exp = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
      exp = std::min(exp * 10 + (text[i] - '0'), 10000);
    scale += expNeg ? exp : -exp;
  }
  if (i != n) return std::nullopt;
  if (mant.isZero()) return Decimal();
  if (scale > 1000) return Decimal();  // far below the smallest step
  if (scale < -100) raise(err::kOverflow);
  return finish(mant, scale, negative, sticky);
}

double Decimal::toDouble() const {
  return std::strtod(toString().c_str(), nullptr);
}

int64_t Decimal::toInt64Truncated() const {
  u128 q = mantissa_;
  for (int i = 0; i < scale_; ++i)
    q /= 10;
  constexpr u128 kMax = static_cast<u128>(INT64_MAX);
  if (negative_) {
    if (q > kMax + 1) raise(err::kOverflow);
    return static_cast<int64_t>(u128(0) - q);
  }
  if (q > kMax) raise(err::kOverflow);
  return static_cast<int64_t>(q);
}

std::string Decimal::toString() const {
  std::string digits;
  u128 m = mantissa_;
  do {
    digits.push_back(static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  while (digits.size() <= scale_)
    digits.push_back('0');
  std::reverse(digits.begin(), digits.end());
  std::string out = negative_ ? "-" : "";
  size_t intLen = digits.size() - scale_;
  out.append(digits, 0, intLen);
  std::string frac = digits.substr(intLen);
  while (!frac.empty() && frac.back() == '0')
    frac.pop_back();
  if (!frac.empty()) out += "." + frac;
  return out;
}

Decimal Decimal::operator-() const {
  Decimal d = *this;
  d.negative_ = !negative_ && mantissa_ != 0;
  return d;
}

Decimal operator+(const Decimal& a, const Decimal& b) {
  return addSigned(a, b, false);
}
Decimal operator-(const Decimal& a, const Decimal& b) {
  return addSigned(a, b, true);
}

Decimal operator*(const Decimal& a, const Decimal& b) {
  U256 n = U256::multiply(a.mantissa(), b.mantissa());
  return finish(n, a.scale() + b.scale(), a.negative() != b.negative(), false);
}

Decimal operator/(const Decimal& a, const Decimal& b) {
  if (b.isZero()) raise(err::kDivisionByZero);
  using u128 = Decimal::u128;
  const u128 bm = b.mantissa();
  u128 q = a.mantissa() / bm, r = a.mantissa() % bm;
  int scale = a.scale() - b.scale();
  // Generates quotient digits until they stop, or one more than can be kept.
  const u128 limit = kMantissaLimit * 10;
  while ((r != 0 || scale < 0) && scale <= Decimal::kMaxScale && q < limit) {
    r *= 10;
    q = q * 10 + r / bm;
    r %= bm;
    ++scale;
  }
  return finish(U256(q), scale, a.negative() != b.negative(), r != 0);
}

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
  bool aNeg = a.negative() && !a.isZero(), bNeg = b.negative() && !b.isZero();
  if (aNeg != bNeg) return aNeg ? std::strong_ordering::less : std::strong_ordering::greater;
  Aligned x = align(a, b);
  int c = compare(x.a, x.b);
  if (aNeg) c = -c;
  return c < 0   ? std::strong_ordering::less
         : c > 0 ? std::strong_ordering::greater
                 : std::strong_ordering::equal;
}

bool operator==(const Decimal& a, const Decimal& b) {
  return (a <=> b) == 0;
}

Decimal Decimal::roundHalfEven(int places) const {
  if (places < 0) raise(err::kInvalidCall);
  if (places >= scale_) return *this;
  return finish(U256(mantissa_), scale_, negative_, false, places);
}

Decimal Decimal::normalized() const {
  Decimal d = *this;
  while (d.scale_ > 0 && d.mantissa_ % 10 == 0) {
    d.mantissa_ /= 10;
    --d.scale_;
  }
  return d;
}

}  // namespace mls::com
