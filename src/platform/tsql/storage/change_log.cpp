#include "platform/tsql/storage/change_log.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "platform/tsql/errors.h"
#include "platform/tsql/storage/database_image.h"

namespace mls::tsql::storage {

namespace {

enum Op : uint8_t { kDrop = 1, kTable, kRows, kIdentity, kViews, kProcedures };

// The net effect of one commit on one table.
struct TableChanges {
  const Table* table = nullptr;
  bool created = false;    // absent before the commit
  bool rewritten = false;  // altered or truncated: written whole
  bool rowsOnly = true;    // only inserts, or only erases: each row id is touched once
  UndoLog::Kind rowKind = UndoLog::Kind::Insert;
  struct Touch {
    RowId id;
    bool liveBefore;
    const Row* before;  // an update's row before it; else the stored row is read
  };
  std::vector<Touch> touches;  // in the order of the changes
};

void writeRowsOf(const TableChanges& c, ByteWriter& out) {
  const Table& t = *c.table;
  std::span<const TableChanges::Touch> first = c.touches;
  std::vector<TableChanges::Touch> once;
  if (!c.rowsOnly) {
    // The first touch of each row says how it stood before the commit.
    once = c.touches;
    std::stable_sort(once.begin(), once.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    once.erase(
        std::unique(once.begin(), once.end(), [](const auto& a, const auto& b) { return a.id == b.id; }),
        once.end());
    first = once;
  }
  std::vector<const TableChanges::Touch*> erased, updated, inserted;
  for (const TableChanges::Touch& x : first) {
    bool liveAfter = t.isLive(x.id);
    if (x.liveBefore && !liveAfter) erased.push_back(&x);
    if (x.liveBefore && liveAfter) updated.push_back(&x);
    if (!x.liveBefore && liveAfter) inserted.push_back(&x);
  }
  if (erased.empty() && updated.empty() && inserted.empty()) return;
  auto before = [&t](const TableChanges::Touch* x) { return x->before ? RowView(*x->before) : t.row(x->id); };
  out.u8(kRows);
  out.u32(static_cast<uint32_t>(t.id()));
  out.varint(erased.size());
  for (const auto* x : erased)
    encodeRow(before(x), out);
  out.varint(updated.size());
  for (const auto* x : updated) {
    encodeRow(before(x), out);
    encodeRow(t.row(x->id), out);
  }
  out.varint(inserted.size());
  for (const auto* x : inserted)
    encodeRow(t.row(x->id), out);
}

}  // namespace

void ChangeRecorder::committed(const UndoLog& log) noexcept {
  if (&log == std::exchange(recorded_, nullptr)) return;
  if (broken_) return;
  try {
    std::vector<TableChanges> changes;
    std::unordered_map<const Table*, size_t> byTable;
    log.forEachPermanentChange([&](const UndoLog::Change& change) {
      auto [it, added] = byTable.try_emplace(change.table, changes.size());
      if (added) {
        changes.emplace_back();
        changes.back().table = change.table;
        changes.back().rowKind = change.kind;
      }
      TableChanges& c = changes[it->second];
      using K = UndoLog::Kind;
      switch (change.kind) {
        case K::Create:
          c.created = true;
          return;
        case K::Alter:
        case K::Truncate:
          c.rewritten = true;
          return;
        case K::Drop:
        case K::Reseed:
        case K::CreateView:  // views and procedures are written whole, as they stand committed
        case K::DropView:
        case K::Procedure:
          return;
        case K::Insert:
        case K::Erase:
        case K::Update:
          break;
      }
      if (change.kind != c.rowKind || change.kind == K::Update) c.rowsOnly = false;
      c.rowKind = change.kind;
      for (size_t k = 0; k < change.ids.size(); ++k) {
        c.touches.push_back({change.ids[k], change.kind != K::Insert,
                             change.kind == K::Update ? &change.before[k] : nullptr});
      }
    });
    for (const TableChanges& c : changes) {
      if (db_.changedElsewhere(*c.table, log)) {
        broken_ = true;  // the next write checkpoints what is committed
        return;
      }
    }
    ByteWriter& out = pending_;
    const TableSet& set = db_.tables();
    auto present = [&set](const Table* t) { return set.findById(t->id()).get() == t; };
    for (const TableChanges& c : changes) {
      if (!present(c.table) && !c.created) {
        out.u8(kDrop);
        out.u32(static_cast<uint32_t>(c.table->id()));
      }
    }
    for (const TableChanges& c : changes) {
      if (!present(c.table)) continue;
      if (c.created || c.rewritten) {
        out.u8(kTable);
        encodeTable(*c.table, out);
      } else {
        writeRowsOf(c, out);
      }
    }
  } catch (...) {
    broken_ = true;  // a table that cannot be stored, or no memory: the next write checkpoints
  }
}

ChangeRecorder::Next ChangeRecorder::next() {
  Next n;
  n.payload = pending_.bytes();
  ByteWriter out;
  for (const auto& t : db_.tables().tables()) {
    if (!t->identityColumn()) continue;
    auto state = t->identityState();
    n.identities[t->id()] = state;
    auto it = identities_.find(t->id());
    if (it != identities_.end() && it->second == state) continue;
    out.u8(kIdentity);
    out.u32(static_cast<uint32_t>(t->id()));
    out.svarint(state.first);
    out.u8(state.second ? 1 : 0);
  }
  n.views = db_.views(recorded_);
  n.procedures = db_.procedures(recorded_);
  auto same = [](const std::vector<ViewText>& a, const std::vector<ViewText>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ViewText& x, const ViewText& y) {
      return x.name == y.name && x.definition == y.definition;
    });
  };
  if (!same(n.views, views_)) {
    out.u8(kViews);
    encodeTexts(n.views, out);
  }
  if (!same(n.procedures, procedures_)) {
    out.u8(kProcedures);
    encodeTexts(n.procedures, out);
  }
  n.payload.insert(n.payload.end(), out.bytes().begin(), out.bytes().end());
  return n;
}

