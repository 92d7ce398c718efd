// The implementation behind Database and Session: the permanent tables under
// the database's lock, and a session's temporary tables, global values, undo
// log and the running batch's variables.
#pragma once

#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/engine.h"
#include "platform/tsql/exec/runtime.h"

namespace mls::tsql {

class DatabaseImpl {
 public:
  std::recursive_mutex& mutex() { return mutex_; }
  TableSet& permanent() { return permanent_; }

 private:
  std::recursive_mutex mutex_;  // one statement at a time
  TableSet permanent_;
};

class SessionImpl {
 public:
  explicit SessionImpl(std::shared_ptr<Database> db);
  ~SessionImpl();

  BatchResult execute(std::string_view text, const std::vector<BoundParameter>& params);

  Catalog catalog() { return Catalog(db_->impl().permanent(), temporary_); }
  TableSet& temporaryTables() { return temporary_; }
  GlobalState& globals() { return globals_; }
  UndoLog& undo() { return undo_; }
  DatabaseImpl& database() { return db_->impl(); }
  // The running batch's variables (null between batches).
  Frame* frame() { return frame_; }
  void setFrame(Frame* f) { frame_ = f; }
  // The frame slot of parameter marker `index` (1-based): the index-th bound parameter.
  int parameterSlot(int index) const;
  void setParameterSlots(std::vector<int> slots) { parameterSlots_ = std::move(slots); }

 private:
  std::shared_ptr<Database> db_;
  TableSet temporary_;
  GlobalState globals_;
  UndoLog undo_;
  Frame* frame_ = nullptr;
  std::vector<int> parameterSlots_;
};

}  // namespace mls::tsql
