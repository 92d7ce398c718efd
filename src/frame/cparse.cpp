#include "frame/cparse.h"

#include "frame/component.h"
#include "frame/lang_text.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "platform/common/ascii_text.h"

namespace mls::frame {
namespace {

using ascii::trimSpaces;

// Splits `text` at the first `sep`: answers the part before it and leaves the
// part after it in `text` (all of `text`, leaving it empty, when there is no
// separator).
std::string splitFirst(std::string& text, char sep) {
  size_t at = text.find(sep);
  std::string first;
  if (at == std::string::npos) {
    first = std::move(text);
    text.clear();
  } else {
    first = text.substr(0, at);
    text.erase(0, at + 1);
  }
  return first;
}

std::string nextKey(std::string& text) {
  return trimSpaces(splitFirst(text, '='));
}

std::string nextValue(std::string& text) {
  text = trimSpaces(text);
  std::string value;
  if (!text.empty() && text[0] == '{') {
    text.erase(0, 1);
    value = splitFirst(text, '}');
    splitFirst(text, ';');  // text between "}" and ";" is dropped
  } else {
    value = splitFirst(text, ';');
  }
  return trimSpaces(value);
}

}  // namespace

CParse::~CParse() {
  unloadLanguageLoader();
}

bool CParse::parseString(std::string_view props) {
  props_ = std::string(props);
  items_.clear();
  std::string rest = props_;
  for (;;) {
    std::string key = nextKey(rest);
    std::string value = nextValue(rest);
    if (key.empty()) break;
    if (find(key)) {
      com::raise(com::err::kKeyInUse, kComponent,
                 "This key is already associated with an element of this collection: " + key);
    }
    items_.emplace_back(std::move(key), std::move(value));
  }
  return true;
}

const std::string* CParse::find(std::string_view key) const {
  for (const auto& [k, v] : items_) {
    if (com::compareText(k, key, true) == 0) return &v;
  }
  return nullptr;
}

const std::string& CParse::getProperty(std::string_view key) const {
  const std::string* value = find(key);
  if (!value) {
    com::raise(com::err::kInvalidCall, kComponent,
               "The properties string has no item '" + std::string(key) + "'");
  }
  return *value;
}

int32_t CParse::userId() const {
  return com::Variant(getProperty("UserID")).toLong();
}

bool CParse::isIndustry() const {
  return com::compareText(getProperty("AcctType"), "GY", true) == 0;
}

}  // namespace mls::frame
