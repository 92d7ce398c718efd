// A table: columns, indexes and rows.
//
// Rows live in slots addressed by a stable RowId (the slot number).  A deleted
// row becomes a tombstone that keeps its values until the table is compacted
// (only when no undo log refers to the table), so undo and UPDATE ... FROM can
// hold row ids for the length of a statement or transaction.
//
// Storage order (what scanOrder() returns): a heap keeps insertion order; a
// table with a clustered index keeps its rows ordered by the clustered key
// (ties in insertion order).  The order is repaired lazily: inserts out of
// order, updates of the clustered key and deletes only mark it stale, and the
// next scanOrder() sorts / compacts once.
//
// Modifications check NOT NULL (515) and unique keys (2627 for PRIMARY KEY and
// UNIQUE constraints, 2601 for unique indexes) and record themselves in the
// caller's UndoLog.  Values must already have the column's type: the executor
// converts them with storeValue() (which raises 8152 for text too long).
//
// Tables are not thread-safe: the database runs one statement at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/tsql/catalog/column.h"
#include "platform/tsql/catalog/index.h"
#include "platform/tsql/catalog/row_store.h"
#include "platform/tsql/types/datetime.h"
#include "platform/tsql/types/value.h"

namespace mls::tsql {

class UndoLog;

// The name of a database given none (engine.h's Database::create): master,
// where a login that names no database starts on SQL Server.
inline constexpr std::string_view kDefaultDatabaseName = "master";

// Evaluates a column's DEFAULT expression and returns the value converted to
// the column's type (as stored).  Supplied by the executor.
using DefaultEvaluator = std::function<Value(const ast::Expr& expr, const Column& column)>;

// The rows and index contents of a table, apart from its definition; TRUNCATE
// hands the old storage to the undo log.
struct TableStorage {
  RowStore rows;              // by RowId; tombstones keep their values
  std::vector<uint8_t> live;  // by RowId: 1 live, 0 deleted
  size_t liveCount = 0;
  std::vector<RowId> order;         // storage order, repaired lazily (see Table):
  size_t sortedPrefix = 0;          //   order[0, sortedPrefix) is in storage order
  bool orderHasDead = false;        //   order holds ids of deleted rows
  bool orderRebuild = false;        //   order must be rebuilt from the live rows
  std::vector<KeyIndex> indexes;    // parallel to Table::indexes()
  std::vector<uint8_t> indexStale;  // non-unique index to rebuild before its next lookup
  // Hashes of columns without an index that lookups probe by equality, built
  // at the second lookup since the table's last change and dropped at its next.
  struct AutoIndex {
    IndexDef def;
    KeyIndex index;
    int lookups = 0;
  };
  std::vector<AutoIndex> autoIndexes;
  int64_t identityCurrent = 0;  // last identity value handed out (or the seed / reseed value)
  bool identityUsed = false;    // false: the next value is identityCurrent itself
};

class Table : public std::enable_shared_from_this<Table> {
 public:
  enum class Kind { User, Temporary, SystemView };

  // An empty table without columns; add columns and indexes before rows.
  // `name` is the name as written ("t", "#t").
  Table(std::string name, Kind kind);
  Table(const Table&);  // a full copy (schema and rows), for undo snapshots
  Table& operator=(const Table&) = delete;

  // ---------------------------------------------------------------- identity
  const std::string& name() const { return name_; }
  Kind kind() const { return kind_; }
  bool isTemporary() const { return kind_ == Kind::Temporary; }
  bool isSystemView() const { return kind_ == Kind::SystemView; }
  int32_t id() const { return id_; }
  void setId(int32_t id) { id_ = id; }
  // The level of execution (@@NESTLEVEL) that made a temporary table: a
  // procedure may make one with its caller's name, and a name means the
  // innermost such table.  0 for a permanent table.
  int nestLevel() const { return nestLevel_; }
  void setNestLevel(int level) { nestLevel_ = level; }
  // Turns a filled table into a system view: modifications then raise 259.
  void makeReadOnly() { kind_ = Kind::SystemView; }
  DateTime created() const { return created_; }
  void setCreated(DateTime t) { created_ = t; }
  // The name under which tempdb..sysobjects lists a temporary table: the name
  // padded with '_' to 116 characters and a 12-digit suffix; else name().
  std::string storedName() const;
  // The object as error messages name it: "dbo.t", "dbo.#t".
  std::string messageName() const { return "dbo." + name_; }
  // With the database (`database` for a permanent table): "erp.dbo.t",
  // "tempdb.dbo.#t____...__00000000000A".
  std::string fullName(std::string_view database) const;

