#include "platform/tsql/storage/database_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

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

[[noreturn]] void notRegular(const std::string& path) {
  throwSqlError(5120, {path, std::to_string(EINVAL), "Not a regular file"});
}

std::mutex faultMutex;
DatabaseFile::SaveFault& saveFault() {
  static auto* fault = new DatabaseFile::SaveFault;
  return *fault;
}

// The errno the test hook injects into a step of a save (0: none).
int injected(std::string_view step) {
  std::lock_guard lock(faultMutex);
  return saveFault() ? saveFault()(step) : 0;
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

// Opens `path` for reading without blocking (a FIFO must not hang the open)
// and checks that it is a regular file; -1 with errno set when it cannot be
// opened.
int openRegular(const std::string& path, struct stat& st) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    osError(path, err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    notRegular(path);
  }
  return fd;
}

// Reads `size` bytes from the start of `fd` (fewer when the file is shorter).
std::vector<uint8_t> readPrefix(const std::string& path, int fd, size_t size) {
  std::vector<uint8_t> bytes(size);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      ::close(fd);
      osError(path, err);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

// Up to `limit` bytes from the start of the regular file at `path`, and its
// mode; nothing when there is no file and `create` allows that, else 4060.
std::optional<std::vector<uint8_t>> readFile(const std::string& path, bool create, size_t limit,
                                             mode_t& mode) {
  struct stat st {};
  int fd = openRegular(path, st);
  if (fd < 0) {
    int err = errno;
    if (err != ENOENT) osError(path, err);
    if (!create) throwSqlError(4060, {path});
    return std::nullopt;
  }
  mode = st.st_mode;
  std::vector<uint8_t> bytes = readPrefix(path, fd, std::min(limit, static_cast<size_t>(st.st_size)));
  ::close(fd);
  return bytes;
}

bool hasSignature(std::span<const uint8_t> bytes) {
  return bytes.size() >= kHeaderSize && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
}

// Takes `lock` (LOCK_EX or LOCK_SH) on `fd`, retrying until `timeoutSeconds`
// have passed; raises 5120 then.
void waitForLock(const std::string& path, int fd, int lock, int timeoutSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::max(timeoutSeconds, 0));
  for (;;) {
    if (::flock(fd, lock | LOCK_NB) == 0) return;
    int err = errno;
    if (err == EINTR) continue;
    if (err != EWOULDBLOCK) {
      ::close(fd);
      osError(path, err);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      throwSqlError(5120, {path, std::to_string(err), "The file is in use by another process"});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

void DatabaseFile::setSaveFault(SaveFault fault) {
  std::lock_guard lock(faultMutex);
  saveFault() = std::move(fault);
}

DatabaseFile::DatabaseFile(std::string path, const Database::OpenOptions& options)
    : path_(std::move(path)), create_(options.create) {
  // What lies at the path decides before any lock file is made next to it.
  mode_t mode = 0;
  if (std::optional<std::vector<uint8_t>> header = readFile(path_, create_, kHeaderSize, mode)) {
    if (!hasSignature(*header)) throwSqlError(5172, {path_, "signature"});
    // A file nobody may write (by its mode, which binds even a superuser
    // here) or that this process cannot replace is only read.
    readOnly_ = (mode & 0222) == 0 || ::access(path_.c_str(), W_OK) != 0 ||
                ::access(folderOf(path_).c_str(), W_OK) != 0;
  }

  std::string lockPath = path_ + ".lock";
  lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (lockFd_ < 0) {
    int err = errno;
    // A read-only database in a folder nobody may write is read without a lock.
    if (readOnly_ && (err == EACCES || err == EROFS)) return;
    osError(lockPath, err);
  }
  struct stat lockSt {};
  if (::fstat(lockFd_, &lockSt) != 0 || !S_ISREG(lockSt.st_mode) || lockSt.st_nlink != 1) {
    ::close(lockFd_);
    notRegular(lockPath);  // a device, or a second name of another file
  }
  waitForLock(path_, lockFd_, readOnly_ ? LOCK_SH : LOCK_EX, options.timeoutSeconds);
}

DatabaseFile::~DatabaseFile() {
  if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

std::optional<DecodedTables> DatabaseFile::load() const {
  mode_t mode = 0;
  std::optional<std::vector<uint8_t>> file = readFile(path_, create_, SIZE_MAX, mode);
  if (!file) return std::nullopt;
  const std::vector<uint8_t>& bytes = *file;

  if (!hasSignature(bytes)) throwSqlError(5172, {path_, "signature"});
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
  if (readOnly_) throwSqlError(3906, {path_});
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
  auto fail = [&](int fd, int err) {
    if (fd >= 0) ::close(fd);
    ::unlink(tmp.c_str());
    throwSqlError(3202, {path_, std::strerror(err)});
  };
  // Runs one step of the save (`op` answers success, errno set when not).
  auto step = [&](std::string_view name, int fd, auto op) {
    int err = injected(name);
    if (err == 0 && !op()) err = errno;
    if (err != 0) fail(fd, err);
  };
  // The new file takes the mode and owner of the one it replaces.
  struct stat old {};
  bool replacing = ::stat(path_.c_str(), &old) == 0;
  // A leftover of a save a crash interrupted is removed (the name, never what
  // a link points to), then the name is taken afresh.
  int fd = -1;
  step("create", -1, [&] {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    fd = ::open(tmp.c_str(), kFlags, 0644);
    if (fd < 0 && errno == EEXIST && ::unlink(tmp.c_str()) == 0) fd = ::open(tmp.c_str(), kFlags, 0644);
    return fd >= 0;
  });
  if (replacing) {
    step("create", fd, [&] { return ::fchmod(fd, old.st_mode & 07777) == 0; });
    (void)!::fchown(fd, old.st_uid, old.st_gid);  // keeps the owner where the process may
  }
  step("write", fd, [&] { return writeAll(fd, bytes); });
  step("sync", fd, [&] { return ::fsync(fd) == 0; });
  if (::close(fd) != 0) fail(-1, errno);
  step("rename", -1, [&] { return ::rename(tmp.c_str(), path_.c_str()) == 0; });
  // The rename is durable once the folder is flushed; until then a crash
  // leaves the old file or the new one, both complete.
  int dir = ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0 || ::fsync(dir) != 0) {
    int err = errno;
    if (dir >= 0) ::close(dir);
    throwSqlError(3202, {path_, std::strerror(err)});
  }
  ::close(dir);
  return bytes.size();
}

}  // namespace mls::tsql::storage
