// Halvern.Dictionary: Variant values under text keys that compare without case;
// keys keep the order they were first stored in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/com/dispatch.h"

namespace mls::halvern {

class Dictionary : public com::DispatchObject {
 public:
  Dictionary();

  // The value under `key`; raises 5 when the key is absent.
  const com::Variant& item(std::string_view key) const;
  // Stores a value (Item let) or an object (Item set), adding the key when absent.
  void setItem(std::string_view key, com::Variant value);
  // The value under `key`, or `fallback` when the key is absent.
  com::Variant itemOrDefault(std::string_view key, const com::Variant& fallback) const;
  bool exists(std::string_view key) const;
  int32_t count() const { return static_cast<int32_t>(entries_.size()); }
  // Keys as first stored (their original spelling), in insertion order.
  std::vector<std::string> keys() const;
  // Removes a key; raises 5 when it is absent.
  void remove(std::string_view key);

 private:
  struct Entry {
    std::string key;
    com::Variant value;
  };
  const Entry* find(std::string_view key) const;

  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> index_;  // case-folded key -> entries_ position
};

// A new empty dictionary, for the class registry ("Halvern.Dictionary").
com::Ref<com::Dispatch> createDictionary();

}  // namespace mls::halvern
