// CParse: the properties string of one call parsed into a keyed collection.
// Items are "Key=Value" separated by ";"; keys compare without case; a value
// that begins with "{" runs to the first "}" (so it may hold ";" and "=") and
// whatever follows the "}" up to the next ";" is dropped; keys and values are
// trimmed of spaces; parsing stops at the first empty key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mls::frame {

class CParse {
 public:
  CParse() = default;
  // Ending a parser unloads and releases the thread's language loader.
  ~CParse();
  CParse(const CParse&) = delete;
  CParse& operator=(const CParse&) = delete;

  // Replaces the stored text and items and answers true; a key given twice
  // raises 457 and nothing after it is parsed.
  bool parseString(std::string_view props);

  const std::string& propsString() const { return props_; }
  // The value under `key` (any case); 5 when absent.
  const std::string& getProperty(std::string_view key) const;
  const std::string& userName() const { return getProperty("UserName"); }
  int32_t userId() const;  // 13 when not a number
  const std::string& conStr() const { return getProperty("ConnectString"); }
  const std::string& languageId() const { return getProperty("LANGUAGE"); }
  bool isIndustry() const;  // AcctType "GY" in any case

  size_t count() const { return items_.size(); }

 private:
  const std::string* find(std::string_view key) const;

  std::string props_;
  std::vector<std::pair<std::string, std::string>> items_;
};

}  // namespace mls::frame
