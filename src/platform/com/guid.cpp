#include <cstdio>

#include "platform/com/unknown.h"

namespace mls::com {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at `pos`; nullopt on a non-hex character.
std::optional<uint32_t> readHex(std::string_view text, size_t pos, int digits) {
  uint32_t v = 0;
  for (int i = 0; i < digits; ++i) {
    int h = hexValue(text[pos + i]);
    if (h < 0) return std::nullopt;
    v = v << 4 | static_cast<uint32_t>(h);
  }
  return v;
}

}  // namespace

std::optional<Guid> Guid::parse(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') {
    return std::nullopt;
  }
  auto d1 = readHex(text, 0, 8), d2 = readHex(text, 9, 4), d3 = readHex(text, 14, 4);
  if (!d1 || !d2 || !d3) return std::nullopt;
  Guid g{*d1, static_cast<uint16_t>(*d2), static_cast<uint16_t>(*d3)};
  static constexpr size_t kBytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) {
    auto b = readHex(text, kBytePos[i], 2);
    if (!b) return std::nullopt;
    g.d4[i] = static_cast<uint8_t>(*b);
  }
  return g;
}

std::string Guid::toString() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", d1, d2, d3, d4[0],
                d4[1], d4[2], d4[3], d4[4], d4[5], d4[6], d4[7]);
  return buf;
}

const Guid kIidUnknown = {0x6D4C5300, 0x0001, 0x4B1A, {0x9E, 0x30, 0x4D, 0x41, 0x52, 0x4C, 0x53, 0x01}};
const Guid kIidDispatch = {0x6D4C5300, 0x0002, 0x4B1A, {0x9E, 0x30, 0x4D, 0x41, 0x52, 0x4C, 0x53, 0x02}};
const Guid kIidClassFactory = {0x6D4C5300, 0x0003, 0x4B1A, {0x9E, 0x30, 0x4D, 0x41, 0x52, 0x4C, 0x53, 0x03}};

}  // namespace mls::com
