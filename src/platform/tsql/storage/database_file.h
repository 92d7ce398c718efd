// A database file on disk, held by this process.
//
// The file is one image of the permanent tables behind a header:
//   magic "MLSDB\r\n\x1a" | u32 format version | u64 image length |
//   u64 image checksum | u64 header checksum | image
// A file whose magic, version, length or checksums do not match is refused
// whole, never half-loaded.
//
// Saving never changes the file in place: the new image goes to "<path>.tmp"
// (created afresh, never through an existing file or link, with the file's
// mode and owner), is flushed to disk, renamed over the file and the folder is
// flushed, so a crash, kill or full disk at any moment leaves the last
// complete file.
//
// A process holds the file through a lock on "<path>.lock" (kept next to it,
// since the file itself is replaced at every save): exclusive, or shared for a
// file opened read-only.  A second process waits for the lock up to its
// time-out, then fails with error 5120.  The lock is not inherited across exec,
// and no lock file is made for a path that holds no database.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/tsql/catalog/table_set.h"
#include "platform/tsql/engine.h"
#include "platform/tsql/storage/database_image.h"

namespace mls::tsql::storage {

class DatabaseFile {
 public:
  // Checks what lies at `path` and takes the lock.  Raises 4060 when there is
  // no file and `options` asks for no creation, 5120 for anything but a
  // regular file, a lock held past the time-out or a lock file that cannot be
  // made, 5172 for a file that is not a database file.
  DatabaseFile(std::string path, const Database::OpenOptions& options);
  ~DatabaseFile();  // releases the lock
  DatabaseFile(const DatabaseFile&) = delete;
  DatabaseFile& operator=(const DatabaseFile&) = delete;

  const std::string& path() const { return path_; }
  // The process may not write the file or its folder: nothing is ever saved.
  bool readOnly() const { return readOnly_; }

  // Reads and checks the file: its tables, or nothing when the file does not
  // exist (and creation was asked for).  Raises 4060 for a missing file
  // otherwise, 5172 for a file that is not a database file or of another
  // format version, 824 for a damaged one, 5120 when it cannot be read.
  std::optional<DecodedTables> load() const;
  // Replaces the file by the image of `tables` and `views`.  Raises 3202 when
  // a step fails; the file keeps its last saved state then.  Returns the file
  // size.
  uint64_t save(const TableSet& tables, const std::vector<ViewText>& views = {});

  // For tests: asked before each step of a save ("create", "write", "sync",
  // "rename"); a nonzero answer makes that step fail with that errno.  An
  // empty function removes the hook.
  using SaveFault = std::function<int(std::string_view step)>;
  static void setSaveFault(SaveFault fault);

 private:
  std::string path_;
  bool create_ = false;
  bool readOnly_ = false;
  int lockFd_ = -1;
};

}  // namespace mls::tsql::storage
