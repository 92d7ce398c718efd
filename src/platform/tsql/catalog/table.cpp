#include "platform/tsql/catalog/table.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "platform/tsql/catalog/names.h"
#include "platform/tsql/catalog/undo_log.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/operators.h"

namespace mls::tsql {

namespace {

DateTime localNow() {
  auto now = std::chrono::system_clock::now();
  std::time_t secs = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&secs, &tm);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return DateTime::fromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                             static_cast<int>(ms));
}

// The range an identity column's type holds.
std::pair<__int128, __int128> identityRange(const SqlType& t) {
  switch (t.id) {
    case TypeId::TinyInt:
      return {0, 255};
    case TypeId::SmallInt:
      return {-32768, 32767};
    case TypeId::Int:
      return {INT32_MIN, INT32_MAX};
    case TypeId::BigInt:
      return {INT64_MIN, INT64_MAX};
    default: {
      __int128 max = 1;
      for (int i = 0; i < t.precision; ++i)
        max *= 10;
      return {-(max - 1), max - 1};
    }
  }
}

Value identityValue(const SqlType& t, int64_t v) {
  return t.id == TypeId::Decimal ? Value::decimal(Decimal128::fromInt(v)) : Value::integer(v);
}

std::optional<int64_t> identityOf(const Value& v) {
  if (v.isNull()) return std::nullopt;
  if (v.kind() == Value::Kind::Int) return v.asInt();
  if (v.kind() == Value::Kind::Decimal) return static_cast<int64_t>(v.asDecimal().mantissa());
  return std::nullopt;
}

// The key values of a duplicate as SQL Server prints them: "1", "1, abc",
// "<NULL>".
std::string formatKeyValues(const Table& t, const IndexDef& def, RowView row) {
  std::string out;
  for (const KeyColumn& k : def.keys) {
    if (!out.empty()) out += ", ";
    const Value& v = row[k.column];
    if (v.isNull()) {
      out += "<NULL>";
    } else if (v.kind() == Value::Kind::String) {
      out += v.asString();
    } else if (v.kind() == Value::Kind::Int) {
      out += std::to_string(v.asInt());
    } else {
      out += castValue(v, t.column(k.column).type, SqlType::nvarchar(4000)).asString();
    }
  }
  return out;
}

}  // namespace

Table::Table(std::string name, Kind kind) : name_(std::move(name)), kind_(kind), created_(localNow()) {}

Table::Table(const Table& o)
    : std::enable_shared_from_this<Table>(),
      name_(o.name_),
      kind_(o.kind_),
      id_(o.id_),
      nestLevel_(o.nestLevel_),
      created_(o.created_),
      columns_(o.columns_),
      identityColumn_(o.identityColumn_),
      identityInsert_(o.identityInsert_),
      indexes_(o.indexes_),
      storage_(o.storage_) {}

void Table::restoreFrom(Table&& s) {
  name_ = std::move(s.name_);
  kind_ = s.kind_;
  id_ = s.id_;
  nestLevel_ = s.nestLevel_;
  created_ = s.created_;
  columns_ = std::move(s.columns_);
  identityColumn_ = s.identityColumn_;
  identityInsert_ = s.identityInsert_;
  indexes_ = std::move(s.indexes_);
  storage_ = std::move(s.storage_);
}

std::string Table::storedName() const {
  if (!isTemporary()) return name_;
  std::string out = name_;
  if (out.size() < 116) out.append(116 - out.size(), '_');
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%012X", static_cast<unsigned>(id_));
  return out + suffix;
}

std::string Table::fullName(std::string_view database) const {
  if (isTemporary()) return "tempdb.dbo." + storedName();
  return std::string(database) + ".dbo." + name_;
}

// ------------------------------------------------------------------ columns

std::optional<size_t> Table::findColumn(std::string_view name) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (sameName(columns_[i].name, name)) return i;
  }
  return std::nullopt;
}

