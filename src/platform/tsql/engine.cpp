#include "platform/tsql/engine.h"

#include <malloc.h>

#include <stdexcept>
#include <utility>

#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/storage/batch_effects.h"
#include "platform/tsql/storage/database_file.h"
#include "platform/tsql/storage/file_databases.h"

namespace mls::tsql {

namespace {

// A statement over a large table allocates and frees its working rows (new
// values, undo records) by the million.  The allocator's defaults hand such
// memory back to the system at each free and fault it in again for the next
// statement; keep it for reuse instead, once per process.
void keepFreedMemory() {
  static const bool once = [] {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    return true;
  }();
  (void)once;
}

}  // namespace

const BatchResult& SqlError::partial() const {
  static const BatchResult none;
  return partial_ ? *partial_ : none;
}

void SqlError::setPartial(BatchResult r) {
  partial_ = std::make_shared<const BatchResult>(std::move(r));
}

Database::Database() : impl_(std::make_unique<DatabaseImpl>()) {
  keepFreedMemory();
}
Database::~Database() {
  if (impl_->file()) storage::closeFileDatabase(*impl_);
}

std::shared_ptr<Database> Database::create() {
  return std::shared_ptr<Database>(new Database());
}

std::shared_ptr<Database> Database::open(const std::string& path, const OpenOptions& options) {
  return storage::openFileDatabase(path, options, [] { return std::shared_ptr<Database>(new Database()); });
}

void Database::checkpoint() {
  storage::checkpoint(*impl_);
}

Session::Session(std::shared_ptr<Database> db)
    : db_(db), impl_(std::make_unique<SessionImpl>(std::move(db))) {
  if (storage::DatabaseFile* file = db_->impl().file()) impl_->undo().setPermanentReadOnly(file->readOnly());
}

Session::~Session() {
  try {
    close();
  } catch (...) {
    // The tables stay unsaved: the next checkpoint or the database's close retries.
  }
}

void Session::close() {
  if (!impl_) return;
  impl_.reset();  // takes back an open transaction first
  if (std::exchange(changedPermanent_, false)) db_->checkpoint();
}

BatchResult Session::execute(std::string_view batch, const std::vector<BoundParameter>& params) {
  if (!impl_) throw std::logic_error("Session::execute: the session is closed");
  if (storage::isCheckpointBatch(batch)) {
    db_->checkpoint();
    return {};
  }
  // What the batch committed to permanent tables, even when it failed part
  // way, is unsaved: this session's close saves it.
  struct NoteChanges {
    Session& session;
    ~NoteChanges() {
      if (!session.impl_->undo().takePermanentCommitted()) return;
      session.changedPermanent_ = true;
      session.db_->impl().unsaved() = true;
    }
  } note{*this};
  return impl_->execute(batch, params);
}

}  // namespace mls::tsql
