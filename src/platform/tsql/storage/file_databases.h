// The databases of this process that live in files: every open of one file
// shares one Database (a second Database on the same file would be refused by
// the file's lock), and the saving of a database's permanent tables.
//
// A database is saved when a session that committed changes to its permanent
// tables closes (Session::close), at checkpoints (Database::checkpoint, the
// CHECKPOINT batch) and when the last reference to it goes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/tsql/engine.h"

namespace mls::tsql::storage {

// The database of the file at `path`: the one this process has open already,
// or a new one from `make`, filled from the file (empty when there is none yet
// and `options` asks for creation).  Raises the errors of DatabaseFile (4060,
// 5120, 5172, 824).
std::shared_ptr<Database> openFileDatabase(const std::string& path, const Database::OpenOptions& options,
                                           const std::function<std::shared_ptr<Database>()>& make);

// Saves the permanent tables when they changed since the last save; nothing
// for an in-memory or read-only database.  Raises 3202 when the file cannot be written; the
// tables then count as unsaved still.
void checkpoint(DatabaseImpl& db);

// For ~Database: saves what is unsaved (a failure is lost with the database:
// the file keeps its last saved state) and releases the file.
void closeFileDatabase(DatabaseImpl& db) noexcept;

}  // namespace mls::tsql::storage