void Table::addColumn(Column c, const Value& fill) {
  dropAutoIndexes();
  if (findColumn(c.name)) throwSqlError(2705, {c.name, name_});
  if (c.identity) {
    if (identityColumn_) throwSqlError(2744, {name_});
    bool integral = (c.type.isInteger() && c.type.id != TypeId::Bit) ||
                    (c.type.id == TypeId::Decimal && c.type.scale == 0);
    if (!integral) {
      throwSqlError(2749, {c.name});
    }
    c.nullable = false;
  }
  columns_.push_back(std::move(c));
  const size_t col = columns_.size() - 1;
  storage_.rows.addColumn(fill);
  if (columns_[col].identity) {
    identityColumn_ = col;
    storage_.identityCurrent = columns_[col].identity->seed;
    storage_.identityUsed = false;
    auto order = scanOrder();
    std::vector<RowId> ids(order.begin(), order.end());
    for (RowId id : ids)
      storage_.rows.mutableRow(id)[col] = identityValue(columns_[col].type, nextIdentity());
  }
}

Value Table::storeValue(size_t i, const Value& v, const SqlType& from) const {
  return assignToColumn(v, from, columns_[i].type);
}

Value Table::implicitValue(size_t i, const DefaultEvaluator& evalDefault) {
  if (identityColumn_ == i) return identityValue(columns_[i].type, nextIdentity());
  if (columns_[i].defaultExpr) return evalDefault(*columns_[i].defaultExpr, columns_[i]);
  return Value();
}

int64_t Table::nextIdentity() {
  const Column& c = columns_[*identityColumn_];
  __int128 next = storage_.identityCurrent;
  if (storage_.identityUsed) next += c.identity->step;
  auto [lo, hi] = identityRange(c.type);
  if (next < lo || next > hi) throwSqlError(8115, {"IDENTITY", c.type.typeName()});
  storage_.identityCurrent = static_cast<int64_t>(next);
  storage_.identityUsed = true;
  return storage_.identityCurrent;
}

// ------------------------------------------------------------------ indexes

std::optional<size_t> Table::findIndex(std::string_view name) const {
  for (size_t i = 0; i < indexes_.size(); ++i) {
    if (sameName(indexes_[i].name, name)) return i;
  }
  return std::nullopt;
}

const IndexDef* Table::clusteredIndex() const {
  for (const IndexDef& d : indexes_) {
    if (d.clustered) return &d;
  }
  return nullptr;
}

const IndexDef* Table::primaryKey() const {
  for (const IndexDef& d : indexes_) {
    if (d.origin == IndexOrigin::PrimaryKey) return &d;
  }
  return nullptr;
}

void Table::addIndex(IndexDef def) {
  if (findIndex(def.name)) throwSqlError(1913, {def.name, messageName()});
  if (def.origin == IndexOrigin::PrimaryKey) {
    if (primaryKey()) throwSqlError(1779, {name_});
    for (const KeyColumn& k : def.keys) {
      if (columns_[k.column].nullable) throwSqlError(8111, {name_});
    }
  }
  if (def.clustered) {
    if (const IndexDef* c = clusteredIndex()) throwSqlError(1902, {messageName(), c->name});
  }
  KeyIndex index;
  index.reserve(storage_.liveCount);
  auto read = [this](RowId id) { return storage_.rows[id]; };
  for (RowId id : scanOrder()) {
    RowView r = storage_.rows[id];
    if (def.unique) {
      if (index.findDuplicate(def, r, read, [](RowId) { return false; })) {
        throwSqlError(1505, {messageName(), def.name, formatKeyValues(*this, def, r)});
      }
    }
    index.add(def, r, id);
  }
  if (def.clustered) {
    def.indid = 1;
  } else {
    def.indid = 2;
    for (const IndexDef& d : indexes_)
      def.indid = std::max(def.indid, d.indid + 1);
  }
  indexes_.push_back(std::move(def));
  storage_.indexes.push_back(std::move(index));
  storage_.indexStale.push_back(0);
  if (indexes_.back().clustered) storage_.sortedPrefix = 0;
}

