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

size_t KeyIndex::hashKey(const IndexDef& def, RowView row) {
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

bool KeyIndex::sameKey(const IndexDef& def, RowView a, RowView b) {
  for (const KeyColumn& k : def.keys) {
    if (!sameValue(a[k.column], b[k.column])) return false;
  }
  return true;
}

void KeyIndex::clear() {
  slots_.clear();
  used_ = 0;
  reserved_ = 0;
  shift_ = 64;
  map_.clear();
}

void KeyIndex::reserve(size_t n) {
  reserved_ = n;
}

void KeyIndex::applyReserve(const IndexDef& def) {
  if (!def.unique) {
    map_.reserve(reserved_);
  } else {
    size_t slots = 16;
    while (slots * 7 < reserved_ * 10)
      slots <<= 1;
    if (slots > slots_.size()) resize(slots);
  }
  reserved_ = 0;
}

void KeyIndex::resize(size_t slots) {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(slots, Slot{});
  shift_ = 64;
  for (size_t n = slots; n > 1; n >>= 1)
    --shift_;
  for (const Slot& s : old) {
    if (s.id != kFree) place(s);
  }
}

void KeyIndex::place(Slot s) {
  const size_t mask = slots_.size() - 1;
  size_t i = home(s.tag);
  while (slots_[i].id != kFree)
    i = (i + 1) & mask;
  slots_[i] = s;
}

void KeyIndex::add(const IndexDef& def, RowView row, RowId id) {
  const size_t hash = hashKey(def, row);
  if (reserved_) applyReserve(def);
  if (!def.unique) {
    map_.emplace(hash, id);
    return;
  }
  if ((used_ + 1) * 10 > slots_.size() * 7) resize(slots_.empty() ? 16 : slots_.size() * 2);
  place({tagOf(hash), id});
  ++used_;
}

bool KeyIndex::remove(const IndexDef& def, RowView row, RowId id) {
  const size_t hash = hashKey(def, row);
  if (!def.unique) {
    // Entries of one hash lie together.
    auto it = map_.find(hash);
    for (size_t n = 0; n < kRemoveRun && it != map_.end() && it->first == hash; ++n, ++it) {
      if (it->second == id) {
        map_.erase(it);
        return true;
      }
    }
    return false;
  }
  if (slots_.empty()) return true;
  const size_t mask = slots_.size() - 1;
  size_t i = home(tagOf(hash));
  for (; slots_[i].id != id; i = (i + 1) & mask) {
    if (slots_[i].id == kFree) return true;
  }
  // Close the gap: a later entry of the run moves back when its home does not
  // lie between the gap and its place.
  for (size_t j = (i + 1) & mask; slots_[j].id != kFree; j = (j + 1) & mask) {
    if (((j - home(slots_[j].tag)) & mask) >= ((j - i) & mask)) {
      slots_[i] = slots_[j];
      i = j;
    }
  }
  slots_[i] = Slot{};
  --used_;
  return true;
}

void KeyIndex::lookup(const IndexDef& def, std::span<const Value> key, const RowReader& read,
                      std::vector<RowId>& out) const {
  for (const Value& v : key) {
    if (v.isNull()) return;
  }
  anyWithHash(def, hashKey(key), [&](RowId id) {
    RowView row = read(id);
    bool match = true;
    for (size_t i = 0; i < def.keys.size() && match; ++i) {
      const Value& v = row[def.keys[i].column];
      match = !v.isNull() && compareValues(v, key[i]) == 0;
    }
    if (match) out.push_back(id);
    return false;
  });
}

}  // namespace mls::tsql
