// MD5 (RFC 1321), used to compare query results against the hashes of the SQL
// logic test files ("30 values hashing to 3c13...").
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mls::tsql::slt {

class Md5 {
 public:
  Md5();
  void update(std::string_view data);
  // The digest as 32 lowercase hex digits; the object is spent afterwards.
  std::string hexDigest();

 private:
  void block(const unsigned char* p);

  std::array<uint32_t, 4> state_;
  std::array<unsigned char, 64> buffer_{};
  uint64_t length_ = 0;  // bytes seen
};

std::string md5Hex(std::string_view data);

}  // namespace mls::tsql::slt
