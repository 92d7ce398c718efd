#include "platform/tsql/engine.h"

#include <algorithm>
#include <filesystem>

#include <stdexcept>
#include <utility>

#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/storage/database_file.h"
#include "platform/tsql/storage/file_databases.h"

namespace mls::tsql {

namespace {

// What a file database's storage asks of the database: its tables, views and procedures,
// and what the open transactions of its sessions changed.
class HeldTables : public storage::HeldDatabase {
 public:
  explicit HeldTables(DatabaseImpl& db) : db_(db) {}
  TableSet& tables() override { return db_.permanent(); }
  std::vector<ViewText> views(const UndoLog* committing) override {
    return committed(db_.views().all(), committing, &UndoLog::takeBackViewsInto);
  }
  void setViews(const std::vector<ViewText>& views) override {
    db_.views().clear();
    for (const ViewText& v : views)
      db_.views().addDefinition(v.definition);
  }
  std::vector<ProcedureText> procedures(const UndoLog* committing) override {
    return committed(db_.procedures().all(), committing, &UndoLog::takeBackProceduresInto);
  }
  void setProcedures(const std::vector<ProcedureText>& procedures) override {
    db_.procedures().clear();
    for (const ProcedureText& p : procedures)
      db_.procedures().addDefinition(p.definition);
  }
  CommittedView openChanges(const UndoLog* committing) override {
    CommittedView view;
    for (SessionImpl* s : db_.sessions()) {
      if (&s->undo() != committing) s->undo().takeBackInto(view);
    }
    return view;
  }
  bool changedElsewhere(const Table& t, const UndoLog& committing) override {
    return std::any_of(db_.sessions().begin(), db_.sessions().end(),
                       [&](SessionImpl* s) { return &s->undo() != &committing && s->undo().touches(t); });
  }

 private:
  // The texts of `defs` as committed: what the other sessions' open
  // transactions changed is taken back (`committing`'s counts as committed).
  template <class Defs>
  std::vector<ViewText> committed(const Defs& defs, const UndoLog* committing,
                                  void (UndoLog::*takeBack)(std::vector<ViewText>&) const) {
    std::vector<ViewText> out;
    for (const auto& d : defs)
      out.push_back({d->name, d->definition});
    for (SessionImpl* s : db_.sessions()) {
      if (&s->undo() != committing) (s->undo().*takeBack)(out);
    }
    return out;
  }

  DatabaseImpl& db_;
};

}  // namespace

const BatchResult& SqlError::partial() const {
  static const BatchResult none;
  return partial_ ? *partial_ : none;
}

void SqlError::setPartial(BatchResult r) {
  partial_ = std::make_shared<const BatchResult>(std::move(r));
}

Database::Database() : impl_(std::make_unique<DatabaseImpl>()) {}
Database::~Database() {
  if (storage::DatabaseFile* file = impl_->file()) storage::closeFileDatabase(*file);
}

std::shared_ptr<Database> Database::create(std::string_view name) {
  std::shared_ptr<Database> db(new Database());
  db->impl().setName(std::string(name));
  return db;
}

const std::string& Database::name() const {
  return impl_->name();
}

std::shared_ptr<Database> Database::open(const std::string& path, const OpenOptions& options) {
  return storage::openFileDatabase(path, options, [](const std::string& key) {
    std::shared_ptr<Database> db(new Database());
    db->impl().setName(std::filesystem::path(key).stem().string());
    auto file = std::make_shared<storage::DatabaseFile>(key, std::make_unique<HeldTables>(db->impl()));
    storage::DatabaseFile* held = file.get();
    db->impl().setFile(std::move(file));
    return std::make_pair(std::move(db), held);
  });
}

void Database::flush() {
  storage::DatabaseFile* file = impl_->file();
  if (!file || !impl_->unsaved()) return;
  std::lock_guard lock(impl_->mutex());
  impl_->unsaved() = false;
  try {
    file->flush();
  } catch (...) {
    impl_->unsaved() = true;
    throw;
  }
}

std::vector<SqlMessage> Database::takeMessages() {
  storage::DatabaseFile* file = impl_->file();
  return file ? file->takeMessages() : std::vector<SqlMessage>{};
}

void Database::checkpoint() {
  storage::DatabaseFile* file = impl_->file();
  if (!file) return;
  std::lock_guard lock(impl_->mutex());
  file->checkpoint();
  impl_->unsaved() = false;
}

Session::Session(std::shared_ptr<Database> db, std::string_view databaseName)
    : db_(db), impl_(std::make_unique<SessionImpl>(std::move(db), databaseName)) {
  if (storage::DatabaseFile* file = db_->impl().file()) {
    impl_->undo().setPermanentReadOnly(file->readOnly());
    impl_->undo().setCommitSink(file->commitSink());
  }
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
  db_->flush();   // what was committed goes to the log before the close returns
}

BatchResult Session::execute(std::string_view batch, const std::vector<BoundParameter>& params) {
  if (!impl_) throw std::logic_error("Session::execute: the session is closed");
  BatchResult out;
  std::optional<SqlError> failed;
  try {
    out = impl_->execute(batch, params);
  } catch (const SqlError& e) {
    failed = e;
  }
  // Every commit of the batch is on disk already (each written before its
  // locks went); what is left is a checkpoint once the log has grown past its
  // share, whose failure loses nothing.  A write that fails joins the batch's
  // errors.
  try {
    db_->flush();
  } catch (const SqlError& unsaved) {
    if (!failed) {
      failed = unsaved;
      out.errors.push_back(unsaved.toMessage());
      failed->setPartial(std::move(out));
    } else {
      BatchResult partial = failed->partial();
      partial.errors.push_back(unsaved.toMessage());
      failed->setPartial(std::move(partial));
    }
  }
  if (failed) throw *failed;
  return out;
}

}  // namespace mls::tsql
