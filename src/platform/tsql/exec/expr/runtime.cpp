#include "platform/tsql/exec/expr/runtime.h"

#include <utility>

#include "platform/tsql/types/collation.h"

namespace mls::tsql {

int Frame::find(std::string_view name) const {
  for (size_t i = 0; i < vars_.size(); ++i) {
    if (compareText(vars_[i].name, name) == 0) return static_cast<int>(i);
  }
  return -1;
}

int Frame::add(std::string name, SqlType type, ast::Pos declaredAt) {
  vars_.push_back({std::move(name), type, Value(), declaredAt});
  return static_cast<int>(vars_.size() - 1);
}

}  // namespace mls::tsql
