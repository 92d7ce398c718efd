#include "platform/tsql/catalog/index.h"

#include "platform/tsql/types/operators.h"

namespace mls::tsql {

namespace {

size_t combine(size_t seed, size_t h) {
  return seed ^ (h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

// Key equality of unique keys: NULL equals NULL.
bool sameValue(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
  return compareValues(a, b) == 0;
}

}  // namespace

size_t KeyIndex::hashKey(const IndexDef& def, const Row& row) {
  size_t h = 0;
  for (const KeyColumn& k : def.keys)
    h = combine(h, hashValue(row[k.column]));
  return h;
}

size_t KeyIndex::hashKey(std::span<const Value> key) {
  size_t h = 0;
  for (const Value& v : key)
    h = combine(h, hashValue(v));
  return h;
}

bool KeyIndex::sameKey(const IndexDef& def, const Row& a, const Row& b) {
  for (const KeyColumn& k : def.keys) {
    if (!sameValue(a[k.column], b[k.column])) return false;
  }
  return true;
}

void KeyIndex::add(const IndexDef& def, const Row& row, RowId id) {
  map_.emplace(hashKey(def, row), id);
}

void KeyIndex::remove(const IndexDef& def, const Row& row, RowId id) {
  auto [it, end] = map_.equal_range(hashKey(def, row));
  for (; it != end; ++it) {
    if (it->second == id) {
      map_.erase(it);
      return;
    }
  }
}

void KeyIndex::lookup(const IndexDef& def, std::span<const Value> key, const RowReader& read,
                      std::vector<RowId>& out) const {
  for (const Value& v : key) {
    if (v.isNull()) return;
  }
  auto [it, end] = map_.equal_range(hashKey(key));
  for (; it != end; ++it) {
    const Row& row = read(it->second);
    bool match = true;
    for (size_t i = 0; i < def.keys.size() && match; ++i) {
      const Value& v = row[def.keys[i].column];
      match = !v.isNull() && compareValues(v, key[i]) == 0;
    }
    if (match) out.push_back(it->second);
  }
}

}  // namespace mls::tsql
