// The T-SQL lexer: text to tokens, with SQL Server's lexical rules (nested block
// comments, '' inside strings, ]] inside brackets, numbers that end where a
// letter starts so that `1INSERT` is two tokens).
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/parse/token.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

constexpr size_t kMaxNameLength = 128;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Letters, '_', '#' and every byte of a multi-byte UTF-8 character start a name.
bool isNameStart(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == '#' || u >= 0x80;
}

bool isNamePart(char c) {
  return isNameStart(c) || isDigit(c) || c == '@' || c == '$';
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Characters (not bytes) of UTF-8 text.
size_t charCount(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : s_(text) {}

  std::vector<Token> run() {
    std::vector<Token> out;
    out.reserve(s_.size() / 4 + 1);
    while (true) {
      skipSpaceAndComments();
      Token t;
      t.line = line_;
      t.column = static_cast<int>(i_ - lineStart_) + 1;
      t.offset = i_;
      if (i_ >= s_.size()) {
        out.push_back(std::move(t));
        return out;
      }
      scan(t);
      out.push_back(std::move(t));
    }
  }

 private:
  char at(size_t k) const { return k < s_.size() ? s_[k] : '\0'; }

  void advance() {
    if (s_[i_] == '\n') {
      ++line_;
      lineStart_ = i_ + 1;
    }
    ++i_;
  }

  void skipSpaceAndComments() {
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
        advance();
      } else if (c == '-' && at(i_ + 1) == '-') {
        while (i_ < s_.size() && s_[i_] != '\n')
          ++i_;
      } else if (c == '/' && at(i_ + 1) == '*') {
        skipBlockComment();
      } else {
        return;
      }
    }
  }

  // Block comments nest: /* a /* b */ c */ is one comment.
  void skipBlockComment() {
    int startLine = line_;
    int depth = 0;
    while (i_ < s_.size()) {
      if (s_[i_] == '/' && at(i_ + 1) == '*') {
        ++depth;
        i_ += 2;
      } else if (s_[i_] == '*' && at(i_ + 1) == '/') {
        i_ += 2;
        if (--depth == 0) return;
      } else {
        advance();
      }
    }
    throwSqlError(113, {}, startLine);
  }

  void scan(Token& t) {
    char c = s_[i_];
    if ((c == 'N' || c == 'n') && at(i_ + 1) == '\'') {
      ++i_;
      t.kind = TokenKind::NString;
      t.text = quoted('\'', t.line);
    } else if (c == '\'') {
      t.kind = TokenKind::String;
      t.text = quoted('\'', t.line);
    } else if (c == '[' || c == '"') {
      t.kind = TokenKind::QuotedIdentifier;
      t.text = quoted(c == '[' ? ']' : '"', t.line);
      if (t.text.empty()) throwSqlError(1038, {}, t.line);
      checkLength(t);
    } else if (isDigit(c) || (c == '.' && isDigit(at(i_ + 1)))) {
      number(t);
    } else if (size_t currency = moneySymbol(); currency > 0) {
      // a money constant: digits with an optional point, no exponent
      i_ += currency;
      size_t start = i_;
      while (isDigit(at(i_)))
        ++i_;
      if (at(i_) == '.') {
        ++i_;
        while (isDigit(at(i_)))
          ++i_;
      }
      t.kind = TokenKind::Money;
      t.text = std::string(s_.substr(start, i_ - start));
    } else if (size_t length = pseudoColumn(); length > 0) {
      t.kind = TokenKind::Symbol;
      t.text = upper(s_.substr(i_, length));
      i_ += length;
    } else if (c == '@') {
      size_t start = i_++;
      bool system = at(i_) == '@';
      if (system) ++i_;
      while (i_ < s_.size() && isNamePart(s_[i_]))
        ++i_;
      std::string_view name = s_.substr(start, i_ - start);
      if (name.size() == (system ? 2u : 1u)) {
        t.kind = TokenKind::Symbol;  // a lone '@': the parser reports it
        t.text = std::string(name);
        return;
      }
      t.kind = system ? TokenKind::SystemVariable : TokenKind::Variable;
      t.text = system ? upper(name) : std::string(name);
      checkLength(t);
    } else if (isNameStart(c)) {
      size_t start = i_;
      while (i_ < s_.size() && isNamePart(s_[i_]))
        ++i_;
      t.text = std::string(s_.substr(start, i_ - start));
      std::string up = upper(t.text);
      if (isReservedWord(up)) {
        t.kind = TokenKind::Keyword;
        t.text = std::move(up);
      } else {
        t.kind = TokenKind::Identifier;
        checkLength(t);
      }
    } else if (c == '?') {
      ++i_;
      t.kind = TokenKind::Parameter;
      t.text = "?";
    } else {
      symbol(t);
    }
  }

  // The bytes of the currency symbol at s_[i_] when a money constant starts
  // there (digits, or a point and digits, follow), else 0.
  size_t moneySymbol() const {
    const size_t n = currencySymbolLength(s_.substr(i_));
    if (n == 0) return 0;
    const size_t k = i_ + n;
    return isDigit(at(k)) || (at(k) == '.' && isDigit(at(k + 1))) ? n : 0;
  }

  // The length of $IDENTITY, $ROWGUID or $PARTITION (any case) at s_[i_], else 0.
  size_t pseudoColumn() const {
    if (s_[i_] != '$') return 0;
    size_t end = i_ + 1;
    while (end < s_.size() && isNamePart(s_[end]))
      ++end;
    const std::string name = upper(s_.substr(i_, end - i_));
    return name == "$IDENTITY" || name == "$ROWGUID" || name == "$PARTITION" ? end - i_ : 0;
  }

  // The body of a string or quoted name opened at s_[i_]; a doubled `close`
  // stands for one.
  std::string quoted(char close, int startLine) {
    ++i_;
    std::string value;
    size_t bodyStart = i_;
    while (i_ < s_.size()) {
      if (s_[i_] == close) {
        if (at(i_ + 1) == close) {
          value += close;
          i_ += 2;
          continue;
        }
        ++i_;
        return value;
      }
      value += s_[i_];
      advance();
    }
    throwSqlError(105, {std::string(s_.substr(bodyStart))}, startLine);
  }

  void number(Token& t) {
    size_t start = i_;
    if (s_[i_] == '0' && (at(i_ + 1) == 'x' || at(i_ + 1) == 'X')) {
      // a binary constant: hexadecimal digits, none at all for an empty one
      i_ += 2;
      while (std::isxdigit(static_cast<unsigned char>(at(i_))))
        ++i_;
      t.kind = TokenKind::Binary;
      t.text = std::string(s_.substr(start, i_ - start));
      return;
    }
    t.kind = TokenKind::Integer;
    while (isDigit(at(i_)))
      ++i_;
    if (at(i_) == '.') {
      t.kind = TokenKind::Decimal;
      ++i_;
      while (isDigit(at(i_)))
        ++i_;
    }
    // An exponent only when digits follow, so that 1END is 1 and END.
    char e = at(i_);
    if (e == 'e' || e == 'E') {
      size_t k = i_ + 1;
      if (at(k) == '+' || at(k) == '-') ++k;
      if (isDigit(at(k))) {
        t.kind = TokenKind::Float;
        i_ = k;
        while (isDigit(at(i_)))
          ++i_;
      }
    }
    t.text = std::string(s_.substr(start, i_ - start));
    // A float constant beyond float's range stops the batch before it runs.
    if (t.kind == TokenKind::Float && !std::isfinite(std::strtod(t.text.c_str(), nullptr)))
      throwSqlError(168, {t.text, "8"}, t.line);
  }

  void symbol(Token& t) {
    t.kind = TokenKind::Symbol;
    char c = s_[i_], d = at(i_ + 1);
    bool two = (c == '<' && (d == '>' || d == '=' || d == '<')) || (c == '>' && (d == '=' || d == '>')) ||
               (c == '!' && (d == '=' || d == '<' || d == '>')) || (c == ':' && d == ':') ||
               (c == '|' && d == '|');
    if (two) {
      t.text = std::string(s_.substr(i_, 2));
      i_ += 2;
      return;
    }
    static constexpr std::string_view kSingles = "=<>+-*/%&|^~(),.;{}:";
    if (kSingles.find(c) == std::string_view::npos) {
      throwSqlError(102, {std::string(1, c)}, t.line);
    }
    t.text = std::string(1, c);
    ++i_;
  }

  void checkLength(const Token& t) const {
    if (charCount(t.text) <= kMaxNameLength) return;
    size_t bytes = 0, chars = 0;
    while (bytes < t.text.size() && chars < kMaxNameLength) {
      ++bytes;
      while (bytes < t.text.size() && (static_cast<unsigned char>(t.text[bytes]) & 0xC0) == 0x80)
        ++bytes;
      ++chars;
    }
    throwSqlError(103, {t.text.substr(0, bytes)}, t.line);
  }

  std::string_view s_;
  size_t i_ = 0;
  size_t lineStart_ = 0;
  int line_ = 1;
};

}  // namespace

std::vector<Token> tokenize(std::string_view text) {
  return Lexer(text).run();
}

}  // namespace mls::tsql
