// A 256-bit unsigned integer with just the operations Decimal arithmetic needs:
// intermediate products and aligned sums of 96-bit mantissas.
#pragma once

#include <cstdint>

namespace mls::com {

class WideUint {
 public:
  using u128 = unsigned __int128;

  WideUint() = default;
  explicit WideUint(u128 v) : w_{static_cast<uint64_t>(v), static_cast<uint64_t>(v >> 64), 0, 0} {}

  static WideUint mul(u128 a, u128 b) {
    WideUint x(a), y(b), r;
    for (int i = 0; i < 4; ++i) {
      u128 carry = 0;
      for (int j = 0; i + j < 4; ++j) {
        u128 t = static_cast<u128>(x.w_[i]) * y.w_[j] + r.w_[i + j] + carry;
        r.w_[i + j] = static_cast<uint64_t>(t);
        carry = t >> 64;
      }
    }
    return r;
  }

  void mulSmall(uint64_t m) {
    u128 carry = 0;
    for (auto& w : w_) {
      u128 t = static_cast<u128>(w) * m + carry;
      w = static_cast<uint64_t>(t);
      carry = t >> 64;
    }
  }
  // Divides in place; answers the remainder.
  uint64_t divSmall(uint64_t d) {
    u128 rem = 0;
    for (int i = 3; i >= 0; --i) {
      u128 cur = (rem << 64) | w_[i];
      w_[i] = static_cast<uint64_t>(cur / d);
      rem = cur % d;
    }
    return static_cast<uint64_t>(rem);
  }
  void addSmall(uint64_t v) { add(WideUint(v)); }
  void add(const WideUint& o) {
    u128 carry = 0;
    for (int i = 0; i < 4; ++i) {
      u128 t = static_cast<u128>(w_[i]) + o.w_[i] + carry;
      w_[i] = static_cast<uint64_t>(t);
      carry = t >> 64;
    }
  }
  // Requires *this >= o.
  void sub(const WideUint& o) {
    uint64_t borrow = 0;
    for (int i = 0; i < 4; ++i) {
      uint64_t a = w_[i], b = o.w_[i];
      w_[i] = a - b - borrow;
      borrow = (a < b || (a == b && borrow)) ? 1 : 0;
    }
  }
  int compare(const WideUint& o) const {
    for (int i = 3; i >= 0; --i) {
      if (w_[i] != o.w_[i]) return w_[i] < o.w_[i] ? -1 : 1;
    }
    return 0;
  }
  bool fitsBelow(u128 limit) const { return w_[2] == 0 && w_[3] == 0 && low128() < limit; }
  bool isZero() const { return (w_[0] | w_[1] | w_[2] | w_[3]) == 0; }
  bool isOdd() const { return (w_[0] & 1) != 0; }
  u128 low128() const { return (static_cast<u128>(w_[1]) << 64) | w_[0]; }

 private:
  uint64_t w_[4] = {0, 0, 0, 0};
};

}  // namespace mls::com
