// The databases of this process that live in files.  Every open of one file
// shares one Database, which the process keeps loaded after its last
// connection closes (at most a few idle ones, the least recently used let go
// first); each use of it holds the file's lock (database_file.h), so
// processes take turns on a file.
//
// What a commit changes goes to the file's write-ahead log before it is
// reported done and before another session can read it (an explicit COMMIT
// and each autocommit statement, before its locks go), and with the whole image at
// checkpoints (Database::checkpoint, the CHECKPOINT statement, a log grown
// past its share of the image, and the process letting go of the database:
// at its exit, when the last handle of every use is gone, or when it is
// evicted), so a file left by a clean exit holds everything on its own.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/tsql/engine.h"
#include "platform/tsql/storage/database_file.h"

namespace mls::tsql::storage {

// A new database and the file behind it, which the database holds.
using MakeFileDatabase =
    std::function<std::pair<std::shared_ptr<Database>, DatabaseFile*>(const std::string& path)>;

// The database of the file at `path` for a use: the one this process has in
// use already, else the one it keeps loaded (or a new one from `make`),
// brought up to date with the file.  The use ends when the last copy of the
// handle returned goes.  Raises the errors of DatabaseFile::beginUse (4060,
// 5120, 5172, 824).
std::shared_ptr<Database> openFileDatabase(const std::string& path, const Database::OpenOptions& options,
                                           const MakeFileDatabase& make);

// What this process wrote to the file at `path` since it loaded it (for
// figures); nothing when it does not keep that file loaded.
std::optional<DatabaseFile::Figures> figuresOf(const std::string& path);

// Lets go of the database this process keeps loaded from the file at `path`
// while no use holds it, as at exit: a log holding records is checkpointed
// first, or, with `keepLog`, left for the next open to replay.  False when
// the database is in use or not kept.  For tests and tools.
bool letGo(const std::string& path, bool keepLog = false);

// For ~Database: the last holder's clean close of the file.
void closeFileDatabase(DatabaseFile& file) noexcept;

}  // namespace mls::tsql::storage
