#include "platform/ado/filter.h"

#include <cctype>
#include <string>

#include "platform/ado/errors.h"
#include "platform/ado/value_order.h"

namespace mls::ado {

enum class FilterOp { Eq, Ne, Lt, Gt, Le, Ge, Like };

struct FilterCriteria::Node {
  enum class Kind { And, Or, Clause } kind = Kind::Clause;
  std::shared_ptr<const Node> left, right;
  size_t column = 0;
  FilterOp op = FilterOp::Eq;
  com::Variant value;
};

namespace {

using Node = FilterCriteria::Node;

// Glob match of folded text: '*' and '%' match any run of characters.
bool likeMatch(std::string_view text, std::string_view pattern) {
  size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%')) {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%'))
    ++p;
  return p == pattern.size();
}

class Parser {
 public:
  Parser(std::string_view text, const std::vector<ColumnMeta>& columns) : text_(text), columns_(columns) {}

  std::shared_ptr<const Node> parseAll() {
    auto node = parseOr();
    skipSpace();
    if (pos_ < text_.size()) fail("unexpected '" + std::string(text_.substr(pos_)) + "'");
    return node;
  }

 private:
  [[noreturn]] void fail(const std::string& what) {
    raiseAdo(err::kInvalidArgument, kRecordsetClass, "Invalid filter '" + std::string(text_) + "': " + what);
  }

  void skipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
      ++pos_;
  }

  // Consumes the keyword `word` (any case) when it comes next as a whole word.
  bool keyword(std::string_view word) {
    skipSpace();
    if (text_.size() - pos_ < word.size()) return false;
    if (com::compareText(text_.substr(pos_, word.size()), word, true) != 0) return false;
    size_t end = pos_ + word.size();
    if (end < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '_')) {
      return false;
    }
    pos_ = end;
    return true;
  }

  std::shared_ptr<const Node> parseOr() {
    auto left = parseAnd();
    while (keyword("OR"))
      left = join(Node::Kind::Or, left, parseAnd());
    return left;
  }

  std::shared_ptr<const Node> parseAnd() {
    auto left = parseFactor();
    while (keyword("AND"))
      left = join(Node::Kind::And, left, parseFactor());
    return left;
  }

  static std::shared_ptr<const Node> join(Node::Kind kind, std::shared_ptr<const Node> l,
                                          std::shared_ptr<const Node> r) {
    auto n = std::make_shared<Node>();
    n->kind = kind;
    n->left = std::move(l);
    n->right = std::move(r);
    return n;
  }

  std::shared_ptr<const Node> parseFactor() {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == '(') {
      ++pos_;
      auto inner = parseOr();
      skipSpace();
      if (pos_ >= text_.size() || text_[pos_] != ')') fail("missing ')'");
      ++pos_;
      return inner;
    }
    return parseClause();
  }

  std::string fieldName() {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == '[') {
      size_t end = text_.find(']', pos_);
      if (end == std::string_view::npos) fail("missing ']'");
      std::string name(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return name;
    }
    size_t start = pos_;
    while (pos_ < text_.size()) {
      unsigned char c = static_cast<unsigned char>(text_[pos_]);
      if (!(std::isalnum(c) || c == '_' || c == '#' || c == '@' || c == '$' || c >= 0x80)) break;
      ++pos_;
    }
    if (pos_ == start) fail("a field name is expected");
    return std::string(text_.substr(start, pos_ - start));
  }

  FilterOp op() {
    skipSpace();
    std::string_view rest = text_.substr(pos_);
    static constexpr std::pair<std::string_view, FilterOp> kOps[] = {
        {"<>", FilterOp::Ne}, {"!=", FilterOp::Ne}, {"<=", FilterOp::Le}, {">=", FilterOp::Ge},
        {"=", FilterOp::Eq},  {"<", FilterOp::Lt},  {">", FilterOp::Gt}};
    for (const auto& [symbol, o] : kOps) {
      if (rest.starts_with(symbol)) {
        pos_ += symbol.size();
        return o;
      }
    }
    if (keyword("LIKE")) return FilterOp::Like;
    fail("an operator is expected");
  }

  com::Variant literal() {
    skipSpace();
    if (pos_ >= text_.size()) fail("a value is expected");
    char c = text_[pos_];
    if (c == '\'' || c == '#') {
      std::string value;
      for (++pos_;; ++pos_) {
        if (pos_ >= text_.size()) fail("a value has no closing " + std::string(1, c));
        if (text_[pos_] != c) {
          value += text_[pos_];
        } else if (c == '\'' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
          value += c;
          ++pos_;
        } else {
          break;
        }
      }
      ++pos_;
      if (c == '#') {
        try {
          return com::Variant::date(com::Variant(value).toDate());
        } catch (const com::ComError&) {
          fail("#" + value + "# is not a date");
        }
      }
      return com::Variant(std::move(value));
    }
    if (keyword("NULL")) return com::Variant::null();
    size_t start = pos_;
    while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                   text_[pos_] == '.' || text_[pos_] == '-' || text_[pos_] == '+')) {
      ++pos_;
    }
    std::string_view word = text_.substr(start, pos_ - start);
    if (std::optional<com::Decimal> d = com::Decimal::parse(word)) return com::Variant(*d);
    fail("'" + std::string(word) + "' is not a value");
  }

  std::shared_ptr<const Node> parseClause() {
    std::string name = fieldName();
    auto node = std::make_shared<Node>();
    node->column = columns_.size();
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (com::compareText(columns_[i].name, name, true) == 0) {
        node->column = i;
        break;
      }
    }
    if (node->column == columns_.size()) {
      raiseAdo(
          com::err::kItemNotFound, kRecordsetClass,
          "Item cannot be found in the collection corresponding to the requested name or ordinal: filter "
          "field '" +
              name + "'.");
    }
    node->op = op();
    com::Variant value = literal();
    const ColumnMeta& col = columns_[node->column];
    if (value.isNull()) {
      if (node->op != FilterOp::Eq && node->op != FilterOp::Ne) fail("NULL compares only with = and <>");
    } else if (node->op == FilterOp::Like) {
      if (value.kind() != com::VarKind::String) fail("LIKE takes a quoted pattern");
      value = com::Variant(com::foldCase(value.asString()));
    } else {
      try {
        value = value.convertTo(variantKindOf(col.type));
      } catch (const com::ComError&) {
        fail("the value " + value.toString() + " does not suit the field '" + col.name + "'");
      }
    }
    node->value = std::move(value);
    return node;
  }

  std::string_view text_;
  const std::vector<ColumnMeta>& columns_;
  size_t pos_ = 0;
};

