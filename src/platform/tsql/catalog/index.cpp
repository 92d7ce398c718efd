#include "platform/tsql/catalog/index.h"

#include <algorithm>
#include <bit>

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
  entries_ = 0;
  reserved_ = 0;
  next_.clear();
}

void KeyIndex::reserve(size_t n) {
  reserved_ = n;
}

void KeyIndex::applyReserve(const IndexDef& def) {
  if (!def.unique) next_.reserve(reserved_);
  growFor(def.unique ? reserved_ : 0);
  reserved_ = 0;
}

void KeyIndex::growFor(size_t used) {
  if (used * 10 <= slots_.size() * 7 && !slots_.empty()) return;
  size_t slots = slots_.empty() ? 16 : slots_.size();
  while (used * 10 > slots * 7) {
    // 16, 24, 32, 48, 64, ...: a power of two grows by half, else by a third.
    slots = std::has_single_bit(slots) ? slots / 2 * 3 : slots / 3 * 4;
  }
  if (slots != slots_.size()) resize(slots);
}

void KeyIndex::resize(size_t slots) {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(slots, Slot{});
  for (const Slot& s : old) {
    if (s.id != kFree) place(s);
  }
}

void KeyIndex::place(Slot s) {
  size_t i = home(s.tag);
  while (slots_[i].id != kFree)
    i = after(i);
  slots_[i] = s;
}

size_t KeyIndex::chainSlot(uint32_t tag) const {
  size_t i = home(tag);
  while (slots_[i].id != kFree && slots_[i].tag != tag)
    i = after(i);
  return i;
}

void KeyIndex::add(const IndexDef& def, RowView row, RowId id) {
  const uint32_t tag = tagOf(hashKey(def, row));
  if (reserved_) applyReserve(def);
  ++entries_;
  if (def.unique) {
    growFor(used_ + 1);
    place({tag, id});
    ++used_;
    return;
  }
  if (id >= next_.size()) next_.resize(std::max<size_t>(id + 1, next_.size() + next_.size() / 2), kFree);
  if (slots_.empty()) growFor(1);
  size_t i = chainSlot(tag);
  if (slots_[i].id != kFree) {
    next_[id] = slots_[i].id;
    slots_[i].id = id;
    return;
  }
  next_[id] = kFree;
  if ((used_ + 1) * 10 > slots_.size() * 7) {
    growFor(used_ + 1);
    i = chainSlot(tag);
  }
  slots_[i] = Slot{tag, id};
  ++used_;
}

void KeyIndex::eraseSlot(size_t i) {
  // Close the gap: a later entry of the run moves back when its home does not
  // lie between the gap and its place.
  for (size_t j = after(i); slots_[j].id != kFree; j = after(j)) {
    if (distance(home(slots_[j].tag), j) >= distance(i, j)) {
      slots_[i] = slots_[j];
      i = j;
    }
  }
  slots_[i] = Slot{};
  --used_;
}

bool KeyIndex::remove(const IndexDef& def, RowView row, RowId id) {
  if (slots_.empty()) return def.unique;
  const uint32_t tag = tagOf(hashKey(def, row));
  if (!def.unique) {
    // The rows of one chain, newest first: an old row far down a long chain
    // is not searched for.
    const size_t i = chainSlot(tag);
    if (slots_[i].id == kFree) return false;
    RowId* link = &slots_[i].id;
    for (size_t n = 0; n < kRemoveRun && *link != kFree; ++n, link = &next_[*link]) {
      if (*link != id) continue;
      *link = next_[id];
      --entries_;
      if (slots_[i].id == kFree) eraseSlot(i);
      return true;
    }
    return false;
  }
  size_t i = home(tag);
  for (; slots_[i].id != id; i = after(i)) {
    if (slots_[i].id == kFree) return true;
  }
  eraseSlot(i);
  --entries_;
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
