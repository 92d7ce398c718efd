// A set of rows under SQL equality for DISTINCT (and grouping): NULL equals
// NULL, strings without regard to case and trailing spaces, decimals of any
// scale by value.  The values of one position must share a comparison type.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "platform/tsql/types/value.h"

namespace mls::tsql {

size_t hashRow(const std::vector<Value>& row);

class RowSet {
 public:
  // Adds `row` unless an equal row is there; true when added.
  bool insert(const std::vector<Value>& row);
  bool contains(const std::vector<Value>& row) const;
  size_t size() const { return rows_.size(); }

 private:
  std::vector<std::vector<Value>> rows_;
  std::unordered_multimap<size_t, size_t> byHash_;
};

}  // namespace mls::tsql
