// The embedded T-SQL engine's public face: a Database (permanent tables shared
// by every session on it) and a Session per connection (its temporary tables,
// the running batch's variables, @@ROWCOUNT, @@IDENTITY, NOCOUNT, isolation).
//
//   auto db = tsql::Database::create();
//   tsql::Session s(db);
//   tsql::BatchResult r = s.execute("CREATE TABLE t (a INT) INSERT t VALUES (1) SELECT a FROM t");
//
// A batch runs statement by statement; the first error ends it and is thrown as
// tsql::SqlError after the results of the statements before it were kept in
// SqlError::partial().
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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
  std::vector<std::string> messages;  // PRINT output and informational messages
};

// An error of the engine, with SQL Server's number, severity, state, the line in
// the batch and the message text.
class SqlError : public std::runtime_error {
 public:
  SqlError(int number, int severity, int state, int line, std::string message);
  int number() const { return number_; }
  int severity() const { return severity_; }
  int state() const { return state_; }
  int line() const { return line_; }
  const std::string& message() const { return message_; }
  // Results of the statements that ran before the failing one.
  const BatchResult& partial() const { return partial_; }
  void setPartial(BatchResult r) { partial_ = std::move(r); }
  void setLine(int line) { line_ = line; }

 private:
  int number_, severity_, state_, line_;
  std::string message_;
  BatchResult partial_;
};

class Database {
 public:
  // A new, empty in-memory database.
  static std::shared_ptr<Database> create();
  ~Database();
  DatabaseImpl& impl() { return *impl_; }

 private:
  Database();
  std::unique_ptr<DatabaseImpl> impl_;
};

// A value bound to a parameter marker of a batch ("@p1"... by name).
struct BoundParameter {
  std::string name;  // with the leading '@'
  Value value;
  SqlType type;
};

class Session {
 public:
  explicit Session(std::shared_ptr<Database> db);
  ~Session();  // drops the session's temporary tables
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  BatchResult execute(std::string_view batch, const std::vector<BoundParameter>& params = {});
  SessionImpl& impl() { return *impl_; }

 private:
  std::unique_ptr<SessionImpl> impl_;
};

}  // namespace mls::tsql
