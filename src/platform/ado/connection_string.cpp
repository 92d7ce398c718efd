#include "platform/ado/connection_string.h"

#include "platform/ado/errors.h"
#include "platform/com/variant.h"

namespace mls::ado {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isSpace(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back()))
    s.remove_suffix(1);
  return s;
}

[[noreturn]] void bad(const std::string& source, const std::string& what) {
  com::raise(err::kOpenFailed, source, "Invalid connection string: " + what);
}

}  // namespace

ConnectionProperties ConnectionProperties::parse(std::string_view text, const std::string& source) {
  ConnectionProperties props;
  size_t i = 0;
  while (i < text.size()) {
    size_t eq = text.find_first_of("=;", i);
    if (eq == std::string_view::npos || text[eq] == ';') {
      std::string_view rest = trim(text.substr(i, eq == std::string_view::npos ? eq : eq - i));
      if (!rest.empty()) bad(source, "'" + std::string(rest) + "' has no '='");
      i = eq == std::string_view::npos ? text.size() : eq + 1;
      continue;
    }
    std::string_view key = trim(text.substr(i, eq - i));
    if (key.empty()) bad(source, "a value has no key");
    i = eq + 1;
    while (i < text.size() && isSpace(text[i]))
      ++i;
    std::string value;
    if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
      char quote = text[i++];
      for (;;) {
        if (i >= text.size()) bad(source, "the value of '" + std::string(key) + "' has no closing quote");
        if (text[i] == quote) {
          if (i + 1 < text.size() && text[i + 1] == quote) {
            value += quote;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += text[i++];
      }
      while (i < text.size() && isSpace(text[i]))
        ++i;
      if (i < text.size() && text[i] != ';') {
        bad(source, "unexpected text after the quoted value of '" + std::string(key) + "'");
      }
    } else {
      // An ODBC-style braced value, kept as written, braces included, so that
      // the ';' inside it ("PWD={a;b}") does not end it; '}}' stands for '}'.
      size_t from = i;
      if (i < text.size() && text[i] == '{') {
        for (size_t j = i + 1; j < text.size(); ++j) {
          if (text[j] != '}') continue;
          if (j + 1 < text.size() && text[j + 1] == '}') {
            ++j;
            continue;
          }
          from = j;
          break;
        }
      }
      size_t end = text.find(';', from);
      if (end == std::string_view::npos) end = text.size();
      value = trim(text.substr(i, end - i));
      i = end;
    }
    if (i < text.size()) ++i;  // the ';'
    props.set(std::string(key), std::move(value));
  }
  return props;
}

std::optional<std::string> ConnectionProperties::get(std::string_view key) const {
  for (const auto& [k, v] : entries_) {
    if (com::compareText(k, key, true) == 0) return v;
  }
  return std::nullopt;
}

void ConnectionProperties::set(std::string key, std::string value) {
  for (auto& [k, v] : entries_) {
    if (com::compareText(k, key, true) == 0) {
      v = std::move(value);
      return;
    }
  }
  entries_.emplace_back(std::move(key), std::move(value));
}

}  // namespace mls::ado