void ChangeRecorder::written(Next&& n) {
  pending_.bytes().clear();
  identities_ = std::move(n.identities);
  views_ = std::move(n.views);
  procedures_ = std::move(n.procedures);
}

void ChangeRecorder::restart() {
  pending_.bytes().clear();
  broken_ = false;
  Next n = next();
  written(std::move(n));
}

namespace {

// Finds rows of one table by their values while a record is replayed.
class RowFinder {
 public:
  explicit RowFinder(Table& t) : t_(t) {
    for (const IndexDef& d : t.indexes()) {
      if (d.unique) {
        key_ = &d;
        break;
      }
    }
  }

  RowId find(const Row& values) {
    std::string bytes = bytesOf(values);
    if (key_) {
      std::vector<Value> key;
      for (const KeyColumn& k : key_->keys)
        key.push_back(values[k.column]);
      if (std::none_of(key.begin(), key.end(), [](const Value& v) { return v.isNull(); })) {
        std::vector<RowId> ids;
        t_.lookup(*key_, key, ids);
        for (RowId id : ids) {
          if (t_.isLive(id) && bytesOf(t_.row(id)) == bytes) return id;
        }
        throw FormatError("a row the log names is missing from table '" + t_.name() + "'");
      }
    }
    if (!built_) {
      for (RowId id : t_.scanOrder())
        byValues_.emplace(bytesOf(t_.row(id)), id);
      built_ = true;
    }
    auto [first, last] = byValues_.equal_range(bytes);
    RowId best = 0;
    bool found = false;
    for (auto it = first; it != last; ++it) {
      if (!found || it->second < best) best = it->second;
      found = true;
    }
    if (!found) throw FormatError("a row the log names is missing from table '" + t_.name() + "'");
    return best;
  }

  void removed(RowId id, const std::string& bytes) {
    if (!built_) return;
    auto [first, last] = byValues_.equal_range(bytes);
    for (auto it = first; it != last; ++it) {
      if (it->second == id) {
        byValues_.erase(it);
        return;
      }
    }
  }
  void added(RowId id) {
    if (built_) byValues_.emplace(bytesOf(t_.row(id)), id);
  }

  static std::string bytesOf(RowView row) {
    ByteWriter w;
    encodeRow(row, w);
    return std::string(w.bytes().begin(), w.bytes().end());
  }

 private:
  Table& t_;
  const IndexDef* key_ = nullptr;
  std::unordered_multimap<std::string, RowId> byValues_;
  bool built_ = false;
};

void replayRows(Table& t, RowFinder& finder, ByteReader& in, UndoLog& undo) {
  RowDecoder decode(t);
  for (size_t n = in.count(in.remaining()); n > 0; --n) {
    Row row = decode(in);
    RowId id = finder.find(row);
    t.erase(id, undo);
    finder.removed(id, RowFinder::bytesOf(row));
  }
  std::vector<RowId> ids;
  std::vector<Row> after;
  for (size_t n = in.count(in.remaining()); n > 0; --n) {
    Row row = decode(in);
    RowId id = finder.find(row);  // rows found once leave the finder: each is found once
    ids.push_back(id);
    finder.removed(id, RowFinder::bytesOf(row));
    after.push_back(decode(in));
  }
  if (!ids.empty()) t.update(ids, std::move(after), undo);
  for (RowId id : ids)
    finder.added(id);
  for (size_t n = in.count(in.remaining()); n > 0; --n)
    finder.added(t.insert(decode(in), undo));
}

}  // namespace

void replayRecord(std::span<const uint8_t> payload, HeldDatabase& db) {
  ByteReader in(payload);
  TableSet& set = db.tables();
  UndoLog undo;
  std::map<int32_t, RowFinder> finders;
  auto tableOf = [&set](ByteReader& r) {
    auto id = static_cast<int32_t>(r.u32());
    std::shared_ptr<Table> t = set.findById(id);
    if (!t) throw FormatError("the log names a table the database does not hold");
    return t;
  };
  try {
    while (!in.atEnd()) {
      switch (in.u8()) {
        case kDrop: {
          std::shared_ptr<Table> t = tableOf(in);
          finders.erase(t->id());
          set.remove(*t);
          break;
        }
        case kTable: {
          std::vector<int32_t> ids;
          std::shared_ptr<Table> t = decodeTable(in, ids);
          finders.erase(t->id());
          for (int32_t id : ids) {
            if (id <= 0 || id == INT32_MAX) throw FormatError("an object id is out of range");
            set.reserveIdsThrough(id);
          }
          set.replace(std::move(t));
          break;
        }
        case kRows: {
          std::shared_ptr<Table> t = tableOf(in);
          RowFinder& finder = finders.try_emplace(t->id(), *t).first->second;
          replayRows(*t, finder, in, undo);
          break;
        }
        case kIdentity: {
          std::shared_ptr<Table> t = tableOf(in);
          int64_t current = in.svarint();
          t->setIdentityState(current, in.u8() != 0);
          break;
        }
        case kViews:
          db.setViews(decodeTexts(in));
          break;
        case kProcedures:
          db.setProcedures(decodeTexts(in));
          break;
        default:
          throw FormatError("a log record holds an unknown operation");
      }
    }
  } catch (const SqlError& e) {
    undo.commit();
    throw FormatError("a log record does not fit the database: " + e.message());
  }
  undo.commit();
}

}  // namespace mls::tsql::storage
