#include "platform/halvern/string_builder.h"

#include "platform/com/error.h"
#include "platform/com/variant.h"

namespace mls::halvern {

namespace {

// The byte position `chars` characters after `pos` (a character start).
size_t advance(const std::string& text, size_t pos, size_t chars) {
  for (; chars > 0 && pos < text.size(); --chars) {
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
      ++pos;
  }
  return pos;
}

}  // namespace

void StringBuilder::append(std::string_view text) {
  text_.append(text);
  length_ += com::charLength(text);
}

void StringBuilder::remove(int32_t start, int32_t count) {
  if (start < 1 || count < 0 || static_cast<int64_t>(start) - 1 + count > static_cast<int64_t>(length_)) {
    com::raise(com::err::kInvalidCall, "Halvern.StringBuilder");
  }
  size_t from = advance(text_, 0, static_cast<size_t>(start - 1));
  size_t to = advance(text_, from, static_cast<size_t>(count));
  text_.erase(from, to - from);
  length_ -= static_cast<size_t>(count);
}

}  // namespace mls::halvern
