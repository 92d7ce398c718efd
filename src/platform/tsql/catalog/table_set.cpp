#include "platform/tsql/catalog/table_set.h"

#include <algorithm>

#include "platform/tsql/catalog/names.h"

namespace mls::tsql {

std::shared_ptr<Table> TableSet::find(std::string_view name) const {
  // Newest first: of temporary tables of one name, the innermost level's was
  // made last (an inner level's tables go when it returns).
  for (auto it = tables_.rbegin(); it != tables_.rend(); ++it) {
    if (sameName((*it)->name(), name)) return *it;
  }
  return nullptr;
}

std::shared_ptr<Table> TableSet::findById(int32_t id) const {
  for (const auto& t : tables_) {
    if (t->id() == id) return t;
  }
  return nullptr;
}

void TableSet::add(std::shared_ptr<Table> t) {
  tables_.push_back(std::move(t));
}

void TableSet::remove(const Table& t) {
  std::erase_if(tables_, [&](const std::shared_ptr<Table>& p) { return p.get() == &t; });
}

void TableSet::replace(std::shared_ptr<Table> t) {
  for (auto& p : tables_) {
    if (p->id() == t->id()) {
      p = std::move(t);
      return;
    }
  }
  tables_.push_back(std::move(t));
}

}  // namespace mls::tsql
