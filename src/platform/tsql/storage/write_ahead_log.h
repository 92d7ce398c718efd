// The write-ahead log next to a database file, "<path>-wal":
//   header: magic "MLSWAL\r\n" | u32 version (3) | u32 image mark |
//           u64 change counter of the image it continues | u64 salt |
//           u64 the database file's identity | u64 header checksum
//   records, each: u64 sequence (1, 2, ...) | u32 payload length |
//                  u32 check of the record's header | u64 the previous
//                  record's checksum (the header checksum before the first) |
//                  u64 record checksum | payload (change_log.h)
// Every log generation (a new log after each checkpoint) takes a salt of its
// own, and both checks cover the salt, the counter, the sequence and the
// previous record's checksum: a record is valid only at its own place in its
// own log, so a record duplicated, left out, moved or copied in from another
// log breaks the chain.  A record is appended whole and flushed (sealed)
// before the commit that wrote it is reported done.
//
// Reading stops at the first bytes that are not the valid next record.  When
// they are a record of this log from further on (records left out or moved),
// or a valid record of this log follows somewhere after them, sealed records
// were damaged or put out of order: the log is refused (824).  Otherwise the
// bytes are a damaged tail (a record torn by a crash, junk, zeros, a record
// seen again): the records before them are the log, and the tail is reported
// by tail() for the caller to keep aside.
//
// The identity is the random number the database file's image records
// (database_file.h), and the image mark 32 bits of that image's checksum
// (never 0; 0 in a log written before the mark, which tells nothing): with
// the counter they tell whether the log continues that image (not a copy of
// the file changed apart), which the caller decides.
//
// A log of an earlier format is read by the same rules and never appended
// to: version 2 has no identity (a 40-byte header); version 1 no salt either
// (a 32-byte header; records of u32 length | u32 check of the length | u64
// payload checksum, both mixing in the counter), its order unchecked.
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
  static constexpr uint32_t kVersion = 3;
  // The sizes of this version's header and of a record's header.
  static constexpr uint64_t kHeaderSize = 48;
  static constexpr size_t kRecordHeaderSize = 32;

  // The log of the database file at `database`.
  explicit WriteAheadLog(const std::string& database) : database_(database), path_(database + "-wal") {}
  ~WriteAheadLog() { close(); }
  WriteAheadLog(const WriteAheadLog&) = delete;
  WriteAheadLog& operator=(const WriteAheadLog&) = delete;

  const std::string& path() const { return path_; }
  // Opens the log for a use; false when there is none (or it is empty).
  // Raises 5120 as above, 824 for a damaged header, 5172 for an unknown
  // version.
  bool open(bool readOnly);
  void close();
  // The log's state on disk (size, inode, time), to tell whether another
  // process wrote it.  Zeros when there is no log.
  struct stat status() const;
  // The counter of the image the open log continues (none without a log).
  std::optional<uint64_t> counter() const { return counter_; }
  // The identity of the database file the open log belongs to (0: a log of
  // an earlier format, which names none).
  uint64_t fileId() const { return fileId_; }
  // The mark of the image the open log continues (0: none recorded).
  uint32_t imageMark() const { return imageMark_; }
  // The mark of an image of checksum `imageSum`.
  static uint32_t markOf(uint64_t imageSum) { return static_cast<uint32_t>(imageSum) | 1u; }
  // The format version of the open log.
  uint32_t version() const { return version_; }
  // Where the records of the open log start.
  uint64_t headerSize() const;
  // The end of the last sealed record read or written.
  uint64_t end() const { return end_; }
  // Whether read() may start at `offset`: the log's start, or the end of
  // what this object last read or wrote of this same log.
  bool chainedAt(uint64_t offset) const { return offset <= headerSize() || offset == chainEnd_; }

  // The payloads of the sealed records from `from` (headerSize(), or end())
  // to the end of the file; end() moves past them.  Raises 824 as above.
  std::vector<std::vector<uint8_t>> read(uint64_t from);
  // The damaged tail the last read() stopped at: its bytes, from end() to the
  // end of the file (empty when the log ended cleanly).
  const std::vector<uint8_t>& tail() const { return tail_; }
  // Keeps the tail aside in a new file "<log>.<n>.discarded" (the first n
  // free, with `like`'s mode), flushed, then cuts it off the log; answers
  // that file's name.  Raises 3202 (the log keeps its tail then).
  std::string keepTail(const struct stat* like);
  // Keeps the whole open log aside as keepTail() does (also one whose header
  // open() refused), and leaves the log empty (no log).  Nothing for a
  // read-only log: answers its own name.
  std::string keepWhole(const struct stat* like);
  // Appends one record and flushes it.  Raises 3202 (the log is left as it
  // was).
  void append(std::span<const uint8_t> payload);
  // Starts the log over, empty, for the image of `counter` and `imageMark` of
  // the file `fileId`, with a new salt; `like`: the database file, whose mode
  // and owner the log takes.  Raises 3202.
  void reset(uint64_t counter, uint64_t fileId, uint32_t imageMark, const struct stat* like);

 private:
  // The record starting at `at` of `bytes` (the file from `base`), when one
  // of this log is there whole and its checks hold (its place unchecked).
  struct Record {
    uint64_t sequence = 0;
    uint64_t previous = 0;
    uint64_t sum = 0;
    size_t size = 0;  // header and payload
    std::span<const uint8_t> payload;
  };
  std::optional<Record> recordAt(std::span<const uint8_t> bytes, size_t at) const;
  size_t recordHeaderSize() const;

  std::string database_;
  std::string path_;
  int fd_ = -1;
  bool readOnly_ = false;
  std::optional<uint64_t> counter_;
  uint32_t version_ = kVersion;
  uint64_t salt_ = 0;
  uint64_t fileId_ = 0;
  uint32_t imageMark_ = 0;
  uint64_t end_ = 0;
  uint64_t sequence_ = 0;  // of the last sealed record (0: none)
  uint64_t lastSum_ = 0;   // its checksum (the header checksum before the first)
  uint64_t chainEnd_ = 0;  // where those hold (0: nowhere yet)
  uint64_t headerSum_ = 0;
  std::vector<uint8_t> tail_;
};

}  // namespace mls::tsql::storage