void Table::dropIndex(size_t i) {
  bool clustered = indexes_[i].clustered;
  indexes_.erase(indexes_.begin() + static_cast<ptrdiff_t>(i));
  storage_.indexes.erase(storage_.indexes.begin() + static_cast<ptrdiff_t>(i));
  storage_.indexStale.erase(storage_.indexStale.begin() + static_cast<ptrdiff_t>(i));
  if (clustered) storage_.sortedPrefix = 0;
}

const IndexDef* Table::indexOn(std::span<const size_t> columns) const {
  const IndexDef* found = nullptr;
  for (const IndexDef& d : indexes_) {
    if (d.keys.size() != columns.size()) continue;
    bool all = std::all_of(columns.begin(), columns.end(), [&](size_t c) {
      return std::any_of(d.keys.begin(), d.keys.end(), [c](const KeyColumn& k) { return k.column == c; });
    });
    if (all && (!found || (d.unique && !found->unique))) found = &d;
  }
  return found;
}

void Table::fillIndex(KeyIndex& index, const IndexDef& def) const {
  index.clear();
  index.reserve(storage_.liveCount);
  for (RowId id = 0; id < storage_.rows.size(); ++id) {
    if (storage_.live[id]) index.add(def, storage_.rows[id], id);
  }
}

void Table::rebuildIndex(size_t i) const {
  fillIndex(storage_.indexes[i], indexes_[i]);
  storage_.indexStale[i] = 0;
}

void Table::lookup(const IndexDef& def, std::span<const Value> key, std::vector<RowId>& out) const {
  size_t i = static_cast<size_t>(&def - indexes_.data());
  if (storage_.indexStale[i]) rebuildIndex(i);
  size_t first = out.size();
  storage_.indexes[i].lookup(
      def, key, [this](RowId id) { return storage_.rows[id]; }, out);
  std::sort(out.begin() + static_cast<ptrdiff_t>(first), out.end());
}

bool Table::lookupUnindexed(std::span<const size_t> columns, std::span<const Value> key,
                            std::vector<RowId>& out) const {
  auto& cache = storage_.autoIndexes;
  auto found = std::find_if(cache.begin(), cache.end(), [&](const TableStorage::AutoIndex& a) {
    return std::equal(a.def.keys.begin(), a.def.keys.end(), columns.begin(), columns.end(),
                      [](const KeyColumn& k, size_t c) { return k.column == c; });
  });
  if (found == cache.end()) {
    TableStorage::AutoIndex a;
    for (size_t c : columns)
      a.def.keys.push_back(KeyColumn{c, false});
    cache.push_back(std::move(a));
    found = cache.end() - 1;
  }
  if (found->lookups < 2) {
    if (++found->lookups < 2) return false;
    fillIndex(found->index, found->def);
  }
  std::vector<RowId> ids;
  found->index.lookup(
      found->def, key, [this](RowId id) { return storage_.rows[id]; }, ids);
  sortInStorageOrder(ids);
  out.insert(out.end(), ids.begin(), ids.end());
  return true;
}

std::pair<size_t, size_t> Table::clusteredRange(std::span<const Value> prefix) const {
  const IndexDef* c = clusteredIndex();
  // A row's leading columns against the prefix, in storage order (NULL first,
  // a descending column reversed).
  auto compare = [&](RowId id) {
    RowView r = row(id);
    for (size_t i = 0; i < prefix.size(); ++i) {
      const KeyColumn& k = c->keys[i];
      const Value& v = r[k.column];
      int cmp = v.isNull() ? -1 : compareValues(v, prefix[i]);
      if (cmp != 0) return k.descending ? -cmp : cmp;
    }
    return 0;
  };
  std::span<const RowId> order = scanOrder();
  auto first = std::partition_point(order.begin(), order.end(), [&](RowId id) { return compare(id) < 0; });
  auto last = std::partition_point(first, order.end(), [&](RowId id) { return compare(id) <= 0; });
  return {static_cast<size_t>(first - order.begin()), static_cast<size_t>(last - order.begin())};
}

