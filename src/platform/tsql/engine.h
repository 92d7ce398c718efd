// The embedded T-SQL engine's public face: a Database (permanent tables shared
// by every session on it) and a Session per connection (its temporary tables,
// the running batch's variables, @@ROWCOUNT, @@IDENTITY, NOCOUNT, isolation).
//
//   auto db = tsql::Database::create();
//   tsql::Session s(db);
//   tsql::BatchResult r = s.execute("CREATE TABLE t (a INT) INSERT t VALUES (1) SELECT a FROM t");
//
// A batch runs statement by statement, with SQL Server's error model: most
// run-time errors (duplicate keys, NULL into NOT NULL, truncation, divide by
// zero, RAISERROR...) end only their statement, which is taken back, and the
// batch goes on with @@ERROR set; conversion failures, errors of binding
// (invalid names, types that do not fit) and every error under SET XACT_ABORT
// ON end the batch.  When the batch had an error, execute() throws the first
// as tsql::SqlError once the batch ended; SqlError::partial() holds the
// results of every statement that ran and the list of all the errors.
// Nothing but a SqlError leaves execute(): an unexpected failure inside the
// engine becomes the internal error kInternalError, its statement taken back.
//
// Sessions may run on threads of their own: they lock the tables and views
// they use as SQL Server does at their isolation level, a statement waiting
// for another's lock lets the others go on, and a wait ends in a lock
// time-out (1222) or as a deadlock victim (1205) as docs/architecture.md says.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/value.h"

namespace mls::tsql {

class DatabaseImpl;
class SessionImpl;

// A column of a rowset.
struct ColumnInfo {
  std::string name;  // "" for an unnamed expression
  SqlType type;      // type id, precision, scale, length
  bool nullable = true;
};

struct Rowset {
  std::vector<ColumnInfo> columns;
  std::vector<std::vector<Value>> rows;
};

// One result of a batch, in order: a rowset, or the count of rows a statement
// affected (absent under SET NOCOUNT ON).
struct ResultItem {
  enum class Kind { Rowset, RowCount } kind = Kind::RowCount;
  Rowset rowset;
  int64_t rowCount = 0;
};

struct BatchResult {
  std::vector<ResultItem> items;
  std::vector<std::string> messages;  // PRINT output and informational messages' texts, in order
  std::vector<SqlMessage> notices;    // the informational messages with a number, in order
  std::vector<SqlMessage> errors;     // every error of the batch, in order (see SqlError)
};

// A value bound to a parameter marker of a batch ("@p1"... by name).
struct BoundParameter {
  std::string name;  // with the leading '@'
  Value value;
  SqlType type;
};

class Database {
 public:
  // A new, empty in-memory database named `name` (by default master, where a
  // login that names no database starts on SQL Server).
  static std::shared_ptr<Database> create(std::string_view name = "master");
  // How a database file is opened.
  struct OpenOptions {
    // Make a new, empty database when there is no file at the path; else a
    // missing file is error 4060.
    bool create = false;
    // How long to wait while another process holds the file before failing
    // with 5120 (0: fail at once).
    int timeoutSeconds = 15;
    // Called once when the open starts to wait for another process, so that
    // a tool can say why it seems to hang.
    std::function<void()> waiting = nullptr;
  };
  // The database that lives in the file at `path`.  Opening a file this
  // process has open already returns the same Database.  Raises SqlError 4060
  // when there is no file (and no creation was asked for), 5120 when another
  // process holds the file past the time-out, it is not a regular file or it
  // cannot be read, 5172 when it is not a database file, 824 when it is
  // damaged.  A file the process may not write opens read-only: a change to
  // a permanent table then fails with 3906.
  //
  // What a commit changed is in the file's write-ahead log, flushed, before
  // it is reported done and before another session can read it: an explicit
  // COMMIT and each autocommit statement before the next statement runs (or
  // it fails with 3202, its changes taken back, never saved later; reads go
  // on while writes fail).  checkpoint() writes the
  // whole image, replacing the file atomically, and empties the log.  A crash
  // or kill leaves every change reported done.  The process keeps the
  // database loaded after the last reference goes, and takes the file's lock
  // again (bringing the database up to date with the file) at the next open;
  // its clean exit checkpoints a log that holds records.
  static std::shared_ptr<Database> open(const std::string& path, const OpenOptions& options);
  static std::shared_ptr<Database> open(const std::string& path) { return open(path, OpenOptions{}); }
  ~Database();
  // The database's own name: the one it was created with; a file's, the
  // file's name without its extension ("/data/erp.mlsdb": "erp").
  const std::string& name() const;
  DatabaseImpl& impl() { return *impl_; }

  // The informational messages of opening the file (error 3408: a damaged
  // tail of its log, or a log that is not the file's, kept aside), each
  // given once; none in memory.
  std::vector<SqlMessage> takeMessages();

  // Writes what was committed since the last write to the file's log, and
  // flushes it, checkpointing once the log has outgrown its share; nothing for
  // an in-memory database (every commit was written as it was made).  Raises
  // SqlError 3202 when the log cannot be written.
  void flush();
  // Writes the whole committed image to the file and empties its log (also
  // the statement CHECKPOINT); nothing for an in-memory database.  Raises
  // SqlError 3202 when the file cannot be written: it keeps its last state.
  void checkpoint();

 private:
  Database();
  std::unique_ptr<DatabaseImpl> impl_;
};

class Session {
 public:
  // `databaseName`: the name the connection gives its database (an ADO
  // connection's Initial Catalog), which DB_NAME() answers and messages use;
  // empty: the database's own name.  A three-part name whose database part is
  // neither this name nor tempdb is 208, a four-part name (a server) 7202,
  // before any of its batch runs.
  explicit Session(std::shared_ptr<Database> db, std::string_view databaseName = {});
  // Takes back an open transaction, drops the session's temporary tables and
  // writes what is still unwritten (Database::flush; each batch wrote its
  // commits already), raising 3202 when that fails.
  // execute() after close() is a programming error (std::logic_error).
  void close();
  // close() for a session not closed yet; a failed write cannot be reported
  // here: the next write or the end of the database's use retries it.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  BatchResult execute(std::string_view batch, const std::vector<BoundParameter>& params = {});
  SessionImpl& impl() { return *impl_; }

 private:
  std::shared_ptr<Database> db_;
  std::unique_ptr<SessionImpl> impl_;
};

}  // namespace mls::tsql
