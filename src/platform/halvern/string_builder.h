// Halvern.StringBuilder: text built by appending; positions and lengths count
// characters, not bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mls::halvern {

class StringBuilder {
 public:
  void append(std::string_view text);
  const std::string& text() const { return text_; }
  int32_t length() const { return static_cast<int32_t>(length_); }
  // Removes `count` characters from the 1-based position `start`; raises 5 when
  // the range does not lie within the text.
  void remove(int32_t start, int32_t count);

 private:
  std::string text_;
  size_t length_ = 0;  // in characters
};

}  // namespace mls::halvern
