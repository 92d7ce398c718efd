// Database files and logs as the tests write them by hand: this version's
// image header, and images and logs of the formats earlier versions wrote.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"

namespace mls::tsql::testing {

using Bytes = std::vector<uint8_t>;

// The size of this version's image header.
constexpr size_t kImageHeader = 52;

// The image (what follows the header) of a database file of this version.
inline Bytes imageOf(const Bytes& file) {
  return Bytes(file.begin() + kImageHeader, file.end());
}

// The change counter in the header of a database file of this version.
inline uint64_t counterOf(const Bytes& file) {
  return storage::ByteReader(std::span<const uint8_t>(file).subspan(28, 8)).u64();
}

// A database file of format `version` holding `image`: 1 has no change
// counter, 2 and 3 no identity.
inline Bytes imageFile(uint32_t version, std::span<const uint8_t> image, uint64_t counter,
                       uint64_t fileId = 0) {
  storage::ByteWriter w;
  for (char c : std::string_view("MLSDB\r\n\x1a", 8))
    w.u8(static_cast<uint8_t>(c));
  w.u32(version);
  w.u64(image.size());
  w.u64(storage::checksum64(image));
  if (version > 1) w.u64(counter);
  if (version > 3) w.u64(fileId);
  w.u64(storage::checksum64(w.bytes()));
  w.bytes().insert(w.bytes().end(), image.begin(), image.end());
  return w.bytes();
}

// A log of format 1 (no salt, records unchained) or 2 (salted and chained,
// no identity) continuing the image of `counter`, holding `payloads`.
inline Bytes logFile(uint32_t version, uint64_t counter, const std::vector<Bytes>& payloads) {
  constexpr uint64_t kMix = 0x9E3779B97F4A7C15ull;
  constexpr uint64_t kSalt = 0x0123456789ABCDEFull;
  storage::ByteWriter w;
  for (char c : std::string_view("MLSWAL\r\n", 8))
    w.u8(static_cast<uint8_t>(c));
  w.u32(version);
  w.u32(0);
  w.u64(counter);
  if (version > 1) w.u64(kSalt);
  uint64_t previous = storage::checksum64(w.bytes());
  w.u64(previous);
  uint64_t sequence = 0;
  for (const Bytes& p : payloads) {
    const auto length = static_cast<uint32_t>(p.size());
    if (version == 1) {
      storage::ByteWriter check;
      check.u32(length);
      check.u64(counter);
      w.u32(length);
      w.u32(static_cast<uint32_t>(storage::checksum64(check.bytes()) ^ 0x5A5A5A5Au));
      w.u64(storage::checksum64(p) + counter * kMix);
    } else {
      storage::ByteWriter place;  // what both checks cover
      place.u64(kSalt);
      place.u64(counter);
      place.u64(++sequence);
      place.u64(previous);
      place.u32(length);
      w.u64(sequence);
      w.u32(length);
      w.u32(static_cast<uint32_t>(storage::checksum64(place.bytes()) ^ 0xA5A5A5A5u));
      w.u64(previous);
      place.u64(storage::checksum64(p));
      previous = storage::checksum64(place.bytes());
      w.u64(previous);
    }
    w.bytes().insert(w.bytes().end(), p.begin(), p.end());
  }
  return w.bytes();
}

}  // namespace mls::tsql::testing