void Table::indexRow(RowView row, RowId id) {
  for (size_t i = 0; i < indexes_.size(); ++i) {
    if (!storage_.indexStale[i]) storage_.indexes[i].add(indexes_[i], row, id);
  }
}

void Table::unindexRow(RowView row, RowId id) {
  for (size_t i = 0; i < indexes_.size(); ++i) {
    // A unique index has tiny buckets, so removal is cheap; a non-unique one
    // may hold long runs of one key: an entry not found near the run's start
    // leaves it to be rebuilt before its next lookup.
    if (indexes_[i].unique) {
      storage_.indexes[i].remove(indexes_[i], row, id);
    } else if (!storage_.indexStale[i] && !storage_.indexes[i].remove(indexes_[i], row, id)) {
      storage_.indexStale[i] = 1;
    }
  }
}

bool Table::keyChanged(const IndexDef& def, RowView a, RowView b) const {
  for (const KeyColumn& k : def.keys) {
    if (!a[k.column].identical(b[k.column])) return true;
  }
  return false;
}

// ------------------------------------------------------------- storage order

int Table::compareClustered(const IndexDef* c, RowId a, RowId b) const {
  if (c) {
    RowView ra = storage_.rows[a];
    RowView rb = storage_.rows[b];
    for (const KeyColumn& k : c->keys) {
      const Value& va = ra[k.column];
      const Value& vb = rb[k.column];
      int cmp = va.isNull() ? (vb.isNull() ? 0 : -1) : (vb.isNull() ? 1 : compareValues(va, vb));
      if (cmp != 0) return k.descending ? -cmp : cmp;
    }
  }
  return a < b ? -1 : (a > b ? 1 : 0);
}

void Table::noteOrderAppend(RowId id) {
  auto& s = storage_;
  bool inOrder = s.sortedPrefix == s.order.size() &&
                 (s.order.empty() || compareClustered(clusteredIndex(), s.order.back(), id) < 0);
  s.order.push_back(id);
  if (inOrder) s.sortedPrefix = s.order.size();
}

