// A database file on disk, and the database this process keeps loaded from it.
//
// The file is one image of the permanent tables, views and procedures behind
// a header:
//   magic "MLSDB\r\n\x1a" | u32 format version (4) | u64 image length |
//   u64 image checksum | u64 change counter | u64 identity |
//   u64 header checksum | image
// The identity is a random number drawn when the file is made and kept by
// every checkpoint; the file's log repeats it.  (A version 1 file has no
// change counter, and reads as counter 0; versions 1 to 3 have no identity
// and take one at their first write, which checkpoints; versions 1 and 2
// hold no procedures.)  A file whose magic, version, length or checksums do
// not match is refused whole, never half-loaded.
//
// Commits go to the write-ahead log "<path>-wal" (write_ahead_log.h): one
// record per write, appended and flushed before the commit is reported done
// or read by another session (harden(): an explicit COMMIT, each autocommit
// statement; one that fails is taken back).  Opening keeps a damaged tail of the log aside (the records
// before it are the log) and says so once (takeMessages()).  A checkpoint writes the whole image and empties
// the log: the new image goes to "<path>.tmp" (created afresh, never through an existing file or link, with
// the file's mode and owner), is flushed, renamed over the file with its change counter one higher and the
// folder is flushed; then the log starts over for that counter.  Only a log of the image's identity,
// counter and checksum (a mark of it, in logs that have one) is replayed.  One of the same identity and a
// lower counter was already checkpointed and is ignored, so a crash, kill or full disk at any moment leaves
// the last complete state with every record that was flushed.  Any other log (another file's, or one of a
// later state than the image: an image restored alone from an older copy) is never replayed and never
// destroyed: opening keeps it aside whole, as a damaged tail, says so once and opens what the image holds.  A
// log of an earlier format names no file: beside an image of an earlier format the counters alone decide;
// beside one of this format it is ignored when of a lower counter, else kept aside.  What cannot be kept
// aside (a full disk) stays in the log, said so, and is kept aside by the next write before it writes.
//
// The process keeps the database loaded between uses (a use: from the first
// connection's open to the last one's close).  A use takes the lock on
// "<path>.lock" (kept next to it, since the file itself is replaced at every
// checkpoint): exclusive, or shared for a file opened read-only; a second
// process waits for the lock up to its time-out, then fails with error 5120.
// At its start the use compares the file and the log with what this process
// left: unchanged, the database is used as it is; a longer log is replayed
// from where this process stopped; else (another process checkpointed) the
// database is loaded again.  The lock is not inherited across exec, and no
// lock file is made for a path that holds no database.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/catalog/table_set.h"
#include "platform/tsql/engine.h"
#include "platform/tsql/storage/change_log.h"
#include "platform/tsql/storage/database_image.h"
#include "platform/tsql/storage/write_ahead_log.h"

namespace mls::tsql::storage {

class DatabaseFile {
 public:
  // The file at `path` (absolute) behind the database `db`; nothing is read
  // or locked before beginUse().
  DatabaseFile(std::string path, std::unique_ptr<HeldDatabase> db);
  ~DatabaseFile();
  DatabaseFile(const DatabaseFile&) = delete;
  DatabaseFile& operator=(const DatabaseFile&) = delete;

  const std::string& path() const { return path_; }
  // The process may not write the file or its folder: nothing is ever saved.
  bool readOnly() const { return readOnly_; }
  // What the sessions' undo logs tell of their commits.
  CommitSink* commitSink() { return &recorder_; }

  // Starts a use: checks what lies at the path and takes the lock, then
  // brings the database up to date with the file and its log.  Raises 4060
  // when there is no file and `options` asks for no creation, 5120 for
  // anything but a regular file (the log too), a lock held past the time-out
  // or a file that cannot be read, 5172 for a file that is not a database
  // file or of another format version, 824 for a damaged image or a damaged
  // sealed log record.  A damaged tail of the log, or a log that is not the
  // image's, that cannot be kept aside (a full disk) is left as it is: the
  // database opens without it, and writes fail with 3202 until it can be
  // kept aside (3202 at once for a file being made).  A failed start leaves
  // nothing loaded.
  void beginUse(const Database::OpenOptions& options);
  // Ends a use: writes what is still unwritten and releases the lock.  What
  // cannot be written is lost: the next use loads the file as it is.
  void endUse() noexcept;
  // For the last holder's clean close (the process lets go of the database):
  // checkpoints a log that holds records when the file is free and as this
  // process left it.  Never raises.
  void release() noexcept;
  // Makes release() leave the log as it is (for tests: the next open replays it).
  void forget() { loaded_ = false; }

