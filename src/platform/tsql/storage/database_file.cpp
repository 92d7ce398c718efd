#include "platform/tsql/storage/database_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/tsql/errors.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"

namespace mls::tsql::storage {

namespace {

constexpr uint8_t kMagic[8] = {'M', 'L', 'S', 'D', 'B', '\r', '\n', 0x1a};
constexpr uint32_t kFormatVersion = 1;
constexpr size_t kHeaderSize = 8 + 4 + 8 + 8 + 8;

[[noreturn]] void osError(const std::string& path, int err) {
  throwSqlError(5120, {path, std::to_string(err), std::strerror(err)});
}

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
  throwSqlError(824, {what, path});
}

// Writes all of `bytes`; false with errno set on failure.
bool writeAll(int fd, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes = bytes.subspan(static_cast<size_t>(n));
  }
  return true;
}

// Stores `v` little-endian at `at` (a field of the header).
void putU64(std::vector<uint8_t>& bytes, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i)
    bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

std::string folderOf(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

}  // namespace

DatabaseFile::DatabaseFile(std::string path) : path_(std::move(path)) {
  std::string lockPath = path_ + ".lock";
  lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lockFd_ < 0) osError(path_, errno);
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    ::close(lockFd_);
    if (err == EWOULDBLOCK) {
      throwSqlError(5120, {path_, std::to_string(err), "The file is in use by another process"});
    }
    osError(path_, err);
  }
}

DatabaseFile::~DatabaseFile() {
  ::close(lockFd_);  // releases the lock
}

std::optional<DecodedTables> DatabaseFile::load() const {
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    osError(path_, errno);
  }
  std::vector<uint8_t> bytes;
  struct stat st {};
  int err = 0;
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else {
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        err = n < 0 ? errno : EIO;
        break;
      }
      done += static_cast<size_t>(n);
    }
  }
  ::close(fd);
  if (err != 0) osError(path_, err);

  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
    throwSqlError(5172, {path_, "signature"});
  }
  ByteReader header(std::span<const uint8_t>(bytes).subspan(sizeof kMagic, kHeaderSize - sizeof kMagic));
  uint32_t version = header.u32();
  uint64_t length = header.u64();
  uint64_t imageSum = header.u64();
  uint64_t headerSum = header.u64();
  if (headerSum != checksum64(std::span<const uint8_t>(bytes).first(kHeaderSize - 8)))
    damaged(path_, "the header checksum is wrong");
  if (version != kFormatVersion) throwSqlError(5172, {path_, "format version"});
  if (length != bytes.size() - kHeaderSize)
    damaged(path_, "the file is shorter or longer than its header says");
  std::span<const uint8_t> image = std::span<const uint8_t>(bytes).subspan(kHeaderSize);
  if (imageSum != checksum64(image)) damaged(path_, "the content checksum is wrong");
  try {
    return decodeTables(image);
  } catch (const FormatError& e) {
    damaged(path_, e.what());
  }
}

uint64_t DatabaseFile::save(const TableSet& tables, const std::vector<ViewText>& views) {
  ByteWriter out;
  for (uint8_t b : kMagic)
    out.u8(b);
  out.u32(kFormatVersion);
  out.u64(0);  // length, checksums: filled in below
  out.u64(0);
  out.u64(0);
  encodeTables(tables, out, views);
  std::vector<uint8_t>& bytes = out.bytes();
  std::span<const uint8_t> image = std::span<const uint8_t>(bytes).subspan(kHeaderSize);
  putU64(bytes, 12, image.size());
  putU64(bytes, 20, checksum64(image));
  putU64(bytes, kHeaderSize - 8, checksum64(std::span<const uint8_t>(bytes).first(kHeaderSize - 8)));

  std::string tmp = path_ + ".tmp";
  auto fail = [&](int fd) {
    int err = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(tmp.c_str());
    throwSqlError(3202, {path_, std::strerror(err)});
  };
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail(-1);
  if (!writeAll(fd, bytes) || ::fsync(fd) != 0) fail(fd);
  if (::close(fd) != 0) fail(-1);
  if (::rename(tmp.c_str(), path_.c_str()) != 0) fail(-1);
  // The rename is durable once the folder is flushed; until then a crash
  // leaves the old file or the new one, both complete.
  int dir = ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return bytes.size();
}

}  // namespace mls::tsql::storage
