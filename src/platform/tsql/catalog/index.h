// Indexes of a table: their definition (name, key columns, unique, clustered,
// the constraint they serve) and the hash structure that finds rows by key.
//
// Every index, unique or not, keeps a hash of its key values to the row ids
// holding them: unique keys are enforced through it and equality lookups use
// it.  A clustered index also decides the table's storage order (table.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/tsql/types/value.h"

namespace mls::tsql {

using RowId = uint32_t;
using Row = std::vector<Value>;

struct KeyColumn {
  size_t column = 0;  // position in the table's columns
  bool descending = false;
};

// What created an index: CREATE INDEX, or a PRIMARY KEY / UNIQUE constraint
// (which is also an object of its own, sysobjects xtype 'PK' / 'UQ').
enum class IndexOrigin { Index, PrimaryKey, UniqueConstraint };

struct IndexDef {
  std::string name;  // unique per table (1913); for constraints the constraint's name
  std::vector<KeyColumn> keys;
  bool unique = false;
  bool clustered = false;
  IndexOrigin origin = IndexOrigin::Index;
  int32_t constraintId = 0;  // object id of a PK / UQ constraint, else 0
  int indid = 0;             // sysindexes.indid: 1 clustered, 2.. the others

  bool isConstraint() const { return origin != IndexOrigin::Index; }
};

// Key values -> row ids.  Keys are compared as SQL Server's unique keys do:
// NULL equals NULL (a UNIQUE column takes one NULL), strings without regard to
// case and trailing spaces.  The index does not own rows: callers pass a
// function reading the key of a row id.
class KeyIndex {
 public:
  using RowReader = std::function<const Row&(RowId)>;

  void clear() { map_.clear(); }
  void reserve(size_t n) { map_.reserve(n); }
  void add(const IndexDef& def, const Row& row, RowId id);
  // add() unless a row with an equal key is filed already (NULL equal to
  // NULL); false then, and nothing added.
  template <class Read>
  bool addUnique(const IndexDef& def, const Row& row, RowId id, const Read& read) {
    size_t h = hashKey(def, row);
    auto [it, end] = map_.equal_range(h);
    for (; it != end; ++it) {
      if (sameKey(def, read(it->second), row)) return false;
    }
    map_.emplace(h, id);
    return true;
  }
  // Removes the entry (id) filed under row's key.
  void remove(const IndexDef& def, const Row& row, RowId id);
  // A row, other than those `ignore(id)` accepts, whose key equals `row`'s key
  // (NULL equal to NULL).
  template <class Read, class Ignore>
  std::optional<RowId> findDuplicate(const IndexDef& def, const Row& row, const Read& read,
                                     const Ignore& ignore) const {
    auto [it, end] = map_.equal_range(hashKey(def, row));
    for (; it != end; ++it) {
      if (!ignore(it->second) && sameKey(def, read(it->second), row)) return it->second;
    }
    return std::nullopt;
  }
  // Appends the rows whose key equals `key` (values in key order, already of the
  // key columns' types).  A NULL in `key` matches nothing (SQL equality).
  void lookup(const IndexDef& def, std::span<const Value> key, const RowReader& read,
              std::vector<RowId>& out) const;
  size_t size() const { return map_.size(); }

  static size_t hashKey(const IndexDef& def, const Row& row);
  static size_t hashKey(std::span<const Value> key);
  // Equality of the keys of two rows, NULL equal to NULL.
  static bool sameKey(const IndexDef& def, const Row& a, const Row& b);

 private:
  std::unordered_multimap<size_t, RowId> map_;
};

}  // namespace mls::tsql