// The common clustered keys are up to four integer columns (an IDENTITY key;
// year, period, bill, line): sort (key, id) pairs, reading each row once,
// without going through the generic comparison.
bool Table::sortByIntegerKey(const IndexDef* c, std::vector<RowId>::iterator first,
                             std::vector<RowId>::iterator last) const {
  constexpr size_t kMaxParts = 4;
  if (!c || c->keys.empty() || c->keys.size() > kMaxParts) return false;
  struct Keyed {
    std::array<int64_t, kMaxParts> key{};
    RowId id;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(static_cast<size_t>(last - first));
  for (auto it = first; it != last; ++it) {
    Keyed k{{}, *it};
    for (size_t i = 0; i < c->keys.size(); ++i) {
      const Value& v = storage_.rows[*it][c->keys[i].column];
      if (v.kind() != Value::Kind::Int) return false;
      // A descending column sorts by its complement: the order reversed, no overflow.
      k.key[i] = c->keys[i].descending ? ~v.asInt() : v.asInt();
    }
    keyed.push_back(k);
  }
  std::sort(keyed.begin(), keyed.end(),
            [](const Keyed& a, const Keyed& b) { return a.key != b.key ? a.key < b.key : a.id < b.id; });
  for (const Keyed& k : keyed)
    *first++ = k.id;
  return true;
}

// A few sorted rows [mid, end) merge into the long sorted run before them:
// each finds its place by galloping from the last one's, so the merge reads
// about few * log(run / few) rows of the run, not all of them.
template <class Less>
void Table::mergeFewInto(std::vector<RowId>::iterator mid, const Less& less) const {
  std::vector<RowId>& order = storage_.order;
  std::vector<RowId> merged;
  merged.reserve(order.size());
  auto run = order.begin();
  for (auto t = mid; t != order.end(); ++t) {
    // [run, lo) holds rows before *t; hi is the run's end or a row after it.
    auto lo = run, hi = run;
    for (ptrdiff_t step = 1; hi != mid && less(*hi, *t); step *= 2) {
      lo = hi + 1;
      hi = mid - hi > step ? hi + step : mid;
    }
    auto at = std::partition_point(lo, hi, [&](RowId r) { return less(r, *t); });
    merged.insert(merged.end(), run, at);
    merged.push_back(*t);
    run = at;
  }
  merged.insert(merged.end(), run, mid);
  order = std::move(merged);
}

void Table::repairOrder() const {
  auto& s = storage_;
  if (s.orderRebuild) {
    s.order.clear();
    s.order.reserve(s.liveCount);
    for (RowId id = 0; id < s.rows.size(); ++id) {
      if (s.live[id]) s.order.push_back(id);
    }
    s.sortedPrefix = clusteredIndex() ? 0 : s.order.size();
    s.orderRebuild = false;
    s.orderHasDead = false;
  }
  if (s.orderHasDead) {
    size_t keptPrefix = 0, out = 0;
    for (size_t i = 0; i < s.order.size(); ++i) {
      RowId id = s.order[i];
      if (!s.live[id]) continue;
      if (i < s.sortedPrefix) ++keptPrefix;
      s.order[out++] = id;
    }
    s.order.resize(out);
    s.sortedPrefix = keptPrefix;
    s.orderHasDead = false;
  }
  if (s.sortedPrefix < s.order.size()) {
    const IndexDef* c = clusteredIndex();
    auto less = [this, c](RowId a, RowId b) { return compareClustered(c, a, b) < 0; };
    auto mid = s.order.begin() + static_cast<ptrdiff_t>(s.sortedPrefix);
    if (!sortByIntegerKey(c, mid, s.order.end())) std::sort(mid, s.order.end(), less);
    if (static_cast<size_t>(s.order.end() - mid) * 4 < s.sortedPrefix) {
      mergeFewInto(mid, less);
    } else {
      std::inplace_merge(s.order.begin(), mid, s.order.end(), less);
    }
    s.sortedPrefix = s.order.size();
  }
}

void Table::sortInStorageOrder(std::vector<RowId>& ids) const {
  const IndexDef* c = clusteredIndex();
  if (!c) {
    std::sort(ids.begin(), ids.end());
  } else if (ids.size() * 16 < storage_.liveCount) {
    std::sort(ids.begin(), ids.end(), [&](RowId a, RowId b) { return compareClustered(c, a, b) < 0; });
  } else {
    // Many of the rows: pick them out of storage order.
    std::vector<uint8_t> wanted(storage_.rows.size(), 0);
    for (RowId id : ids)
      wanted[id] = 1;
    ids.clear();
    for (RowId id : scanOrder()) {
      if (wanted[id]) ids.push_back(id);
    }
  }
}

std::span<const RowId> Table::scanOrder() const {
  repairOrder();
  return storage_.order;
}

// --------------------------------------------------------------------- rows

void Table::checkNotNull(RowView row, const char* verb, const UndoLog& undo) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (!columns_[i].nullable && row[i].isNull())
      throwSqlError(515, {columns_[i].name, fullName(undo.databaseName()), verb});
  }
}

void Table::raiseDuplicate(const IndexDef& def, RowView row) const {
  std::string key = formatKeyValues(*this, def, row);
  switch (def.origin) {
    case IndexOrigin::PrimaryKey:
      throwSqlError(2627, {"PRIMARY KEY", def.name, messageName(), key});
    case IndexOrigin::UniqueConstraint:
      throwSqlError(2627, {"UNIQUE KEY", def.name, messageName(), key});
    case IndexOrigin::Index:
      break;
  }
  throwSqlError(2601, {messageName(), def.name, key});
}

