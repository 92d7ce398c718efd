// Recordset filter criteria: clauses `Field op value` joined by AND and OR
// (AND binds tighter; parentheses group), op one of = <> < > <= >= LIKE.  A
// field is a name or a [bracketed name]; a value is 'text' (a doubled quote
// stands for itself), #date#, a number or NULL.  LIKE takes * or % as "any
// text" and compares without case, as do the other operators on text.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/ado/provider.h"

namespace mls::ado {

class FilterCriteria {
 public:
  // Parses `text` against the recordset's columns: an unknown field raises
  // 3265, bad syntax or a value that does not suit its field's type 3001
  // (Source: the Recordset class).
  static FilterCriteria parse(std::string_view text, const std::vector<ColumnMeta>& columns);

  bool matches(const std::vector<com::Variant>& row) const;

  struct Node;

 private:
  std::shared_ptr<const Node> root_;
};

}  // namespace mls::ado
