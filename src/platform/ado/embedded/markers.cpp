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

}  // namespace

std::string markerName(size_t n) {
  return "@P" + std::to_string(n);
}

MarkedText rewriteMarkers(std::string_view sql) {
  MarkedText out;
  out.text.reserve(sql.size() + 8);
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    size_t end = i + 1;
    if (c == '\'' || c == '"') {
      end = skipQuoted(sql, i, c);
    } else if (c == '[') {
      end = skipQuoted(sql, i, ']');
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      end = sql.find('\n', i);
      if (end == std::string_view::npos) end = sql.size();
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      end = skipBlockComment(sql, i);
    } else if (c == '?') {
      out.text += markerName(++out.markers);
      ++i;
      continue;
    }
    out.text.append(sql.substr(i, end - i));
    i = end;
  }
  return out;
}

}  // namespace mls::ado::embedded
