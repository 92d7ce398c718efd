#include "platform/tsql/storage/file_databases.h"

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "platform/tsql/errors.h"

namespace mls::tsql::storage {

namespace {

// Idle databases kept loaded beyond those in use.
constexpr size_t kKeptIdle = 4;

struct Resident {
  std::shared_ptr<Database> db;  // kept loaded between uses
  DatabaseFile* file = nullptr;
  std::weak_ptr<Database> use;  // the handle of the running use
  bool busy = false;            // a use is starting or ending
  uint64_t lastUse = 0;
  // Loaded and in no use: it may be let go.
  bool idle() const { return db && !busy && use.expired(); }
};

struct OpenFiles {
  std::mutex mutex;
  std::condition_variable settled;
  std::map<std::string, Resident> byPath;  // absolute path -> its database
  uint64_t clock = 0;
};

void releaseAll();

// Process lifetime, never destroyed: databases released late at exit still find it.
OpenFiles& openFiles() {
  static auto* files = [] {
    std::atexit(releaseAll);
    return new OpenFiles;
  }();
  return *files;
}

// At exit: the databases kept idle are let go, checkpointing their logs, so
// that each file holds everything on its own.  Their memory goes with the
// process (they stay reachable here) rather than row by row.
void releaseAll() {
  OpenFiles& files = openFiles();
  std::lock_guard lock(files.mutex);
  for (auto& [path, resident] : files.byPath) {
    if (resident.idle()) resident.file->release();
  }
}

std::string absolutePath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::absolute(path), ec);
  return ec ? std::filesystem::absolute(path).lexically_normal().string() : p.string();
}

// Ends the use of one resident database when its last handle goes.
struct Use {
  std::shared_ptr<Database> db;
  std::string key;
  Use(std::shared_ptr<Database> d, std::string k) : db(std::move(d)), key(std::move(k)) {}
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  ~Use() {
    OpenFiles& files = openFiles();
    DatabaseFile* file = nullptr;
    {
      std::lock_guard lock(files.mutex);
      Resident& r = files.byPath[key];
      r.busy = true;
      file = r.file;
    }
    file->endUse();
    std::vector<std::shared_ptr<Database>> evicted;
    {
      std::lock_guard lock(files.mutex);
      Resident& r = files.byPath[key];
      r.busy = false;
      r.lastUse = ++files.clock;
      // The least recently used idle databases beyond the few kept are let go.
      for (;;) {
        std::vector<std::map<std::string, Resident>::iterator> idle;
        for (auto it = files.byPath.begin(); it != files.byPath.end(); ++it) {
          if (it->second.idle()) idle.push_back(it);
        }
        if (idle.size() <= kKeptIdle) break;
        auto oldest = *std::min_element(idle.begin(), idle.end(),
                                        [](auto a, auto b) { return a->second.lastUse < b->second.lastUse; });
        evicted.push_back(std::move(oldest->second.db));
        files.byPath.erase(oldest);
      }
      files.settled.notify_all();
    }
    db.reset();
    evicted.clear();  // ~Database: closeFileDatabase, outside the registry's lock
  }
};

}  // namespace

std::shared_ptr<Database> openFileDatabase(const std::string& path, const Database::OpenOptions& options,
                                           const MakeFileDatabase& make) {
  if (path.empty()) throwSqlError(4060, {path});
  std::string key = absolutePath(path);
  OpenFiles& files = openFiles();
  std::unique_lock lock(files.mutex);
  for (;;) {
    auto it = files.byPath.find(key);
    if (it == files.byPath.end()) break;
    if (std::shared_ptr<Database> db = it->second.use.lock()) return db;
    if (!it->second.busy) break;
    files.settled.wait(lock);  // a use is starting or ending
  }
  Resident& r = files.byPath[key];
  if (!r.db) std::tie(r.db, r.file) = make(key);
  r.busy = true;
  std::shared_ptr<Database> db = r.db;
  DatabaseFile* file = r.file;
  lock.unlock();
  try {
    file->beginUse(options);
  } catch (...) {
    lock.lock();
    files.byPath.erase(key);  // nothing loaded is kept
    files.settled.notify_all();
    lock.unlock();
    db.reset();
    throw;
  }
  auto use = std::make_shared<Use>(db, key);
  std::shared_ptr<Database> handle(use, db.get());
  lock.lock();
  Resident& started = files.byPath[key];
  started.busy = false;
  started.use = handle;
  files.settled.notify_all();
  return handle;
}

std::optional<DatabaseFile::Figures> figuresOf(const std::string& path) {
  OpenFiles& files = openFiles();
  std::lock_guard lock(files.mutex);
  auto it = files.byPath.find(absolutePath(path));
  if (it == files.byPath.end() || !it->second.file) return std::nullopt;
  return it->second.file->figures();
}

bool letGo(const std::string& path, bool keepLog) {
  OpenFiles& files = openFiles();
  std::shared_ptr<Database> db;
  {
    std::lock_guard lock(files.mutex);
    auto it = files.byPath.find(absolutePath(path));
    if (it == files.byPath.end() || !it->second.idle()) return false;
    if (keepLog) it->second.file->forget();
    db = std::move(it->second.db);
    files.byPath.erase(it);
  }
  return true;  // ~Database: closeFileDatabase
}

void closeFileDatabase(DatabaseFile& file) noexcept {
  file.release();
}

}  // namespace mls::tsql::storage
