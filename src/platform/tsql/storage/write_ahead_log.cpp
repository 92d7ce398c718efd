#include "platform/tsql/storage/write_ahead_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/tsql/errors.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"
#include "platform/tsql/storage/file_io.h"

namespace mls::tsql::storage {

namespace {

constexpr uint8_t kMagic[8] = {'M', 'L', 'S', 'W', 'A', 'L', '\r', '\n'};
constexpr uint32_t kVersion = 1;
constexpr size_t kRecordHeader = 16;
constexpr uint64_t kMix = 0x9E3779B97F4A7C15ull;

uint32_t lengthCheck(uint32_t length, uint64_t counter) {
  ByteWriter w;
  w.u32(length);
  w.u64(counter);
  return static_cast<uint32_t>(checksum64(w.bytes()) ^ 0x5A5A5A5Au);
}

uint64_t payloadCheck(std::span<const uint8_t> payload, uint64_t counter) {
  return checksum64(payload) + counter * kMix;
}

}  // namespace

bool WriteAheadLog::open(bool readOnly) {
  close();
  readOnly_ = readOnly;
  counter_.reset();
  end_ = 0;
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
  ByteReader in(header);
  bool good = header.size() == kHeaderSize && std::memcmp(header.data(), kMagic, sizeof kMagic) == 0 &&
              checksum64(std::span<const uint8_t>(header).first(kHeaderSize - 8)) ==
                  ByteReader(std::span<const uint8_t>(header).subspan(kHeaderSize - 8)).u64();
  if (!good) damaged(path_, "the log's header is damaged");
  in = ByteReader(std::span<const uint8_t>(header).subspan(sizeof kMagic));
  if (in.u32() != kVersion) throwSqlError(5172, {path_, "format version"});
  in.u32();
  counter_ = in.u64();
  end_ = kHeaderSize;
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

std::vector<std::vector<uint8_t>> WriteAheadLog::read(uint64_t from) {
  std::vector<std::vector<uint8_t>> out;
  if (fd_ < 0 || !counter_) return out;
  struct stat st = status();
  uint64_t size = static_cast<uint64_t>(st.st_size);
  if (from >= size) {
    end_ = std::min(from, size);
    return out;
  }
  std::vector<uint8_t> bytes = readAt(path_, fd_, from, static_cast<size_t>(size - from));
  std::span<const uint8_t> rest(bytes);
  uint64_t at = from;
  while (!rest.empty()) {
    if (rest.size() < kRecordHeader) break;  // torn: cut short
    ByteReader in(rest.first(kRecordHeader));
    uint32_t length = in.u32();
    uint32_t check = in.u32();
    uint64_t sum = in.u64();
    if (check != lengthCheck(length, *counter_)) {
      // Bytes never written (zeros) end the log; anything else is damage.
      if (std::all_of(rest.begin(), rest.end(), [](uint8_t b) { return b == 0; })) break;
      damaged(path_, "a log record's length is damaged at offset " + std::to_string(at));
    }
    if (length > rest.size() - kRecordHeader) break;  // torn: cut short
    std::span<const uint8_t> payload = rest.subspan(kRecordHeader, length);
    if (sum != payloadCheck(payload, *counter_)) {
      if (kRecordHeader + length == rest.size()) break;  // the last record: torn
      damaged(path_, "a sealed log record is damaged at offset " + std::to_string(at));
    }
    out.emplace_back(payload.begin(), payload.end());
    rest = rest.subspan(kRecordHeader + length);
    at += kRecordHeader + length;
  }
  end_ = at;
  return out;
}

void WriteAheadLog::cutTail() {
  if (fd_ < 0 || readOnly_) return;
  if (static_cast<uint64_t>(status().st_size) > end_) {
    if (::ftruncate(fd_, static_cast<off_t>(end_)) != 0 || ::fdatasync(fd_) != 0)
      throwSqlError(3202, {database_, std::strerror(errno)});
  }
}

void WriteAheadLog::append(std::span<const uint8_t> payload) {
  ByteWriter record;
  record.u32(static_cast<uint32_t>(payload.size()));
  record.u32(lengthCheck(static_cast<uint32_t>(payload.size()), *counter_));
  record.u64(payloadCheck(payload, *counter_));
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
}

void WriteAheadLog::reset(uint64_t counter, const struct stat* like) {
  ByteWriter header;
  for (uint8_t b : kMagic)
    header.u8(b);
  header.u32(kVersion);
  header.u32(0);
  header.u64(counter);
  header.u64(checksum64(header.bytes()));
  close();
  counter_.reset();
  replaceFile(path_, header.bytes(), like, database_, "log-");
  if (!open(false)) throwSqlError(3202, {database_, "the new log is missing"});
  if (counter_ != counter) throwSqlError(3202, {database_, "the new log was replaced"});
}

}  // namespace mls::tsql::storage
