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
#include <vector>

#include "platform/tsql/types/value.h"

namespace mls::tsql {

using RowId = uint32_t;
using Row = std::vector<Value>;
// The values of one row, wherever they are kept.
using RowView = std::span<const Value>;

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
// function reading the key of a row id.  Every call names the index's
// definition: a unique index files its entries in one flat open-addressed
// table (one key per row, so probe runs stay short); a non-unique one files
// in that table one entry per 32 bits of key hash, the first row of a chain
// that links the rows of that hash through an array by row id, so a long run
// of one key costs 4 bytes a row and no probe.  The table grows in steps of
// 1.5 and 1.33 (16, 24, 32, 48, ...), at most 70% full.
class KeyIndex {
 public:
  using RowReader = std::function<RowView(RowId)>;

  void clear();
  // Room for n entries, made at the first add.
  void reserve(size_t n);
  void add(const IndexDef& def, RowView row, RowId id);
  // Removes the entry (id) filed under row's key.  A non-unique index looks
  // for it among the first kRemoveRun entries of the key's hash only: false
  // when it is not there (the index must then be rebuilt).
  static constexpr size_t kRemoveRun = 64;
  bool remove(const IndexDef& def, RowView row, RowId id);
  // A row, other than those `ignore(id)` accepts, whose key equals `row`'s key
  // (NULL equal to NULL).
  template <class Read, class Ignore>
  std::optional<RowId> findDuplicate(const IndexDef& def, RowView row, const Read& read,
                                     const Ignore& ignore) const {
    std::optional<RowId> found;
    anyWithHash(def, hashKey(def, row), [&](RowId id) {
      if (ignore(id) || !sameKey(def, read(id), row)) return false;
      found = id;
      return true;
    });
    return found;
  }
  // A unique index: files the row under its key, or answers the row already
  // filed there (NULL equal to NULL) and files nothing.
  template <class Read>
  std::optional<RowId> addUnique(const IndexDef& def, RowView row, RowId id, const Read& read) {
    const uint32_t tag = tagOf(hashKey(def, row));
    if (reserved_) applyReserve(def);
    growFor(used_ + 1);
    size_t i = home(tag);
    for (; slots_[i].id != kFree; i = after(i)) {
      if (slots_[i].tag == tag && sameKey(def, read(slots_[i].id), row)) return slots_[i].id;
    }
    slots_[i] = Slot{tag, id};
    ++used_;
    ++entries_;
    return std::nullopt;
  }
  // Appends the rows whose key equals `key` (values in key order, already of the
  // key columns' types).  A NULL in `key` matches nothing (SQL equality).
  void lookup(const IndexDef& def, std::span<const Value> key, const RowReader& read,
              std::vector<RowId>& out) const;
  size_t size() const { return entries_; }

  static size_t hashKey(const IndexDef& def, RowView row);
  static size_t hashKey(std::span<const Value> key);
  // Equality of the keys of two rows, NULL equal to NULL.
  static bool sameKey(const IndexDef& def, RowView a, RowView b);

 private:
  // A unique index's entry: the row and 32 bits of its key's hash.
  struct Slot {
    uint32_t tag = 0;
    RowId id = kFree;
  };
  static constexpr RowId kFree = UINT32_MAX;

  // Calls f(id) for the entries filed under `hash` until it answers true.
  template <class F>
  void anyWithHash(const IndexDef& def, size_t hash, const F& f) const {
    if (slots_.empty()) return;
    const uint32_t tag = tagOf(hash);
    for (size_t i = home(tag);; i = after(i)) {
      const Slot& s = slots_[i];
      if (s.id == kFree) return;
      if (s.tag != tag) continue;
      if (def.unique) {
        if (f(s.id)) return;
        continue;
      }
      for (RowId id = s.id; id != kFree; id = next_[id]) {
        if (f(id)) return;
      }
      return;
    }
  }
  static uint32_t tagOf(size_t hash) { return static_cast<uint32_t>(hash ^ (hash >> 32)); }
  size_t home(uint32_t tag) const {
    return static_cast<size_t>(((uint64_t{tag} * 0x9e3779b97f4a7c15ULL >> 32) * slots_.size()) >> 32);
  }
  size_t after(size_t i) const { return i + 1 == slots_.size() ? 0 : i + 1; }
  // How far slot `i` lies past slot `from`, wrapping around.
  size_t distance(size_t from, size_t i) const { return i >= from ? i - from : i + slots_.size() - from; }
  // The slot of the chain of `tag` (non-unique), or of a free slot where it goes.
  size_t chainSlot(uint32_t tag) const;
  // Empties slot `i`, moving later entries of its run back.
  void eraseSlot(size_t i);
  void growFor(size_t used);
  void place(Slot s);
  void applyReserve(const IndexDef& def);
  void resize(size_t slots);

  // Linear probing, at most 70% full: unique indexes' rows, non-unique
  // indexes' chains.
  std::vector<Slot> slots_;
  size_t used_ = 0;
  size_t entries_ = 0;
  size_t reserved_ = 0;
  // Non-unique indexes: the next row of a row's chain, by row id.
  std::vector<RowId> next_;
};

}  // namespace mls::tsql