  // ----------------------------------------------------------------- columns
  const std::vector<Column>& columns() const { return columns_; }
  const Column& column(size_t i) const { return columns_[i]; }
  // Position of the column (case-insensitive), or empty.
  std::optional<size_t> findColumn(std::string_view name) const;
  // Appends a column; existing rows get `fill` (which must suit the column).
  // Raises 2705 when the name is taken.
  void addColumn(Column c, const Value& fill = Value());
  // Sets a column's default (used by ALTER TABLE ADD ... DEFAULT ... FOR col).
  Column& mutableColumn(size_t i) { return columns_[i]; }

  // Converts a value of type `from` for storing in column `i` (assignment
  // rules: 8152 for text too long, 245/8114/8115 for bad conversions).
  Value storeValue(size_t i, const Value& v, const SqlType& from) const;
  // The value an INSERT gives a column it does not list: for the identity
  // column the next identity value (consumed), else the evaluated default,
  // else NULL.
  Value implicitValue(size_t i, const DefaultEvaluator& evalDefault);

  // ---------------------------------------------------------------- identity
  // Position of the IDENTITY column, or empty.
  std::optional<size_t> identityColumn() const { return identityColumn_; }
  // The next identity value, consumed even if the insert then fails (as the
  // server does).  Raises 8115 when it overflows the column's type.
  int64_t nextIdentity();
  // IDENT_CURRENT: the last value handed out (the seed before the first).
  int64_t identityCurrent() const { return storage_.identityCurrent; }
  // DBCC CHECKIDENT (t, RESEED, n): the next value is n + step, or n itself
  // when the table never had a row since creation or TRUNCATE.
  void reseedIdentity(int64_t value) { storage_.identityCurrent = value; }
  // The identity's whole state, as a database file keeps it: the current value
  // and whether a value was handed out since creation or TRUNCATE.
  std::pair<int64_t, bool> identityState() const { return {storage_.identityCurrent, storage_.identityUsed}; }
  void setIdentityState(int64_t current, bool used) {
    storage_.identityCurrent = current;
    storage_.identityUsed = used;
  }
  bool identityInsert() const { return identityInsert_; }
  void setIdentityInsert(bool on) { identityInsert_ = on; }

  // ----------------------------------------------------------------- indexes
  const std::vector<IndexDef>& indexes() const { return indexes_; }
  std::optional<size_t> findIndex(std::string_view name) const;  // case-insensitive
  const IndexDef* clusteredIndex() const;
  const IndexDef* primaryKey() const;
  // Adds an index (any name, keys, unique, clustered, origin, constraintId set
  // by the caller; indid is assigned) and fills it from the rows.  Raises 1913
  // for a taken name, 1902 for a second clustered index, 1779 for a second
  // primary key, 8111 for a primary key over a nullable column and 1505 when a
  // unique key meets duplicate rows; the table is unchanged then.
  void addIndex(IndexDef def);
  void dropIndex(size_t i);

  // An index whose key columns are exactly `columns` (any order), preferring
  // a unique one; nullptr when none.  For equality lookups.
  const IndexDef* indexOn(std::span<const size_t> columns) const;
  // Appends the rows of index `def` (one of indexes()) whose key equals `key`
  // (values in the order of def.keys, of the key columns' types), in ascending
  // row id (insertion) order.  NULL matches nothing.
  void lookup(const IndexDef& def, std::span<const Value> key, std::vector<RowId>& out) const;
  // Appends the live rows whose columns `columns` (each once; NULL matches
  // nothing) equal `key` (values of those columns' types), in storage order,
  // through a hash of those columns the table keeps until its next change.
  // False, appending nothing, at the first lookup since the last change: the
  // caller reads the rows itself, so a one-off lookup builds nothing.
  bool lookupUnindexed(std::span<const size_t> columns, std::span<const Value> key,
                       std::vector<RowId>& out) const;
  // The positions [first, last) in scanOrder() of the rows whose leading
  // clustered key columns equal `prefix` (values of those columns' types, no
  // NULL).
  std::pair<size_t, size_t> clusteredRange(std::span<const Value> prefix) const;

