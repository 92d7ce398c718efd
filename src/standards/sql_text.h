// A T-SQL text built line by line, each line ended by CR LF, and the checked
// name of the #OnlineCostObj column a text fills.
#pragma once

#include <string>
#include <string_view>

namespace mls::standards {

class SqlText {
 public:
  SqlText& line(std::string_view text) {
    text_ += text;
    text_ += "\r\n";
    return *this;
  }
  // Appends without a line end: a piece the next line() continues.
  SqlText& add(std::string_view text) {
    text_ += text;
    return *this;
  }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

// The column name as it goes into the text.  A name that is not an identifier
// (an ASCII letter or "_" first, then letters, digits and "_", at most 128)
// raises error 5 with source "Marlstone.ModStandardData": it never reaches SQL.
std::string checkedColumn(std::string_view column);

// The source of the errors the builders raise.
inline constexpr const char* kBuilderSource = "Marlstone.ModStandardData";

}  // namespace mls::standards
