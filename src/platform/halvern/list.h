// Halvern.List: Variant items in the order they were added, indexed from 1.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/com/dispatch.h"

namespace mls::halvern {

class List : public com::DispatchObject {
 public:
  List();

  void add(com::Variant item) { items_.push_back(std::move(item)); }
  int32_t count() const { return static_cast<int32_t>(items_.size()); }
  // The item at a 1-based index; raises 9 outside 1..count.
  const com::Variant& item(int32_t index) const;

  // Enumeration in order.
  std::vector<com::Variant>::const_iterator begin() const { return items_.begin(); }
  std::vector<com::Variant>::const_iterator end() const { return items_.end(); }

 private:
  std::vector<com::Variant> items_;
};

// A new empty list, for the class registry ("Halvern.List").
com::Ref<com::Dispatch> createList();

}  // namespace mls::halvern
