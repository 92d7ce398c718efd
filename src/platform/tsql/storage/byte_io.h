// Little-endian encoding of the numbers and texts a database file is made of:
// fixed-width integers, variable-length unsigned integers (7 bits a byte) and
// zig-zag signed ones, and length-prefixed byte strings.
//
// ByteReader checks every read against the end of its buffer and throws
// FormatError for anything that runs past it or is malformed, so a damaged
// file can never make the loader read out of bounds.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mls::tsql::storage {

class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteWriter {
 public:
  void u8(uint8_t v) { out_.push_back(v); }
  void u32(uint32_t v);
  void u64(uint64_t v);
  void varint(uint64_t v);
  void svarint(int64_t v) { varint((static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63)); }
  void text(std::string_view s);

  std::vector<uint8_t>& bytes() { return out_; }
  size_t size() const { return out_.size(); }

 private:
  std::vector<uint8_t> out_;
};

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> in) : in_(in) {}

  uint8_t u8();
  uint32_t u32();
  uint64_t u64();
  uint64_t varint();
  int64_t svarint() {
    uint64_t v = varint();
    return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
  }
  // A count that must not exceed `limit` (the items it counts still to come).
  size_t count(size_t limit);
  std::string_view text();
  bool atEnd() const { return pos_ == in_.size(); }
  size_t remaining() const { return in_.size() - pos_; }

 private:
  const uint8_t* take(size_t n);

  std::span<const uint8_t> in_;
  size_t pos_ = 0;
};

}  // namespace mls::tsql::storage
