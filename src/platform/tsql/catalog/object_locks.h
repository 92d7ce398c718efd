// The locks a session takes on the database's objects (tables and views, by
// name), as the catalog and the undo log ask for them: the catalog before it
// resolves a permanent name a statement reads, the undo log before it records
// the first change to a permanent table.  The session decides what a read
// takes (its isolation level) and how long each lock lasts.
#pragma once

#include <cstdint>
#include <string_view>

namespace mls::tsql {

// SQL Server's table lock modes, weakest first; a stronger mode held covers
// a weaker one asked.  Schema stability (a READ UNCOMMITTED read) conflicts
// with schema modification only; shared (a read) with exclusive and above;
// update (a read that means to change, UPDLOCK) with update and above, so
// plain reads go on beside it but a second updater waits; exclusive (a
// change) with shared and above; schema modification (DDL, TRUNCATE) with
// everything.
enum class LockMode : uint8_t { None, SchemaStability, Shared, Update, Exclusive, SchemaModification };

inline bool lockConflicts(LockMode held, LockMode asked) {
  if (held == LockMode::None || asked == LockMode::None) return false;
  if (held == LockMode::SchemaModification || asked == LockMode::SchemaModification) return true;
  if (held == LockMode::SchemaStability || asked == LockMode::SchemaStability) return false;
  if (held == LockMode::Exclusive || asked == LockMode::Exclusive) return true;
  return held == LockMode::Update && asked == LockMode::Update;
}

class ObjectLocks {
 public:
  // Before a statement reads the permanent object `name` (any case).
  virtual void reading(std::string_view name) = 0;
  // Before the first change to the permanent table `name` a statement records;
  // the lock is normally held already, taken when the statement began.
  virtual void changing(std::string_view name) = 0;

 protected:
  ~ObjectLocks() = default;
};

}  // namespace mls::tsql