RowId Table::insert(Row row, UndoLog& undo) {
  dropAutoIndexes();
  if (row.size() != columns_.size())
    throw std::logic_error("Table::insert: row width differs from the table's");
  if (isSystemView()) throwSqlError(259, {});
  undo.checkWritable(*this);
  checkNotNull(row, "INSERT", undo);
  auto id = static_cast<RowId>(storage_.rows.size());
  // Unique keys: each files the row or finds its duplicate in one probe.
  auto read = [this](RowId r) { return storage_.rows[r]; };
  for (size_t i = 0; i < indexes_.size(); ++i) {
    if (!indexes_[i].unique) continue;
    if (storage_.indexes[i].addUnique(indexes_[i], row, id, read)) {
      for (size_t j = 0; j < i; ++j) {
        if (indexes_[j].unique) storage_.indexes[j].remove(indexes_[j], row, id);
      }
      raiseDuplicate(indexes_[i], row);
    }
  }
  if (identityInsert_ && identityColumn_) {
    if (auto v = identityOf(row[*identityColumn_])) {
      int64_t step = columns_[*identityColumn_].identity->step;
      int64_t cur = storage_.identityCurrent;
      if (!storage_.identityUsed || (step > 0 ? *v > cur : *v < cur)) {
        storage_.identityCurrent = *v;
        storage_.identityUsed = true;
      }
    }
  }
  storage_.rows.push(row);
  storage_.live.push_back(1);
  ++storage_.liveCount;
  for (size_t i = 0; i < indexes_.size(); ++i) {
    if (!indexes_[i].unique && !storage_.indexStale[i])
      storage_.indexes[i].add(indexes_[i], storage_.rows[id], id);
  }
  noteOrderAppend(id);
  undo.insertedRow(*this, id);
  return id;
}

void Table::update(std::span<const RowId> ids, std::vector<Row> rows, UndoLog& undo,
                   std::span<const size_t> changed) {
  dropAutoIndexes();
  if (isSystemView()) throwSqlError(259, {});
  undo.checkWritable(*this);
  for (const Row& r : rows)
    checkNotNull(r, "UPDATE", undo);
  const IndexDef* clustered = clusteredIndex();
  // Check every unique key as it will be once all rows changed: a row whose
  // key moves away no longer blocks its old key.
  auto read = [this](RowId id) { return storage_.rows[id]; };
  for (size_t i = 0; i < indexes_.size(); ++i) {
    const IndexDef& def = indexes_[i];
    if (!def.unique) continue;
    std::vector<size_t> moved;
    for (size_t n = 0; n < ids.size(); ++n) {
      if (keyChanged(def, storage_.rows[ids[n]], rows[n])) moved.push_back(n);
    }
    if (moved.empty()) continue;
    KeyIndex fresh;  // the new keys of the moved rows, by position in `rows`
    std::vector<uint8_t> isMoved(storage_.rows.size(), 0);
    for (size_t n : moved)
      isMoved[ids[n]] = 1;
    auto readNew = [&rows](RowId n) -> const Row& { return rows[n]; };
    for (size_t n : moved) {
      const Row& r = rows[n];
      if (storage_.indexes[i].findDuplicate(def, r, read, [&](RowId id) { return isMoved[id] != 0; }) ||
          fresh.findDuplicate(def, r, readNew, [](RowId) { return false; })) {
        raiseDuplicate(def, r);
      }
      fresh.add(def, r, static_cast<RowId>(n));
    }
  }
  // Both the stored rows and the new ones are far apart in a large table:
  // fetch a few rows ahead, and visit each row once.
  constexpr size_t kAhead = 8;
  bool reorder = false;
  std::vector<std::pair<size_t, size_t>> refile;  // (row, unique index) whose key changed
  for (size_t n = 0; n < ids.size(); ++n) {
    if (n + kAhead < ids.size()) {
      storage_.rows.prefetch(ids[n + kAhead]);
      const Row& next = rows[n + kAhead];
      __builtin_prefetch(next.data());
      __builtin_prefetch(next.data() + next.size() - 1);
    }
    std::span<Value> cur = storage_.rows.mutableRow(ids[n]);
    for (size_t i = 0; i < indexes_.size(); ++i) {
      if (!keyChanged(indexes_[i], cur, rows[n])) continue;
      if (indexes_[i].unique) {
        storage_.indexes[i].remove(indexes_[i], cur, ids[n]);
        refile.emplace_back(n, i);
      } else {
        storage_.indexStale[i] = 1;
      }
      if (&indexes_[i] == clustered) reorder = true;
    }
    // rows[n] then holds the old values.
    if (changed.empty()) {
      for (size_t c = 0; c < cur.size(); ++c)
        swap(cur[c], rows[n][c]);
    } else {
      for (size_t c : changed)
        swap(cur[c], rows[n][c]);
    }
  }
  // Every old key is out of the unique indexes: file the new ones.
  for (auto [n, i] : refile)
    storage_.indexes[i].add(indexes_[i], storage_.rows[ids[n]], ids[n]);
  for (size_t n = 0; n < ids.size(); ++n)
    undo.updatedRow(*this, ids[n], std::move(rows[n]));
  if (reorder) storage_.sortedPrefix = 0;
}

