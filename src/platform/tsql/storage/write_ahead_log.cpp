#include "platform/tsql/storage/write_ahead_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"
#include "platform/tsql/storage/file_io.h"

namespace mls::tsql::storage {

namespace {

constexpr uint8_t kMagic[8] = {'M', 'L', 'S', 'W', 'A', 'L', '\r', '\n'};
constexpr uint64_t kFirstHeaderSize = 32;   // version 1: no salt
constexpr uint64_t kSecondHeaderSize = 40;  // version 2: no file identity
constexpr size_t kFirstRecordHeader = 16;
constexpr uint64_t kMix = 0x9E3779B97F4A7C15ull;

// Version 1's checks: the counter mixed in, nothing of the record's place.
uint32_t firstLengthCheck(uint32_t length, uint64_t counter) {
  ByteWriter w;
  w.u32(length);
  w.u64(counter);
  return static_cast<uint32_t>(checksum64(w.bytes()) ^ 0x5A5A5A5Au);
}

uint64_t firstPayloadCheck(std::span<const uint8_t> payload, uint64_t counter) {
  return checksum64(payload) + counter * kMix;
}

// What a version 2 record's checks cover besides its payload.
struct Place {
  uint64_t salt, counter, sequence, previous;
  uint32_t length;
};

ByteWriter placeBytes(const Place& p) {
  ByteWriter w;
  w.u64(p.salt);
  w.u64(p.counter);
  w.u64(p.sequence);
  w.u64(p.previous);
  w.u32(p.length);
  return w;
}

uint32_t headerCheck(const Place& p) {
  return static_cast<uint32_t>(checksum64(placeBytes(p).bytes()) ^ 0xA5A5A5A5u);
}

uint64_t recordSum(const Place& p, std::span<const uint8_t> payload) {
  ByteWriter w = placeBytes(p);
  w.u64(checksum64(payload));
  return checksum64(w.bytes());
}

}  // namespace

uint64_t WriteAheadLog::headerSize() const {
  return version_ == 1 ? kFirstHeaderSize : version_ == 2 ? kSecondHeaderSize : kHeaderSize;
}

size_t WriteAheadLog::recordHeaderSize() const {
  return version_ == 1 ? kFirstRecordHeader : kRecordHeaderSize;
}

bool WriteAheadLog::open(bool readOnly) {
  close();
  readOnly_ = readOnly;
  const std::optional<uint64_t> counter = std::exchange(counter_, std::nullopt);
  end_ = 0;
  tail_.clear();
  int fd = ::open(path_.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    if (err == ENOENT) return false;
    if (err == ELOOP) notRegular(path_);
    osError(path_, err);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
    ::close(fd);
    notRegular(path_);  // a device, or a second name of another file
  }
  fd_ = fd;
  if (st.st_size == 0) return false;
  std::vector<uint8_t> header = readAt(path_, fd_, 0, kHeaderSize);
  if (header.size() < kFirstHeaderSize || std::memcmp(header.data(), kMagic, sizeof kMagic) != 0)
    damaged(path_, "the log's header is damaged");
  ByteReader in(std::span<const uint8_t>(header).subspan(sizeof kMagic));
  const uint32_t version = in.u32();
  const uint32_t imageMark = in.u32();
  const uint64_t logCounter = in.u64();
  const uint64_t size = version == 1 ? kFirstHeaderSize : version == 2 ? kSecondHeaderSize : kHeaderSize;
  if (version >= 1 && version <= kVersion) {
    if (header.size() < size) damaged(path_, "the log's header is damaged");
    const uint64_t salt = version == 1 ? 0 : in.u64();
    fileId_ = version < 3 ? 0 : in.u64();
    imageMark_ = version < 3 ? 0 : imageMark;
    const uint64_t sum = in.u64();
    if (sum != checksum64(std::span<const uint8_t>(header).first(size - 8)))
      damaged(path_, "the log's header is damaged");
    if (salt != salt_ || sum != headerSum_ || counter != logCounter) {  // another log: its chain starts
      sequence_ = 0;
      lastSum_ = sum;
      chainEnd_ = size;
    }
    salt_ = salt;
    headerSum_ = sum;
  } else {
    throwSqlError(5172, {path_, "format version"});
  }
  version_ = version;
  counter_ = logCounter;
  end_ = size;
  return true;
}

void WriteAheadLog::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

struct stat WriteAheadLog::status() const {
  struct stat st {};
  if (fd_ >= 0 && ::fstat(fd_, &st) != 0) return {};
  return st;
}

std::optional<WriteAheadLog::Record> WriteAheadLog::recordAt(std::span<const uint8_t> bytes,
                                                             size_t at) const {
  const size_t head = recordHeaderSize();
  if (at > bytes.size() || bytes.size() - at < head) return std::nullopt;
  ByteReader in(bytes.subspan(at, head));
  Record r;
  uint32_t length = 0;
  if (version_ == 1) {
    length = in.u32();
    if (in.u32() != firstLengthCheck(length, *counter_)) return std::nullopt;
    r.sum = in.u64();
  } else {
    r.sequence = in.u64();
    length = in.u32();
    uint32_t check = in.u32();
    r.previous = in.u64();
    r.sum = in.u64();
    if (check != headerCheck({salt_, *counter_, r.sequence, r.previous, length})) return std::nullopt;
  }
  if (length > bytes.size() - at - head) return std::nullopt;  // cut short
  r.payload = bytes.subspan(at + head, length);
  r.size = head + length;
  const uint64_t expected = version_ == 1
                                ? firstPayloadCheck(r.payload, *counter_)
                                : recordSum({salt_, *counter_, r.sequence, r.previous, length}, r.payload);
  if (r.sum != expected) return std::nullopt;
  return r;
}

std::vector<std::vector<uint8_t>> WriteAheadLog::read(uint64_t from) {
  std::vector<std::vector<uint8_t>> out;
  tail_.clear();
  if (fd_ < 0 || !counter_) return out;
  if (from <= headerSize()) {
    from = headerSize();
    sequence_ = 0;
    lastSum_ = headerSum_;
  } else if (!chainedAt(from)) {
    throw std::logic_error("WriteAheadLog::read: the chain is not known at " + std::to_string(from));
  }
  const uint64_t size = static_cast<uint64_t>(status().st_size);
  if (from >= size) {
    end_ = std::min(from, size);
    return out;
  }
  std::vector<uint8_t> bytes = readAt(path_, fd_, from, static_cast<size_t>(size - from));
  size_t at = 0;
  while (at < bytes.size()) {
    std::optional<Record> r = recordAt(bytes, at);
    if (r && version_ != 1 && r->sequence > sequence_ + 1) {
      damaged(path_,
              "the log records before offset " + std::to_string(from + at) + " are missing or out of order");
    }
    if (!r || (version_ != 1 && (r->sequence != sequence_ + 1 || r->previous != lastSum_))) break;
    out.emplace_back(r->payload.begin(), r->payload.end());
    sequence_ = r->sequence;
    lastSum_ = r->sum;
    at += r->size;
  }
  end_ = from + at;
  chainEnd_ = end_;
  if (at == bytes.size()) return out;
  // Bytes that are not the next record (nor one after it: a record seen
  // again, or not a record of this log at all): damage when a record of this
  // log follows them, else a tail no commit was reported from.
  // No record of this log has a sequence beyond what these bytes could hold.
  const uint64_t highest = sequence_ + bytes.size() / kRecordHeaderSize + 1;
  for (size_t next = at + 1; next + recordHeaderSize() <= bytes.size(); ++next) {
    if (version_ != 1) {
      const uint64_t sequence = ByteReader(std::span<const uint8_t>(bytes).subspan(next, 8)).u64();
      if (sequence == 0 || sequence > highest) continue;
    }
    if (recordAt(bytes, next)) {
      damaged(path_, "the log record at offset " + std::to_string(end_) +
                         " is damaged or out of order, and a sealed record follows at offset " +
                         std::to_string(from + next));
    }
  }
  tail_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
  return out;
}

std::string WriteAheadLog::keepTail(const struct stat* like) {
  if (fd_ < 0 || readOnly_ || tail_.empty()) return path_;
  std::string kept;
  int fd = -1;
  for (int n = 1; fd < 0; ++n) {
    kept = path_ + "." + std::to_string(n) + ".discarded";
    fd = ::open(kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                like ? like->st_mode & 0666 : 0644);
    if (fd < 0 && errno != EEXIST) throwSqlError(3202, {database_, std::strerror(errno)});
  }
  int err = injectedFault("keep-tail");
  if (err == 0 && !writeAll(fd, tail_)) err = errno;
  if (err == 0) err = injectedFault("keep-tail-sync");
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  ::close(fd);
  if (err == 0) err = syncFolder(path_);
  if (err != 0) {
    ::unlink(kept.c_str());  // the log keeps its tail
    throwSqlError(3202, {database_, std::strerror(err)});
  }
  err = injectedFault("cut-tail");
  if (err == 0 && ::ftruncate(fd_, static_cast<off_t>(end_)) != 0) err = errno;
  if (err == 0) err = injectedFault("cut-tail-sync");
  if (err == 0 && ::fdatasync(fd_) != 0) err = errno;
  if (err != 0) throwSqlError(3202, {database_, std::strerror(err)});
  tail_.clear();
  return kept;
}

std::string WriteAheadLog::keepWhole(const struct stat* like) {
  if (fd_ < 0 || readOnly_) return path_;
  tail_ = readAt(path_, fd_, 0, static_cast<size_t>(status().st_size));
  const uint64_t end = std::exchange(end_, 0);
  try {
    std::string kept = keepTail(like);
    counter_.reset();
    return kept;
  } catch (...) {
    end_ = end;  // the log stays as it was
    tail_.clear();
    throw;
  }
}

void WriteAheadLog::append(std::span<const uint8_t> payload) {
  const auto length = static_cast<uint32_t>(payload.size());
  const Place place{salt_, *counter_, sequence_ + 1, lastSum_, length};
  const uint64_t sum = recordSum(place, payload);
  ByteWriter record;
  record.u64(place.sequence);
  record.u32(length);
  record.u32(headerCheck(place));
  record.u64(place.previous);
  record.u64(sum);
  record.bytes().insert(record.bytes().end(), payload.begin(), payload.end());
  int err = injectedFault("append");
  if (err == 0 && !writeAllAt(fd_, record.bytes(), end_)) err = errno;
  if (err == 0) err = injectedFault("append-sync");
  if (err == 0 && ::fdatasync(fd_) != 0) err = errno;
  if (err != 0) {
    (void)!::ftruncate(fd_, static_cast<off_t>(end_));  // what was written is no record
    throwSqlError(3202, {database_, std::strerror(err)});
  }
  end_ += record.size();
  chainEnd_ = end_;
  sequence_ = place.sequence;
  lastSum_ = sum;
}

void WriteAheadLog::reset(uint64_t counter, uint64_t fileId, uint32_t imageMark, const struct stat* like) {
  ByteWriter header;
  for (uint8_t b : kMagic)
    header.u8(b);
  header.u32(kVersion);
  header.u32(imageMark);
  header.u64(counter);
  header.u64(randomNumber());
  header.u64(fileId);
  header.u64(checksum64(header.bytes()));
  close();
  counter_.reset();
  if (int err = replaceFile(path_, header.bytes(), like, database_, "log-"))
    throwSqlError(3202, {database_, std::strerror(err)});
  if (!open(false)) throwSqlError(3202, {database_, "the new log is missing"});
  if (counter_ != counter) throwSqlError(3202, {database_, "the new log was replaced"});
}

}  // namespace mls::tsql::storage
