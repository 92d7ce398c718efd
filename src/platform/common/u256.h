// A 256-bit unsigned integer for the intermediate results of exact decimal
// arithmetic: products and aligned sums of mantissas of up to 128 bits.
#pragma once

#include <array>
#include <cstdint>

namespace mls {

class U256 {
 public:
  using u128 = unsigned __int128;

  U256() = default;
  explicit U256(u128 v) : limb_{static_cast<uint64_t>(v), static_cast<uint64_t>(v >> 64), 0, 0} {}

  static U256 multiply(u128 a, u128 b);

  bool isZero() const { return (limb_[0] | limb_[1] | limb_[2] | limb_[3]) == 0; }
  bool fitsU128() const { return (limb_[2] | limb_[3]) == 0; }
  u128 toU128() const { return (static_cast<u128>(limb_[1]) << 64) | limb_[0]; }
  bool isOdd() const { return (limb_[0] & 1) != 0; }

  // *= m; false when the result leaves 256 bits.
  bool mulSmall(uint64_t m);
  // *= 10^n; false on overflow.
  bool mulPow10(int n);
  // /= d; returns the remainder.
  uint64_t divSmall(uint64_t d);
  bool add(const U256& o);  // false on overflow
  void sub(const U256& o);  // requires *this >= o
  void addOne();

  // Quotient and remainder (d != 0).
  static void divmod(const U256& n, const U256& d, U256& q, U256& r);

  friend int compare(const U256& a, const U256& b);
  friend bool operator<(const U256& a, const U256& b) { return compare(a, b) < 0; }

 private:
  void shiftLeft1();
  bool bit(int i) const { return (limb_[i / 64] >> (i % 64)) & 1; }
  std::array<uint64_t, 4> limb_{};
};

}  // namespace mls