void Table::erase(RowId id, UndoLog& undo) {
  if (isSystemView()) throwSqlError(259, {});
  undo.checkWritable(*this);
  undoInsert(id);
  undo.erasedRow(*this, id);
}

void Table::eraseMany(std::span<const RowId> ids, UndoLog& undo) {
  constexpr size_t kMany = 1024;
  if (!ids.empty() && ids.size() >= kMany && ids.size() * 8 >= storage_.liveCount) {
    if (isSystemView()) throwSqlError(259, {});
    for (size_t i = 0; i < indexes_.size(); ++i) {
      if (!indexes_[i].unique) storage_.indexStale[i] = 1;
    }
  }
  for (RowId id : ids)
    erase(id, undo);
}

void Table::truncate(UndoLog& undo) {
  if (isSystemView()) throwSqlError(259, {});
  TableStorage fresh;
  fresh.indexes.resize(indexes_.size());
  fresh.indexStale.resize(indexes_.size(), 0);
  if (identityColumn_) fresh.identityCurrent = columns_[*identityColumn_].identity->seed;
  std::swap(fresh, storage_);
  undo.truncated(*this, std::move(fresh));
}

void Table::undoInsert(RowId id) {
  dropAutoIndexes();
  storage_.live[id] = 0;
  --storage_.liveCount;
  unindexRow(storage_.rows[id], id);
  storage_.orderHasDead = true;
}

void Table::undoErase(RowId id) {
  dropAutoIndexes();
  storage_.live[id] = 1;
  ++storage_.liveCount;
  indexRow(storage_.rows[id], id);
  // The id may still sit in `order` as a dead entry: rebuild rather than
  // append it twice.
  storage_.orderRebuild = true;
}

void Table::undoUpdate(RowId id, Row old) {
  dropAutoIndexes();
  std::span<Value> cur = storage_.rows.mutableRow(id);
  const IndexDef* clustered = clusteredIndex();
  for (size_t i = 0; i < indexes_.size(); ++i) {
    if (!keyChanged(indexes_[i], cur, old)) continue;
    if (indexes_[i].unique) {
      storage_.indexes[i].remove(indexes_[i], cur, id);
      storage_.indexes[i].add(indexes_[i], old, id);
    } else {
      storage_.indexStale[i] = 1;
    }
    if (&indexes_[i] == clustered) storage_.sortedPrefix = 0;
  }
  std::move(old.begin(), old.end(), cur.begin());
}

void Table::maybeCompact() {
  auto& s = storage_;
  size_t dead = s.rows.size() - s.liveCount;
  if (pins_ > 0 || dead < 1024 || dead * 2 < s.liveCount) return;
  dropAutoIndexes();
  repairOrder();
  // The live rows move down in place, so compacting a table needs no second
  // copy of it.
  std::vector<RowId> newId(s.rows.size(), 0);
  RowId kept = 0;
  for (RowId id = 0; id < s.rows.size(); ++id) {
    if (!s.live[id]) continue;
    newId[id] = kept;
    if (kept != id) s.rows.moveRow(id, kept);
    ++kept;
  }
  s.rows.truncate(kept);
  s.live.assign(s.rows.size(), 1);
  for (RowId& id : s.order)
    id = newId[id];
  for (size_t i = 0; i < indexes_.size(); ++i)
    rebuildIndex(i);
}

}  // namespace mls::tsql