  // Appends what was committed since the last write to the log and flushes
  // it; checkpoints when the log has outgrown its share of the image.
  // Raises 3202 when the log cannot be written (what failed stays unwritten
  // for the next write).  Nothing for a read-only file.
  void flush();
  // Before `log` (a transaction's undo log, its changes made) lets go of its
  // entries: writes its commit, with whatever else is unwritten, to the log
  // and flushes it, or checkpoints with it counted as committed when only a
  // checkpoint can hold it.  Raises 3202 with the commit left out of what is
  // unwritten and of the file: the caller takes the transaction back.
  void harden(const UndoLog& log);
  // The informational messages of the uses started so far (a log's damaged
  // tail, or a log that is not the image's, kept aside), each given once.
  std::vector<SqlMessage> takeMessages();
  // Writes the committed image (`committing`'s changes counted in) and
  // empties the log.  Raises 3202 when a step up to the image's rename fails;
  // the file keeps its last state then.  A log that cannot be started over
  // after it is started by the next write.
  void checkpoint(const UndoLog* committing = nullptr);

  // What this process wrote since it loaded the file (for figures and tests).
  struct Figures {
    uint64_t records = 0;
    uint64_t recordBytes = 0;
    uint64_t checkpoints = 0;
    uint64_t checkpointBytes = 0;
    uint64_t flushes = 0;  // fsync and fdatasync calls
  };
  const Figures& figures() const { return figures_; }

  // When a write checkpoints: once the log is longer than `share` of the
  // image and `atLeast` bytes (by default, once it outgrows the image: a
  // checkpoint then writes no more bytes than the log took).
  struct CheckpointRule {
    double share = 1.0;
    uint64_t atLeast = uint64_t{1} << 20;
  };
  static void setCheckpointRule(CheckpointRule rule);

  // For tests: asked before each step of a write ("create", "write", "sync",
  // "rename" of a checkpoint's image, "log-create", "log-write", "log-sync",
  // "log-rename" of a new log, "folder-sync" after a rename, "append",
  // "append-sync" of a record, "keep-tail", "keep-tail-sync", "cut-tail",
  // "cut-tail-sync" of a damaged tail of the log kept aside and cut off); a
  // nonzero answer makes that step fail with that errno.  An empty function
  // removes the hook.
  using SaveFault = std::function<int(std::string_view step)>;
  static void setSaveFault(SaveFault fault);

 private:
  // Which state of the file the loaded database is.
  struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtime = 0;
    bool operator==(const Stamp&) const = default;
  };
  static Stamp stampOf(const struct stat& st);

  void refresh();
  void load();
  void replayFrom(uint64_t offset);
  void append();
  uint64_t saveImage(const TableSet& tables, const std::vector<ViewText>& views,
                     const std::vector<ProcedureText>& procedures, uint64_t counter, uint64_t fileId);
  // How the open log stands to the image loaded: none; its own (replayed);
  // of an earlier image of the file (a checkpoint holds it: ignored);
  // of a later state of the file, or not this file's (kept aside).
  enum class LogFit { None, Own, Earlier, Later, Foreign };
  LogFit logFit() const;
  // Keeps the log's damaged tail, or the whole log, aside (left in place for
  // a read-only file) and says so: "<what> are kept in '<file>'".  With
  // `orLater`, bytes that cannot be kept aside now (a full disk) stay in the
  // log, said so, and each write first keeps them aside or fails
  // (keepUnkept()); the database reads what the image and the log before
  // them hold.
  void keepAside(bool wholeLog, const std::string& what, bool orLater = true);
  // Keeps aside what keepAside() left in the log; raises 3202.
  void keepUnkept();
  // Keeps the whole log aside, saying why (`fit`: Later or Foreign), as keepAside().
  void keepLogAside(LogFit fit, bool orLater = true);
  // Whether a commit may be appended to the log: the image names its file and
  // the log (when there is one of this image) is of this format; else only a
  // checkpoint holds it.
  bool logTakesRecords() const;
  void releaseLock() noexcept;
  bool dueForCheckpoint() const;

  std::string path_;
  std::unique_ptr<HeldDatabase> db_;
  ChangeRecorder recorder_;
  WriteAheadLog log_;
  bool create_ = false;
  bool readOnly_ = false;
  int lockFd_ = -1;
  bool loaded_ = false;     // the database holds the file's state
  Stamp image_;             // of the image loaded or last written
  uint64_t counter_ = 0;    // the image's change counter
  uint64_t fileId_ = 0;     // the image's identity (0: an image of an earlier format)
  uint32_t imageMark_ = 0;  // of the image's checksum, repeated by its log
  uint64_t imageBytes_ = 0;
  uint64_t logEnd_ = 0;  // the end of the log's sealed records (0: no log of this image)
  Stamp logStamp_;       // of the log as this process left it
  bool apart_ = false;   // read without the lock, never written (readDatabaseFile)
  struct Unkept {
    bool wholeLog;
    std::string what;
  };
  std::optional<Unkept> unkept_;  // bytes of the log still to keep aside before a write
  Figures figures_;
  std::mutex messagesMutex_;
  std::vector<SqlMessage> messages_;

  friend DecodedTables readDatabaseFile(const std::string& path);
};

// The tables, views and procedures the file at `path` holds with its log replayed, read
// apart from any database and lock, as a crash would leave them (for tools
// and tests).  Raises the errors of DatabaseFile::beginUse.
DecodedTables readDatabaseFile(const std::string& path);

}  // namespace mls::tsql::storage
