// Connection strings of the form `Key=Value;Key2="quoted; value";...`.  Keys
// compare without case and have the spaces around them trimmed; a value may be
// quoted with " or ' (the quote doubled inside stands for itself), or braced
// as ODBC strings do ("{a;b}", '}}' inside standing for '}'), which keeps the
// braces in the value.  A key given twice keeps its last value.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mls::ado {

class ConnectionProperties {
 public:
  // Parses `text`; a malformed string raises the open-failure error
  // (err::kOpenFailed) with `source` and a description of what is wrong.
  static ConnectionProperties parse(std::string_view text, const std::string& source);

  // The value of `key` (any case); nullopt when absent.
  std::optional<std::string> get(std::string_view key) const;
  // Sets or replaces `key`.
  void set(std::string key, std::string value);
  const std::vector<std::pair<std::string, std::string>>& entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace mls::ado
