#include "frame/sql_batches.h"

#include <string>
#include <string_view>

namespace mls::frame {
namespace {

bool flushAfter(int32_t i) {
  return i % 200 == 1 && i != 1;
}

// Where the batch text joined so far ends lexically: in code, in a quoted
// text or name ('...', N'...', "...", [...]), in a block comment (these nest)
// or in a line comment.  A doubled closing quote reads as the quote closed and
// opened again, which leaves the same state.
class TextEnd {
 public:
  // Follows `element` and answers what must join it to the next one: a line
  // break when its last line ends inside a line comment (which would swallow
  // the next element), else nothing.
  std::string_view follow(std::string_view element) {
    for (char c : element)
      step(c);
    if (in_ != In::LineComment) return {};
    step('\r');
    step('\n');
    return "\r\n";
  }

 private:
  enum class In { Code, Quoted, LineComment, BlockComment };

  void step(char c) {
    switch (in_) {
      case In::Code:
        if (prev_ == '-' && c == '-') {
          in_ = In::LineComment;
          c = 0;
        } else if (prev_ == '/' && c == '*') {
          in_ = In::BlockComment;
          depth_ = 1;
          c = 0;
        } else if (c == '\'' || c == '"' || c == '[') {
          in_ = In::Quoted;
          close_ = c == '[' ? ']' : c;
        }
        break;
      case In::Quoted:
        if (c == close_) in_ = In::Code;
        break;
      case In::LineComment:
        if (c == '\n') in_ = In::Code;
        break;
      case In::BlockComment:
        if (prev_ == '/' && c == '*') {
          ++depth_;
          c = 0;
        } else if (prev_ == '*' && c == '/') {
          if (--depth_ == 0) in_ = In::Code;
          c = 0;
        }
        break;
    }
    prev_ = c;  // 0 after a two-character token: "/*/" opens a comment only
  }

  In in_ = In::Code;
  char prev_ = 0;
  char close_ = 0;
  int depth_ = 0;
};

// Runs the array's elements, each read as text by `text`, in the batches
// described in the header.
void runInBatches(Call& call, const com::Variant& statements, std::string (*text)(const com::Variant&)) {
  const com::SafeArray& array = statements.deref().array();
  int32_t upper = array.ubound(1);
  std::string buffer;
  TextEnd end;
  for (int32_t i = 0; i <= upper; ++i) {
    const std::string element = text(array.at({i}));
    buffer += element;
    buffer += end.follow(element);
    if (flushAfter(i) && !buffer.empty()) {
      call.connection().execute(buffer, nullptr, -1);
      buffer.clear();
      end = TextEnd();
    }
  }
  if (!buffer.empty()) call.connection().execute(buffer, nullptr, -1);
}

}  // namespace

com::Variant updateBatch(Call& call, const com::Variant& statements) {
  runInBatches(call, statements, [](const com::Variant& v) { return com::concat(com::Variant(), v); });
  return {};
}

com::Variant insertStdCalinfo(Call& call, const com::Variant& statements) {
  runInBatches(call, statements, [](const com::Variant& v) { return v.toString(); });
  return {};
}

}  // namespace mls::frame
