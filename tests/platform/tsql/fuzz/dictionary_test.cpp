// The fuzzer's dictionary read as libFuzzer reads it: a blank line or one
// starting with '#' is skipped; any other line must hold a "quoted" entry
// (optionally after a name), every byte of it printable ASCII or white space,
// escaped as \\, \" or \xAB.  One line it refuses ends the fuzz run before its
// first input, so every line of tsql.dict must read.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <optional>
#include <string>

namespace {

// The entry a dictionary line holds, or nothing when libFuzzer refuses it.
std::optional<std::string> entry(const std::string& line) {
  size_t l = 0, r = line.size();
  while (l < r && std::isspace(static_cast<unsigned char>(line[l])))
    ++l;
  while (r > l && std::isspace(static_cast<unsigned char>(line[r - 1])))
    --r;
  if (r - l < 3 || line[r - 1] != '"') return std::nullopt;
  --r;
  while (l < r && line[l] != '"')
    ++l;
  if (l >= r) return std::nullopt;
  std::string out;
  for (size_t i = l + 1; i < r; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (!std::isprint(c) && !std::isspace(c)) return std::nullopt;
    if (c != '\\') {
      out += static_cast<char>(c);
    } else if (i + 1 < r && (line[i + 1] == '\\' || line[i + 1] == '"')) {
      out += line[++i];
    } else if (i + 3 < r && line[i + 1] == 'x' && std::isxdigit(static_cast<unsigned char>(line[i + 2])) &&
               std::isxdigit(static_cast<unsigned char>(line[i + 3]))) {
      out += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

TEST(FuzzDictionary, ReadsLinesAsLibFuzzerDoes) {
  struct Case {
    const char* line;
    std::optional<std::string> reads;
  };
  // Four read, then five refused: raw UTF-8, an unknown escape, a short \x, an
  // empty entry, no quotes.
  const Case cases[] = {
      {"\"SELECT\"", "SELECT"},       {"  kw1=\"FROM \"  ", "FROM "},  {"\"\\xC2\\xA5!\"", "\xC2\xA5!"},
      {"\"a\\\\b\\\"c\"", "a\\b\"c"}, {"\"\xC2\xA5!\"", std::nullopt}, {"\"\\n\"", std::nullopt},
      {"\"\\x4\"", std::nullopt},     {"\"\"", std::nullopt},          {"SELECT", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(entry(c.line), c.reads) << c.line;
}

TEST(FuzzDictionary, EveryLineOfTheDictionaryReads) {
  std::ifstream in(MLS_FUZZ_DICTIONARY);
  ASSERT_TRUE(in) << MLS_FUZZ_DICTIONARY;
  int number = 0, entries = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const size_t first = line.find_first_not_of(" \t\r\v\f");
    if (first == std::string::npos || line[first] == '#') continue;
    EXPECT_TRUE(entry(line)) << "tsql.dict line " << number << ": " << line;
    ++entries;
  }
  EXPECT_GT(entries, 0);
}

}  // namespace
