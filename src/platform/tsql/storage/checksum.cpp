#include "platform/tsql/storage/checksum.h"

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>

namespace mls::tsql::storage {

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;
constexpr uint64_t kPrime5 = 0x27D4EB2F165667C5ull;

uint64_t rotl(uint64_t x, int r) {
  return (x << r) | (x >> (64 - r));
}

uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

uint64_t round(uint64_t acc, uint64_t word) {
  acc += word * kPrime2;
  return rotl(acc, 31) * kPrime1;
}

uint64_t merge(uint64_t h, uint64_t lane) {
  h ^= round(0, lane);
  return h * kPrime1 + kPrime4;
}

}  // namespace

uint64_t checksum64(std::span<const uint8_t> bytes) {
  const uint8_t* p = bytes.data();
  const uint8_t* end = p + bytes.size();
  uint64_t h;
  if (bytes.size() >= 32) {
    uint64_t a = kPrime1 + kPrime2, b = kPrime2, c = 0, d = 0 - kPrime1;
    for (; end - p >= 32; p += 32) {
      a = round(a, load64(p));
      b = round(b, load64(p + 8));
      c = round(c, load64(p + 16));
      d = round(d, load64(p + 24));
    }
    h = rotl(a, 1) + rotl(b, 7) + rotl(c, 12) + rotl(d, 18);
    h = merge(merge(merge(merge(h, a), b), c), d);
  } else {
    h = kPrime5;
  }
  h += bytes.size();
  for (; end - p >= 8; p += 8)
    h = rotl(h ^ round(0, load64(p)), 27) * kPrime1 + kPrime4;
  for (; p < end; ++p)
    h = rotl(h ^ (*p * kPrime5), 11) * kPrime1;
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  h ^= h >> 32;
  return h;
}

uint64_t randomNumber() {
  std::random_device device;
  uint64_t n = (static_cast<uint64_t>(device()) << 32) ^ device();
  n ^= static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) * kPrime1;
  n ^= static_cast<uint64_t>(::getpid()) << 1;
  return n != 0 ? n : kPrime5;
}

}  // namespace mls::tsql::storage