bool evaluate(const Node& n, const std::vector<com::Variant>& row) {
  switch (n.kind) {
    case Node::Kind::And:
      return evaluate(*n.left, row) && evaluate(*n.right, row);
    case Node::Kind::Or:
      return evaluate(*n.left, row) || evaluate(*n.right, row);
    case Node::Kind::Clause:
      break;
  }
  const com::Variant& field = row[n.column];
  if (n.value.isNull()) return field.isNull() == (n.op == FilterOp::Eq);
  if (field.isNull()) return false;
  if (n.op == FilterOp::Like) return likeMatch(com::foldCase(field.toString()), n.value.asString());
  int c = compareFieldValues(field, n.value);
  switch (n.op) {
    case FilterOp::Eq:
      return c == 0;
    case FilterOp::Ne:
      return c != 0;
    case FilterOp::Lt:
      return c < 0;
    case FilterOp::Gt:
      return c > 0;
    case FilterOp::Le:
      return c <= 0;
    case FilterOp::Ge:
      return c >= 0;
    case FilterOp::Like:
      break;
  }
  return false;
}

}  // namespace

FilterCriteria FilterCriteria::parse(std::string_view text, const std::vector<ColumnMeta>& columns) {
  FilterCriteria f;
  f.root_ = Parser(text, columns).parseAll();
  return f;
}

bool FilterCriteria::matches(const std::vector<com::Variant>& row) const {
  return evaluate(*root_, row);
}

}  // namespace mls::ado
