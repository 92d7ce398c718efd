// The write-ahead log next to a database file, "<path>-wal":
//   header: magic "MLSWAL\r\n" | u32 version (1) | u32 0 |
//           u64 change counter of the image it continues | u64 header checksum
//   records, each: u32 payload length | u32 check of the length |
//                  u64 payload checksum | payload (change_log.h)
// Both checks mix in the counter, so a record of an earlier log never passes
// for one of this.  A record is appended whole and flushed (sealed) before the
// call that wrote it returns.  Reading stops at a torn tail: a last record cut
// short or failing its checks was never sealed and is ignored (and cut off
// before the next append); a record that fails its checks with more bytes
// after it is damage (824).
//
// The log is opened as what it is: a link, anything but a regular file or a
// second name of one is refused (5120), and a new log is written whole to
// "<path>-wal.tmp" and renamed into place, with the database file's mode and
// owner.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mls::tsql::storage {

class WriteAheadLog {
 public:
  static constexpr uint64_t kHeaderSize = 32;

  // The log of the database file at `database`.
  explicit WriteAheadLog(const std::string& database) : database_(database), path_(database + "-wal") {}
  ~WriteAheadLog() { close(); }
  WriteAheadLog(const WriteAheadLog&) = delete;
  WriteAheadLog& operator=(const WriteAheadLog&) = delete;

  const std::string& path() const { return path_; }
  // Opens the log for a use; false when there is none (or it is empty).
  // Raises 5120 as above, 824 for a damaged header.
  bool open(bool readOnly);
  void close();
  // The log's state on disk (size, inode, time), to tell whether another
  // process wrote it.  Zeros when there is no log.
  struct stat status() const;
  // The counter of the image the open log continues (none without a log).
  std::optional<uint64_t> counter() const { return counter_; }
  // The end of the last sealed record read or written.
  uint64_t end() const { return end_; }

  // The payloads of the sealed records from `from` (a record's start, at
  // least kHeaderSize) to the end of the file; end() moves past them.
  std::vector<std::vector<uint8_t>> read(uint64_t from);
  // Cuts what follows end() (a torn tail) off before the log is written.
  void cutTail();
  // Appends one record and flushes it.  Raises 3202 (the log is left as it
  // was).
  void append(std::span<const uint8_t> payload);
  // Starts the log over, empty, for the image of `counter`; `like`: the
  // database file, whose mode and owner the log takes.  Raises 3202.
  void reset(uint64_t counter, const struct stat* like);

 private:
  std::string database_;
  std::string path_;
  int fd_ = -1;
  bool readOnly_ = false;
  std::optional<uint64_t> counter_;
  uint64_t end_ = 0;
};

}  // namespace mls::tsql::storage
