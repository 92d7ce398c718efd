#include "platform/common/u256.h"

namespace mls {

U256 U256::multiply(u128 a, u128 b) {
  const uint64_t a0 = static_cast<uint64_t>(a), a1 = static_cast<uint64_t>(a >> 64);
  const uint64_t b0 = static_cast<uint64_t>(b), b1 = static_cast<uint64_t>(b >> 64);
  const uint64_t as[2] = {a0, a1}, bs[2] = {b0, b1};
  U256 r;
  for (int i = 0; i < 2; ++i) {
    u128 carry = 0;
    for (int j = 0; j < 2; ++j) {
      u128 cur = static_cast<u128>(as[i]) * bs[j] + r.limb_[i + j] + carry;
      r.limb_[i + j] = static_cast<uint64_t>(cur);
      carry = cur >> 64;
    }
    r.limb_[i + 2] += static_cast<uint64_t>(carry);
  }
  return r;
}

bool U256::mulSmall(uint64_t m) {
  u128 carry = 0;
  for (auto& l : limb_) {
    u128 cur = static_cast<u128>(l) * m + carry;
    l = static_cast<uint64_t>(cur);
    carry = cur >> 64;
  }
  return carry == 0;
}

bool U256::mulPow10(int n) {
  constexpr uint64_t k1e19 = 10000000000000000000ull;
  bool ok = true;
  for (; n >= 19; n -= 19)
    ok = mulSmall(k1e19) && ok;
  uint64_t m = 1;
  for (int i = 0; i < n; ++i)
    m *= 10;
  return mulSmall(m) && ok;
}

uint64_t U256::divSmall(uint64_t d) {
  u128 rem = 0;
  for (int i = 3; i >= 0; --i) {
    u128 cur = (rem << 64) | limb_[i];
    limb_[i] = static_cast<uint64_t>(cur / d);
    rem = cur % d;
  }
  return static_cast<uint64_t>(rem);
}

bool U256::add(const U256& o) {
  u128 carry = 0;
  for (int i = 0; i < 4; ++i) {
    u128 cur = static_cast<u128>(limb_[i]) + o.limb_[i] + carry;
    limb_[i] = static_cast<uint64_t>(cur);
    carry = cur >> 64;
  }
  return carry == 0;
}

void U256::sub(const U256& o) {
  uint64_t borrow = 0;
  for (int i = 0; i < 4; ++i) {
    uint64_t x = limb_[i], y = o.limb_[i];
    uint64_t d = x - y - borrow;
    borrow = (x < y || (x == y && borrow)) ? 1 : 0;
    limb_[i] = d;
  }
}

void U256::addOne() {
  for (auto& l : limb_) {
    if (++l != 0) break;
  }
}

void U256::shiftLeft1() {
  for (int i = 3; i > 0; --i)
    limb_[i] = (limb_[i] << 1) | (limb_[i - 1] >> 63);
  limb_[0] <<= 1;
}

int compare(const U256& a, const U256& b) {
  for (int i = 3; i >= 0; --i) {
    if (a.limb_[i] != b.limb_[i]) return a.limb_[i] < b.limb_[i] ? -1 : 1;
  }
  return 0;
}

void U256::divmod(const U256& n, const U256& d, U256& q, U256& r) {
  q = U256();
  r = U256();
  if (n.fitsU128() && d.fitsU128()) {
    q = U256(n.toU128() / d.toU128());
    r = U256(n.toU128() % d.toU128());
    return;
  }
  for (int i = 255; i >= 0; --i) {
    r.shiftLeft1();
    if (n.bit(i)) r.limb_[0] |= 1;
    if (compare(r, d) >= 0) {
      r.sub(d);
      q.limb_[i / 64] |= uint64_t{1} << (i % 64);
    }
  }
}

}  // namespace mls
