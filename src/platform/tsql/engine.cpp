#include "platform/tsql/engine.h"

#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/storage/batch_effects.h"
#include "platform/tsql/storage/file_databases.h"

namespace mls::tsql {

Database::Database() : impl_(std::make_unique<DatabaseImpl>()) {}
Database::~Database() {
  if (impl_->file()) storage::closeFileDatabase(*impl_);
}

std::shared_ptr<Database> Database::create() {
  return std::shared_ptr<Database>(new Database());
}

std::shared_ptr<Database> Database::open(const std::string& path) {
  return storage::openFileDatabase(path, [] { return std::shared_ptr<Database>(new Database()); });
}

void Database::checkpoint() {
  storage::checkpoint(*impl_);
}

Session::Session(std::shared_ptr<Database> db)
    : db_(db), impl_(std::make_unique<SessionImpl>(std::move(db))) {}

Session::~Session() {
  impl_.reset();  // takes back an open transaction first
  if (!changedPermanent_) return;
  try {
    db_->checkpoint();
  } catch (const SqlError&) {
    // The tables stay unsaved: the next checkpoint or the database's close retries.
  }
}

BatchResult Session::execute(std::string_view batch, const std::vector<BoundParameter>& params) {
  DatabaseImpl& db = db_->impl();
  if (storage::isCheckpointBatch(batch)) {
    db_->checkpoint();
    return {};
  }
  // A file database learns which sessions may change it, so that their close
  // saves it.  After a session's first such batch, each of its batches marks
  // the tables unsaved again (a checkpoint by another session may have run
  // in between) without looking at the text.
  if (db.file() && !changedPermanent_) changedPermanent_ = storage::mayChangePermanentTables(batch);
  struct MarkUnsaved {
    DatabaseImpl& db;
    bool changed;
    ~MarkUnsaved() {
      if (changed) db.unsaved() = true;
    }
  } mark{db, changedPermanent_};
  return impl_->execute(batch, params);
}

}  // namespace mls::tsql
