#include "platform/halvern/dictionary.h"

#include <utility>

namespace mls::halvern {

using com::Param;
using com::Variant;
using com::VarKind;

namespace {

const com::TypeInfo& dictionaryType() {
  static const com::TypeInfo type = [] {
    com::TypeInfo t("Halvern.Dictionary",
                    {0x6D4C5310, 0x0001, 0x4B1A, {0x9E, 0x30, 0x48, 0x41, 0x4C, 0x56, 0x44, 0x01}});
    const Param key("Key", VarKind::String);
    t.propertyGet<Dictionary>("Item", {key}, com::kAny,
                              [](Dictionary& d, com::Args a) { return d.item(a[0].asString()); })
        .propertyLet<Dictionary>("Item", {key, Param("Value")},
                                 [](Dictionary& d, com::Args a) { d.setItem(a[0].asString(), a[1]); })
        .propertySet<Dictionary>("Item", {key, Param("Value", VarKind::Object)},
                                 [](Dictionary& d, com::Args a) { d.setItem(a[0].asString(), a[1]); })
        .method<Dictionary>("ItemOrDefault", {key, Param("Default")}, com::kAny,
                            [](Dictionary& d, com::Args a) { return d.itemOrDefault(a[0].asString(), a[1]); })
        .method<Dictionary>("Exists", {key}, VarKind::Boolean,
                            [](Dictionary& d, com::Args a) { return d.exists(a[0].asString()); })
        .propertyGet<Dictionary>("Count", {}, VarKind::Long,
                                 [](Dictionary& d, com::Args) { return d.count(); })
        .method<Dictionary>("Keys", {}, VarKind::Array,
                            [](Dictionary& d, com::Args) {
                              std::vector<Variant> keys;
                              for (std::string& k : d.keys())
                                keys.emplace_back(std::move(k));
                              return com::SafeArray::vector(std::move(keys));
                            })
        .method<Dictionary>("Remove", {key}, com::kNoResult,
                            [](Dictionary& d, com::Args a) { d.remove(a[0].asString()); });
    return t;
  }();
  return type;
}

[[noreturn]] void absentKey(std::string_view key) {
  com::raise(com::err::kInvalidCall, "Halvern.Dictionary", "Key not found: " + std::string(key));
}

}  // namespace

Dictionary::Dictionary() : DispatchObject(dictionaryType()) {}

const Dictionary::Entry* Dictionary::find(std::string_view key) const {
  auto it = index_.find(com::foldCase(key));
  return it == index_.end() ? nullptr : &entries_[it->second];
}

const Variant& Dictionary::item(std::string_view key) const {
  const Entry* e = find(key);
  if (!e) absentKey(key);
  return e->value;
}

void Dictionary::setItem(std::string_view key, Variant value) {
  auto [it, added] = index_.try_emplace(com::foldCase(key), entries_.size());
  if (added) {
    entries_.push_back({std::string(key), std::move(value)});
  } else {
    entries_[it->second].value = std::move(value);
  }
}

Variant Dictionary::itemOrDefault(std::string_view key, const Variant& fallback) const {
  const Entry* e = find(key);
  return e ? e->value : fallback;
}

bool Dictionary::exists(std::string_view key) const {
  return find(key) != nullptr;
}

std::vector<std::string> Dictionary::keys() const {
  std::vector<std::string> out;
  out.reserve(entries_.size());
  for (const Entry& e : entries_)
    out.push_back(e.key);
  return out;
}

void Dictionary::remove(std::string_view key) {
  auto it = index_.find(com::foldCase(key));
  if (it == index_.end()) absentKey(key);
  size_t pos = it->second;
  index_.erase(it);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
  for (auto& [folded, p] : index_) {
    if (p > pos) --p;
  }
}

com::Ref<com::Dispatch> createDictionary() {
  return com::makeObject<Dictionary>();
}

}  // namespace mls::halvern
