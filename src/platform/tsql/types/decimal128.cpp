#include "platform/tsql/types/decimal128.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/common/u256.h"

namespace mls::tsql {

namespace {

using u128 = unsigned __int128;

u128 magnitude(__int128 v) {
  return v < 0 ? -static_cast<u128>(v) : static_cast<u128>(v);
}

// A signed magnitude at some scale, wide enough for every intermediate.
struct Wide {
  bool negative = false;
  U256 mag;
  int scale = 0;
};

Wide widen(const Decimal128& d) {
  return Wide{d.isNegative(), U256(magnitude(d.mantissa())), d.scale()};
}

// The magnitude moved from scale `from` to `to`; dropping digits rounds half
// away from zero (the first dropped digit decides) or truncates.
bool rescaleMag(U256& mag, int from, int to, bool truncate) {
  if (to >= from) return mag.mulPow10(to - from);
  int drop = from - to;
  for (; drop > 19; drop -= 19)
    mag.divSmall(10000000000000000000ull);
  uint64_t lastChunk = 1;
  for (int i = 1; i < drop; ++i)
    lastChunk *= 10;
  mag.divSmall(lastChunk);
  uint64_t digit = mag.divSmall(10);
  if (!truncate && digit >= 5) mag.addOne();
  return true;
}

// Narrows a wide value to a Decimal128 at `scale`; empty past 38 digits.
std::optional<Decimal128> narrow(Wide w, int scale, bool truncate = false) {
  if (!rescaleMag(w.mag, w.scale, scale, truncate)) return std::nullopt;
  static const U256 limit(pow10u128(Decimal128::kMaxDigits));
  if (!(w.mag < limit)) return std::nullopt;
  __int128 m = static_cast<__int128>(w.mag.toU128());
  return Decimal128(w.negative ? -m : m, scale);
}

// Magnitudes below this multiply, and scale up by 10^18, within 128 bits.
constexpr u128 kSmall = u128{1} << 62;

// m * 10^(to - from) for a small magnitude and a step of at most 18 digits.
bool smallRescale(u128 m, int from, int to, u128& out) {
  if (m >= kSmall || to < from || to - from > 18) return false;
  out = m * pow10u128(to - from);
  return true;
}

// The signed decimal of magnitude `m` at `scale`; empty past 38 digits.
std::optional<Decimal128> signedResult(bool negative, u128 m, int scale) {
  if (m >= pow10u128(Decimal128::kMaxDigits)) return std::nullopt;
  const auto v = static_cast<__int128>(m);
  return Decimal128(negative ? -v : v, scale);
}

std::optional<Decimal128> addSigned(const Decimal128& a, const Decimal128& b, bool negateB, int scale) {
  // Small operands at a scale that drops no digit: in 128 bits.
  u128 ma = 0, mb = 0;
  if (smallRescale(magnitude(a.mantissa()), a.scale(), scale, ma) &&
      smallRescale(magnitude(b.mantissa()), b.scale(), scale, mb)) {
    const auto x = a.isNegative() ? -static_cast<__int128>(ma) : static_cast<__int128>(ma);
    const auto y = b.isNegative() != negateB ? -static_cast<__int128>(mb) : static_cast<__int128>(mb);
    const __int128 r = x + y;
    return signedResult(r < 0, magnitude(r), scale);
  }
  Wide x = widen(a), y = widen(b);
  if (negateB) y.negative = !y.negative;
  int s = std::max(x.scale, y.scale);
  rescaleMag(x.mag, x.scale, s, false);
  rescaleMag(y.mag, y.scale, s, false);
  Wide r;
  r.scale = s;
  if (x.negative == y.negative) {
    r.mag = x.mag;
    r.mag.add(y.mag);
    r.negative = x.negative;
  } else if (compare(x.mag, y.mag) >= 0) {
    r.mag = x.mag;
    r.mag.sub(y.mag);
    r.negative = x.negative;
  } else {
    r.mag = y.mag;
    r.mag.sub(x.mag);
    r.negative = y.negative;
  }
  if (r.mag.isZero()) r.negative = false;
  return narrow(r, scale);
}

}  // namespace

namespace {

// 10^0 .. 10^38.
constexpr std::array<u128, 39> kPowersOfTen = [] {
  std::array<u128, 39> p{};
  p[0] = 1;
  for (size_t i = 1; i < p.size(); ++i)
    p[i] = p[i - 1] * 10;
  return p;
}();

}  // namespace

unsigned __int128 pow10u128(int n) {
  if (n >= 0 && n < static_cast<int>(kPowersOfTen.size())) return kPowersOfTen[static_cast<size_t>(n)];
  u128 r = kPowersOfTen.back();
  for (int i = static_cast<int>(kPowersOfTen.size()) - 1; i < n; ++i)
    r *= 10;
  return r;
}

int Decimal128::digits() const {
  // The first power of ten above the magnitude (39 digits past 10^38).
  const u128 m = magnitude(mantissa_);
  auto above = std::upper_bound(kPowersOfTen.begin() + 1, kPowersOfTen.end(), m);
  return static_cast<int>(above - kPowersOfTen.begin());
}

int Decimal128::integralDigits() const {
  u128 whole = magnitude(mantissa_) / pow10u128(scale_);
  if (whole == 0) return 0;
  return Decimal128(static_cast<__int128>(whole), 0).digits();
}

std::optional<Decimal128> Decimal128::rescale(int scale, bool truncate) const {
  if (scale == scale_) return *this;
  return narrow(widen(*this), scale, truncate);
}

std::string Decimal128::toString() const {
  u128 m = magnitude(mantissa_);
  std::string digitsText;
  do {
    digitsText.push_back(static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  while (static_cast<int>(digitsText.size()) <= scale_)
    digitsText.push_back('0');
  std::reverse(digitsText.begin(), digitsText.end());
  std::string out = mantissa_ < 0 ? "-" : "";
  size_t intLen = digitsText.size() - static_cast<size_t>(scale_);
  out.append(digitsText, 0, intLen);
  if (scale_ > 0) {
    out.push_back('.');
    out.append(digitsText, intLen, std::string::npos);
  }
  return out;
}

std::optional<Decimal128> Decimal128::parse(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ')
    ++b;
  while (e > b && text[e - 1] == ' ')
    --e;
  text = text.substr(b, e - b);
  bool negative = false;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  u128 m = 0;
  int significant = 0, scale = 0, digitCount = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    ++digitCount;
    if (point) ++scale;
    if (m == 0 && c == '0' && !point) continue;
    if (++significant > kMaxDigits || scale > kMaxDigits) return std::nullopt;
    m = m * 10 + static_cast<u128>(c - '0');
  }
  if (digitCount == 0) return std::nullopt;
  __int128 v = static_cast<__int128>(m);
  return Decimal128(negative ? -v : v, scale);
}

double Decimal128::toDouble() const {
  std::string s = toString();
  return std::strtod(s.c_str(), nullptr);
}

std::optional<Decimal128> Decimal128::fromDouble(double v, int scale) {
  if (!std::isfinite(v)) return std::nullopt;
  if (v == 0) return Decimal128(0, scale);
  // The shortest text that reads back as v: the digits a user wrote.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific);
  std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
  size_t ePos = s.find('e');
  int exponent = std::atoi(std::string(s.substr(ePos + 1)).c_str());
  u128 m = 0;
  int count = 0;
  for (char c : s.substr(0, ePos)) {
    if (c == '.') continue;
    m = m * 10 + static_cast<u128>(c - '0');
    ++count;
  }
  // v = m * 10^(exponent - count + 1)
  Wide w{v < 0, U256(m), count - 1 - exponent};
  if (w.scale < -kMaxDigits) return std::nullopt;
  if (w.scale > scale + 40) return Decimal128(0, scale);
  return narrow(w, scale);
}

std::optional<int64_t> Decimal128::toInt64() const {
  __int128 whole = mantissa_ / static_cast<__int128>(pow10u128(scale_));
  if (whole > INT64_MAX || whole < INT64_MIN) return std::nullopt;
  return static_cast<int64_t>(whole);
}

std::optional<Decimal128> Decimal128::add(const Decimal128& a, const Decimal128& b, int scale) {
  return addSigned(a, b, false, scale);
}

std::optional<Decimal128> Decimal128::subtract(const Decimal128& a, const Decimal128& b, int scale) {
  return addSigned(a, b, true, scale);
}

std::optional<Decimal128> Decimal128::multiply(const Decimal128& a, const Decimal128& b, int scale) {
  // Small operands at a scale that drops no digit: in 128 bits.
  const u128 ma = magnitude(a.mantissa_), mb = magnitude(b.mantissa_);
  const int natural = a.scale_ + b.scale_;
  if (ma < kSmall && mb < kSmall && scale >= natural && scale - natural <= kMaxDigits) {
    const u128 product = ma * mb, factor = pow10u128(scale - natural);
    if (product > (pow10u128(kMaxDigits) - 1) / factor) return std::nullopt;
    return signedResult(a.isNegative() != b.isNegative() && product != 0, product * factor, scale);
  }
  Wide w{a.isNegative() != b.isNegative(), U256::multiply(magnitude(a.mantissa_), magnitude(b.mantissa_)),
         a.scale_ + b.scale_};
  if (w.mag.isZero()) w.negative = false;
  return narrow(w, scale);
}

std::optional<Decimal128> Decimal128::divide(const Decimal128& a, const Decimal128& b, int scale) {
  if (b.isZero()) return std::nullopt;
  bool negative = a.isNegative() != b.isNegative();
  // a/b at `scale` = (|a| * 10^(scale + sb - sa)) / |b|, truncated.
  int e = scale + b.scale_ - a.scale_;
  U256 q;
  if (e >= 0) {
    U256 n(magnitude(a.mantissa_));
    if (!n.mulPow10(e)) return std::nullopt;
    U256 r;
    U256::divmod(n, U256(magnitude(b.mantissa_)), q, r);
  } else {
    q = U256(magnitude(a.mantissa_) / pow10u128(-e) / magnitude(b.mantissa_));
  }
  if (q.isZero()) negative = false;
  return narrow(Wide{negative, q, scale}, scale);
}

std::optional<Decimal128> Decimal128::modulo(const Decimal128& a, const Decimal128& b, int scale) {
  if (b.isZero()) return std::nullopt;
  Wide x = widen(a), y = widen(b);
  int s = std::max(x.scale, y.scale);
  rescaleMag(x.mag, x.scale, s, false);
  rescaleMag(y.mag, y.scale, s, false);
  Wide r{x.negative, U256(), s};
  U256 q;
  U256::divmod(x.mag, y.mag, q, r.mag);
  if (r.mag.isZero()) r.negative = false;
  return narrow(r, scale);
}

std::strong_ordering operator<=>(const Decimal128& a, const Decimal128& b) {
  if (a.scale_ == b.scale_) return a.mantissa_ <=> b.mantissa_;
  if (a.sign() != b.sign()) return a.sign() <=> b.sign();
  Wide x = widen(a), y = widen(b);
  int s = std::max(x.scale, y.scale);
  rescaleMag(x.mag, x.scale, s, false);
  rescaleMag(y.mag, y.scale, s, false);
  int c = compare(x.mag, y.mag);
  if (a.isNegative()) c = -c;
  return c <=> 0;
}

Decimal128 Decimal128::normalized() const {
  __int128 m = mantissa_;
  int s = scale_;
  while (s > 0 && m % 10 == 0) {
    m /= 10;
    --s;
  }
  return Decimal128(m, s);
}

}  // namespace mls::tsql
