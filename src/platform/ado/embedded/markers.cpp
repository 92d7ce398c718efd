#include "platform/ado/embedded/markers.h"

namespace mls::ado::embedded {

namespace {

// Index just past the literal or identifier that starts at `i` and ends with
// `close`, where a doubled `close` stands for itself.  Unterminated: the end.
size_t skipQuoted(std::string_view s, size_t i, char close) {
  for (++i; i < s.size(); ++i) {
    if (s[i] != close) continue;
    if (i + 1 < s.size() && s[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return s.size();
}

// Index just past a block comment starting at `i`; block comments nest.
size_t skipBlockComment(std::string_view s, size_t i) {
  int depth = 0;
  while (i + 1 < s.size()) {
    if (s[i] == '/' && s[i + 1] == '*') {
      ++depth;
      i += 2;
    } else if (s[i] == '*' && s[i + 1] == '/') {
      i += 2;
      if (--depth == 0) return i;
    } else {
      ++i;
    }
  }
  return s.size();
}

// Index just past the string literal, quoted or bracketed identifier or
// comment that starts at `i`; `i` itself when none starts there.
size_t skipOpaque(std::string_view s, size_t i) {
  char c = s[i];
  if (c == '\'' || c == '"') return skipQuoted(s, i, c);
  if (c == '[') return skipQuoted(s, i, ']');
  bool pair = i + 1 < s.size();
  if (c == '-' && pair && s[i + 1] == '-') {
    size_t end = s.find('\n', i);
    return end == std::string_view::npos ? s.size() : end;
  }
  if (c == '/' && pair && s[i + 1] == '*') return skipBlockComment(s, i);
  return i;
}

}  // namespace

std::string markerName(size_t n) {
  return "@P" + std::to_string(n);
}

MarkedText rewriteMarkers(std::string_view sql) {
  MarkedText out;
  out.text.reserve(sql.size() + 8);
  size_t i = 0;
  while (i < sql.size()) {
    size_t end = skipOpaque(sql, i);
    if (end == i && sql[i] == '?') {
      out.text += markerName(++out.markers);
      ++i;
      continue;
    }
    if (end == i) end = i + 1;
    out.text.append(sql.substr(i, end - i));
    i = end;
  }
  return out;
}

std::vector<std::string_view> splitStatements(std::string_view sql) {
  std::vector<std::string_view> statements;
  auto keep = [&](size_t from, size_t to) {
    std::string_view piece = sql.substr(from, to - from);
    if (piece.find_first_not_of(" \t\r\n") != std::string_view::npos) statements.push_back(piece);
  };
  size_t start = 0;
  for (size_t i = 0; i < sql.size();) {
    size_t end = skipOpaque(sql, i);
    if (end == i && sql[i] == ';') {
      keep(start, i);
      start = i + 1;
    }
    i = end == i ? i + 1 : end;
  }
  keep(start, sql.size());
  return statements;
}

}  // namespace mls::ado::embedded
