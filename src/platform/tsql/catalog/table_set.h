// A set of tables under one owner: the database's permanent tables (shared by
// its sessions, guarded by the database mutex) or one session's temporary
// tables.  Names are compared without regard to case.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/catalog/table.h"

namespace mls::tsql {

class TableSet {
 public:
  TableSet() = default;
  TableSet(const TableSet&) = delete;
  TableSet& operator=(const TableSet&) = delete;

  // The table named `name` (case-insensitive), the innermost level's of
  // temporary tables of one name (Table::nestLevel()), or nullptr.
  std::shared_ptr<Table> find(std::string_view name) const;
  std::shared_ptr<Table> findById(int32_t id) const;
  // Tables in creation order.
  const std::vector<std::shared_ptr<Table>>& tables() const { return tables_; }

  // Adds / removes without checks (Catalog checks names and records undo).
  void add(std::shared_ptr<Table> t);
  void remove(const Table& t);
  // Puts `t` in the place of the table with its id (appends it when none).
  void replace(std::shared_ptr<Table> t);
  void clear() { tables_.clear(); }

  // A fresh object id.  Only the permanent set hands out ids; the session's
  // temporary objects take theirs from it too, so ids never collide.
  int32_t allocateId() { return nextId_++; }
  // Later ids are above `id` (the highest of loaded objects, below INT32_MAX).
  void reserveIdsThrough(int32_t id) { nextId_ = std::max(nextId_, id + 1); }

 private:
  std::vector<std::shared_ptr<Table>> tables_;
  int32_t nextId_ = 1977058079;  // object ids of the size the server shows
};

}  // namespace mls::tsql
