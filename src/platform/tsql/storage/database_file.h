// A database file on disk, held by this process.
//
// The file is one image of the permanent tables behind a header:
//   magic "MLSDB\r\n\x1a" | u32 format version | u64 image length |
//   u64 image checksum | u64 header checksum | image
// A file whose magic, version, length or checksums do not match is refused
// whole, never half-loaded.
//
// Saving never changes the file in place: the new image goes to "<path>.tmp",
// is flushed to disk, renamed over the file and the folder is flushed, so a
// crash, kill or full disk at any moment leaves the last complete file.
//
// A process holds the file through an exclusive lock on "<path>.lock" (kept
// next to it, since the file itself is replaced at every save); a second
// process opening it fails with error 5120 until the first one closes it or
// ends.  The lock is not inherited across exec.
#pragma once

#include <optional>
#include <string>

#include "platform/tsql/catalog/table_set.h"
#include "platform/tsql/storage/database_image.h"

namespace mls::tsql::storage {

class DatabaseFile {
 public:
  // Takes the lock; raises 5120 when another process holds it or the lock
  // file cannot be made.
  explicit DatabaseFile(std::string path);
  ~DatabaseFile();  // releases the lock
  DatabaseFile(const DatabaseFile&) = delete;
  DatabaseFile& operator=(const DatabaseFile&) = delete;

  const std::string& path() const { return path_; }

  // Reads and checks the file: its tables, or nothing when the file does not
  // exist.  Raises 5172 for a file that is not a database file or of another
  // format version, 824 for a damaged one, 5120 when it cannot be read.
  std::optional<DecodedTables> load() const;
  // Replaces the file by the image of `tables` and `views`.  Raises 3202 when
  // a step fails; the file keeps its last saved state then.  Returns the file
  // size.
  uint64_t save(const TableSet& tables, const std::vector<ViewText>& views = {});

 private:
  std::string path_;
  int lockFd_ = -1;
};

}  // namespace mls::tsql::storage
