#include "arguments.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/registry.h"

namespace mls::host {
namespace {

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : text_(text) {}

  com::Variant document() {
    com::Variant v = value();
    skipSpace();
    if (pos_ != text_.size()) fail("unexpected text after the value");
    return v;
  }

  std::vector<com::Variant> sequence() {
    std::vector<com::Variant> out;
    for (skipSpace(); pos_ < text_.size(); skipSpace())
      out.push_back(value());
    return out;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    com::raise(com::err::kInvalidCall, "marlstone",
               "Malformed JSON argument at character " + std::to_string(pos_ + 1) + ": " + why);
  }
  void skipSpace() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }
  bool take(char c) {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void expect(char c) {
    if (!take(c)) fail(std::string("'") + c + "' expected");
  }
  bool word(const char* w) {
    std::string_view rest = std::string_view(text_).substr(pos_);
    if (!rest.starts_with(w)) return false;
    pos_ += std::char_traits<char>::length(w);
    return true;
  }

  com::Variant value() {
    skipSpace();
    if (pos_ >= text_.size()) fail("a value expected");
    char c = text_[pos_];
    if (c == '[') return array();
    if (c == '{') return object();
    if (c == '"') return com::Variant(string());
    if (word("true")) return com::Variant(true);
    if (word("false")) return com::Variant(false);
    if (word("null")) return com::Variant::null();
    return number();
  }

  com::Variant array() {
    expect('[');
    std::vector<com::Variant> items;
    if (!take(']')) {
      do {
        items.push_back(value());
      } while (take(','));
      expect(']');
    }
    if (!items.empty() && std::all_of(items.begin(), items.end(), [](const com::Variant& v) {
          return v.isArray() && v.array().dims() == 1;
        }))
      return table(items);
    return com::SafeArray::vector(std::move(items));
  }

  // An array of arrays: element (i, j) is item j of array i - the first index
  // the field, the second the record, as recordset-shaped arguments are built.
  com::Variant table(const std::vector<com::Variant>& fields) const {
    const int32_t records = static_cast<int32_t>(fields[0].array().size());
    com::SafeArray out({{0, static_cast<int32_t>(fields.size())}, {0, records}});
    for (int32_t i = 0; i < static_cast<int32_t>(fields.size()); ++i) {
      const com::SafeArray& field = fields[i].array();
      if (static_cast<int32_t>(field.size()) != records)
        fail("the arrays of a two-dimensional array differ in length (array " + std::to_string(i + 1) +
             " has " + std::to_string(field.size()) + " items, the first " + std::to_string(records) + ")");
      for (int32_t j = 0; j < records; ++j)
        out.at({i, j}) = field.at({j});
    }
    return out;
  }

  com::Variant object() {
    expect('{');
    com::Ref<com::Dispatch> dict = com::createObject("Halvern.Dictionary");
    if (!take('}')) {
      do {
        skipSpace();
        std::string key = string();
        expect(':');
        com::Variant v = value();
        if (v.isObject()) {
          com::setProperty(*dict, "Item", key, v);
        } else {
          com::letProperty(*dict, "Item", key, v);
        }
      } while (take(','));
      expect('}');
    }
    return com::Variant(dict);
  }

  std::string string() {
    if (pos_ >= text_.size() || text_[pos_] != '"') fail("a string expected");
    ++pos_;
    std::string out;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      char c = text_[pos_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) break;
      char e = text_[pos_++];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          appendCodePoint(out, hex4());
          break;
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        default:
          fail(std::string("unknown escape \\") + e);
      }
    }
    if (pos_ >= text_.size()) fail("unterminated string");
    ++pos_;
    return out;
  }

  uint32_t hex4() {
    if (pos_ + 4 > text_.size()) fail("four hex digits expected");
    char* end = nullptr;
    std::string digits = text_.substr(pos_, 4);
    uint32_t cp = static_cast<uint32_t>(std::strtoul(digits.c_str(), &end, 16));
    if (end != digits.c_str() + 4) fail("four hex digits expected");
    pos_ += 4;
    return cp;
  }

  static void appendCodePoint(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  com::Variant number() {
    size_t start = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    bool fraction = false;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '.' || c == 'e' || c == 'E' || c == '+' || (c == '-' && pos_ > start)) {
        fraction = true;
      } else if (c < '0' || c > '9') {
        break;
      }
      ++pos_;
    }
    std::string digits = text_.substr(start, pos_ - start);
    if (digits.empty() || digits == "-") fail("a value expected");
    char* end = nullptr;
    double d = std::strtod(digits.c_str(), &end);
    if (end != digits.c_str() + digits.size()) fail("malformed number '" + digits + "'");
    if (!fraction && d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max()) {
      return com::Variant(static_cast<int32_t>(d));
    }
    return com::Variant(d);
  }

  const std::string& text_;
  size_t pos_ = 0;
};

}  // namespace

com::Variant parseArgument(const std::string& text) {
  if (text.empty() || (text[0] != '[' && text[0] != '{')) return com::Variant(text);
  return JsonReader(text).document();
}

std::vector<com::Variant> parseJsonValues(const std::string& text) {
  return JsonReader(text).sequence();
}

}  // namespace mls::host
