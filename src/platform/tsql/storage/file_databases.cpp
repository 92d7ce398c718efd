#include "platform/tsql/storage/file_databases.h"

#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/tsql/catalog/undo_log.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/storage/database_file.h"

namespace mls::tsql::storage {

namespace {

struct OpenFiles {
  std::mutex mutex;
  std::condition_variable closed;
  // Absolute path -> its database.  An expired entry belongs to a database
  // being destroyed: it is erased once the file is saved and released.
  std::map<std::string, std::weak_ptr<Database>> byPath;
};

// Process lifetime, never destroyed: databases released late at exit still find it.
OpenFiles& openFiles() {
  static auto* files = new OpenFiles;
  return *files;
}

std::string absolutePath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::absolute(path), ec);
  return ec ? std::filesystem::absolute(path).lexically_normal().string() : p.string();
}

// Saves the committed state of the permanent tables: what open transactions
// changed is taken back on copies (their commit marks the tables unsaved).
void save(DatabaseImpl& db) {
  db.unsaved() = false;
  try {
    std::vector<ViewText> views;
    for (const ViewDef* v : db.views().all())
      views.push_back({v->name, v->definition});
    CommittedView view;
    for (SessionImpl* s : db.sessions())
      s->undo().takeBackInto(view);
    if (view.empty()) {
      db.file()->save(db.permanent(), views);
      return;
    }
    TableSet committed;
    auto keep = [&](const std::shared_ptr<Table>& t) {
      auto it = view.copies.find(t.get());
      if (it == view.copies.end()) return committed.add(t);
      if (it->second) committed.add(it->second);
    };
    for (const std::shared_ptr<Table>& t : db.permanent().tables())
      keep(t);
    for (const std::shared_ptr<Table>& t : view.dropped)
      keep(t);
    db.file()->save(committed, views);
  } catch (...) {
    db.unsaved() = true;
    throw;
  }
}

}  // namespace

std::shared_ptr<Database> openFileDatabase(const std::string& path, const Database::OpenOptions& options,
                                           const std::function<std::shared_ptr<Database>()>& make) {
  if (path.empty()) throwSqlError(4060, {path});
  std::string key = absolutePath(path);
  OpenFiles& files = openFiles();
  std::unique_lock lock(files.mutex);
  for (;;) {
    auto it = files.byPath.find(key);
    if (it == files.byPath.end()) break;
    if (std::shared_ptr<Database> db = it->second.lock()) return db;
    files.closed.wait(lock);  // the last holder is saving it
  }
  auto file = std::make_shared<DatabaseFile>(key, options);
  std::optional<DecodedTables> loaded = file->load();
  std::shared_ptr<Database> db = make();
  DatabaseImpl& impl = db->impl();
  TableSet& set = impl.permanent();
  if (loaded) {
    set.reserveIdsThrough(loaded->highestId);  // new objects must not take the ids of loaded ones
    for (auto& t : loaded->tables)
      set.add(std::move(t));
    try {
      for (const ViewText& v : loaded->views)
        impl.views().addDefinition(v.definition);
    } catch (const SqlError& e) {
      throwSqlError(824, {"a view definition does not parse: " + e.message(), key});
    }
  } else {
    file->save(set);  // a new, empty database: a path that cannot be written fails here
  }
  impl.setFile(std::move(file));
  files.byPath[key] = db;
  return db;
}

void checkpoint(DatabaseImpl& db) {
  if (!db.file() || db.file()->readOnly()) return;
  std::lock_guard lock(db.mutex());
  if (db.unsaved()) save(db);
}

void closeFileDatabase(DatabaseImpl& db) noexcept {
  OpenFiles& files = openFiles();
  std::lock_guard lock(files.mutex);
  try {
    checkpoint(db);
  } catch (...) {
    // Nobody is left to tell: the file keeps its last saved state.
  }
  files.byPath.erase(db.file()->path());
  db.setFile(nullptr);
  files.closed.notify_all();
}

}  // namespace mls::tsql::storage
