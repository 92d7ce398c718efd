#include "platform/tsql/storage/byte_io.h"

namespace mls::tsql::storage {

void ByteWriter::u32(uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::u64(uint64_t v) {
  for (int i = 0; i < 8; ++i)
    out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::varint(uint64_t v) {
  while (v >= 0x80) {
    out_.push_back(static_cast<uint8_t>(v | 0x80));
    v >>= 7;
  }
  out_.push_back(static_cast<uint8_t>(v));
}

void ByteWriter::text(std::string_view s) {
  varint(s.size());
  out_.insert(out_.end(), s.begin(), s.end());
}

const uint8_t* ByteReader::take(size_t n) {
  if (n > in_.size() - pos_) throw FormatError("the content ends early");
  const uint8_t* p = in_.data() + pos_;
  pos_ += n;
  return p;
}

uint8_t ByteReader::u8() {
  return *take(1);
}

uint32_t ByteReader::u32() {
  const uint8_t* p = take(4);
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}

uint64_t ByteReader::u64() {
  const uint8_t* p = take(8);
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i)
    v |= static_cast<uint64_t>(p[i]) << (8 * i);
  return v;
}

uint64_t ByteReader::varint() {
  uint64_t v = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    uint8_t b = u8();
    v |= static_cast<uint64_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) return v;
  }
  throw FormatError("a number is too long");
}

size_t ByteReader::count(size_t limit) {
  uint64_t n = varint();
  if (n > limit) throw FormatError("a count exceeds what the content holds");
  return static_cast<size_t>(n);
}

std::string_view ByteReader::text() {
  size_t n = count(remaining());
  return {reinterpret_cast<const char*>(take(n)), n};
}

}  // namespace mls::tsql::storage
