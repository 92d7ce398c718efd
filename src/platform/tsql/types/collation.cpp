#include "platform/tsql/types/collation.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

char32_t lowerAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

// The lower-case character at `pos`, advancing `pos`: ASCII without decoding.
char32_t nextLower(std::string_view s, size_t& pos) {
  const auto c = static_cast<unsigned char>(s[pos]);
  if (c < 0x80) {
    ++pos;
    return lowerAscii(c);
  }
  return toLowerChar(utf8Next(s, pos));
}

std::u32string folded(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t pos = 0; pos < s.size();)
    out.push_back(toLowerChar(utf8Next(s, pos)));
  return out;
}

// One element of a LIKE pattern: a literal character, _ , % or a [set].
struct PatternItem {
  enum class Kind { Literal, One, Run, Set } kind = Kind::Literal;
  char32_t c = 0;
  bool negated = false;
  std::vector<std::pair<char32_t, char32_t>> ranges;

  static PatternItem of(Kind k, char32_t ch = 0) {
    PatternItem item;
    item.kind = k;
    item.c = ch;
    return item;
  }

  bool matches(char32_t t) const {
    switch (kind) {
      case Kind::Literal:
        return t == c;
      case Kind::One:
        return true;
      case Kind::Run:
        return false;
      case Kind::Set: {
        bool in = false;
        for (auto [lo, hi] : ranges)
          in = in || (t >= lo && t <= hi);
        return in != negated;
      }
    }
    return false;
  }
};

std::vector<PatternItem> compilePattern(const std::u32string& p, char32_t escape) {
  std::vector<PatternItem> items;
  for (size_t i = 0; i < p.size(); ++i) {
    char32_t c = p[i];
    if (escape != 0 && c == escape && i + 1 < p.size()) {
      items.push_back(PatternItem::of(PatternItem::Kind::Literal, p[++i]));
    } else if (c == '%') {
      if (items.empty() || items.back().kind != PatternItem::Kind::Run)
        items.push_back(PatternItem::of(PatternItem::Kind::Run));
    } else if (c == '_') {
      items.push_back(PatternItem::of(PatternItem::Kind::One));
    } else if (c == '[' && p.find(U']', i + 1) != std::u32string::npos) {
      size_t close = p.find(U']', i + 1);
      PatternItem set = PatternItem::of(PatternItem::Kind::Set);
      size_t j = i + 1;
      if (j < close && p[j] == '^') {
        set.negated = true;
        ++j;
      }
      for (; j < close; ++j) {
        if (j + 2 < close && p[j + 1] == '-') {
          set.ranges.push_back({p[j], p[j + 2]});
          j += 2;
        } else {
          set.ranges.push_back({p[j], p[j]});
        }
      }
      items.push_back(std::move(set));
      i = close;
    } else {
      items.push_back(PatternItem::of(PatternItem::Kind::Literal, c));
    }
  }
  return items;
}

// Wildcard matching with backtracking to the last %: every other item takes
// exactly one character.  The text is read as UTF-8 in place.
bool matchItems(std::string_view t, size_t tStart, const std::vector<PatternItem>& items) {
  size_t ti = tStart, pi = 0;
  size_t starItem = SIZE_MAX, starText = 0;
  while (ti < t.size()) {
    size_t next = ti;
    char32_t c = nextLower(t, next);
    if (pi < items.size() && items[pi].kind == PatternItem::Kind::Run) {
      starItem = pi++;
      starText = ti;
    } else if (pi < items.size() && items[pi].matches(c)) {
      ++pi;
      ti = next;
    } else if (starItem != SIZE_MAX) {
      pi = starItem + 1;
      utf8Next(t, starText);
      ti = starText;
    } else {
      return false;
    }
  }
  while (pi < items.size() && items[pi].kind == PatternItem::Kind::Run)
    ++pi;
  return pi == items.size();
}

}  // namespace

int compareText(std::string_view a, std::string_view b) {
  a = trimRightSpaces(a);
  b = trimRightSpaces(b);
  // ASCII on both sides: byte by byte.
  const size_t common = std::min(a.size(), b.size());
  size_t i = 0;
  for (; i < common; ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if ((x | y) >= 0x80) break;
    if (x == y) continue;
    const char32_t lx = lowerAscii(x), ly = lowerAscii(y);
    if (lx != ly) return lx < ly ? -1 : 1;
  }
  size_t j = i;
  while (i < a.size() || j < b.size()) {
    // The shorter side compares as if padded with spaces.
    char32_t x = i < a.size() ? nextLower(a, i) : U' ';
    char32_t y = j < b.size() ? nextLower(b, j) : U' ';
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

size_t hashText(std::string_view s) {
  s = trimRightSpaces(s);
  uint64_t h = 1469598103934665603ull;
  for (size_t pos = 0; pos < s.size();) {
    h ^= nextLower(s, pos);
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

struct LikePattern::Compiled {
  std::vector<PatternItem> items;
};

LikePattern::LikePattern(std::string_view pattern, char32_t escape)
    : compiled_(std::make_shared<Compiled>(Compiled{compilePattern(folded(pattern), toLowerChar(escape))})) {}

bool LikePattern::matches(std::string_view text) const {
  return matchItems(text, 0, compiled_->items);
}

size_t patternIndex(std::string_view text, std::string_view pattern) {
  std::vector<PatternItem> items = compilePattern(folded(pattern), 0);
  if (items.empty() || items.front().kind != PatternItem::Kind::Run)
    return matchItems(text, 0, items) ? 1 : 0;
  items.erase(items.begin());
  if (items.empty()) return 1;
  size_t position = 1;
  for (size_t start = 0;; ++position) {
    if (matchItems(text, start, items)) return position;
    if (start >= text.size()) return 0;
    utf8Next(text, start);
  }
}

size_t findText(std::string_view haystack, std::string_view needle, size_t start) {
  std::u32string h = folded(haystack), n = folded(needle);
  if (n.empty()) return 0;
  size_t from = start > 0 ? start - 1 : 0;
  if (from > h.size()) return 0;
  size_t at = h.find(n, from);
  return at == std::u32string::npos ? 0 : at + 1;
}

}  // namespace mls::tsql