  // -------------------------------------------------------------------- rows
  size_t rowCount() const { return storage_.liveCount; }
  // Live rows in storage order.  Valid until the next modification: a
  // statement that modifies the table copies the ids it needs first.
  std::span<const RowId> scanOrder() const;
  RowView row(RowId id) const { return storage_.rows[id]; }
  void prefetchRow(RowId id) const { storage_.rows.prefetch(id); }
  // The scans bound over the table (by statements being run): a statement
  // writing the table streams its rows only while no scan reads it.
  void addScan() const { ++scans_; }
  void dropScan() const { --scans_; }
  bool scanned() const { return scans_ > 0; }
  // Sorts ids of live rows into storage order.
  void sortInStorageOrder(std::vector<RowId>& ids) const;
  bool isLive(RowId id) const { return id < storage_.live.size() && storage_.live[id]; }

  // Inserts a complete row (one value per column, already converted).  Checks
  // NOT NULL and unique keys; records the insert in `undo`.  Returns its id.
  // With IDENTITY_INSERT on, an explicit identity value above the current one
  // becomes the current value.
  RowId insert(Row row, UndoLog& undo);
  // Replaces rows by new values, all at once: unique keys are checked after
  // every row changed (so SET k = k + 1 over a key works), NOT NULL says
  // "UPDATE fails".  `ids` and `rows` are parallel; each id appears once.
  // `changed` names the columns whose new values may differ from the stored
  // ones (the rows hold the stored values in the others); empty: any column.
  void update(std::span<const RowId> ids, std::vector<Row> rows, UndoLog& undo,
              std::span<const size_t> changed = {});
  void erase(RowId id, UndoLog& undo);
  // Erases rows `ids` (each live, once).  When they are many of the table's
  // rows, the non-unique indexes are rebuilt before their next lookup rather
  // than giving up an entry per row.
  void eraseMany(std::span<const RowId> ids, UndoLog& undo);
  // Removes every row and resets the identity to its seed.
  void truncate(UndoLog& undo);

  // ------------------------------------------------ used by UndoLog, Catalog
  void undoInsert(RowId id);
  void undoErase(RowId id);
  void undoUpdate(RowId id, Row old);
  void restoreStorage(TableStorage s) { storage_ = std::move(s); }
  // Restores the definition and rows of a snapshot (undo of ALTER / index DDL).
  void restoreFrom(Table&& snapshot);
  // Undo logs referring to this table's row ids pin it against compaction.
  void pin() { ++pins_; }
  void unpin() { --pins_; }
  // Drops tombstones and renumbers rows when many are dead and nothing pins.
  void maybeCompact();

 private:
  void checkNotNull(RowView row, const char* verb, const UndoLog& undo) const;
  void indexRow(RowView row, RowId id);
  void unindexRow(RowView row, RowId id);
  void fillIndex(KeyIndex& index, const IndexDef& def) const;  // from the live rows
  void rebuildIndex(size_t i) const;
  void dropAutoIndexes() { storage_.autoIndexes.clear(); }
  void noteOrderAppend(RowId id);
  void repairOrder() const;
  template <class Less>
  void mergeFewInto(std::vector<RowId>::iterator mid, const Less& less) const;
  bool sortByIntegerKey(const IndexDef* c, std::vector<RowId>::iterator first,
                        std::vector<RowId>::iterator last) const;
  bool keyChanged(const IndexDef& def, RowView a, RowView b) const;
  // Storage order of two rows under clustered index `c` (nullptr: a heap).
  int compareClustered(const IndexDef* c, RowId a, RowId b) const;
  [[noreturn]] void raiseDuplicate(const IndexDef& def, RowView row) const;

  std::string name_;
  Kind kind_;
  int32_t id_ = 0;
  int nestLevel_ = 0;
  DateTime created_;
  std::vector<Column> columns_;
  std::optional<size_t> identityColumn_;
  bool identityInsert_ = false;
  std::vector<IndexDef> indexes_;
  mutable TableStorage storage_;  // order and stale indexes are repaired in const reads
  int pins_ = 0;
  mutable int scans_ = 0;
};

}  // namespace mls::tsql
