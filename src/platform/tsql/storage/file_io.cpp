#include "platform/tsql/storage/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/tsql/errors.h"

namespace mls::tsql::storage {

namespace {

std::mutex hookMutex;
FaultHook& faultHook() {
  static auto* hook = new FaultHook;
  return *hook;
}

}  // namespace

void setFaultHook(FaultHook hook) {
  std::lock_guard lock(hookMutex);
  faultHook() = std::move(hook);
}

int injectedFault(std::string_view step) {
  std::lock_guard lock(hookMutex);
  return faultHook() ? faultHook()(step) : 0;
}

void osError(const std::string& path, int err) {
  throwSqlError(5120, {path, std::to_string(err), std::strerror(err)});
}

void notRegular(const std::string& path) {
  throwSqlError(5120, {path, std::to_string(EINVAL), "Not a regular file"});
}

void damaged(const std::string& path, const std::string& what) {
  throwSqlError(824, {what, path});
}

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

bool writeAllAt(int fd, std::span<const uint8_t> bytes, uint64_t offset) {
  while (!bytes.empty()) {
    ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes = bytes.subspan(static_cast<size_t>(n));
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

std::vector<uint8_t> readAt(const std::string& path, int fd, uint64_t offset, size_t size) {
  std::vector<uint8_t> bytes(size);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) osError(path, errno);
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

std::string folderOf(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

int replaceFile(const std::string& target, std::span<const uint8_t> bytes, const struct stat* like,
                const std::string& database, std::string_view prefix) {
  std::string tmp = target + ".tmp";
  auto fail = [&](int fd, int err) {
    if (fd >= 0) ::close(fd);
    ::unlink(tmp.c_str());
    throwSqlError(3202, {database, std::strerror(err)});
  };
  // Runs one step (`op` answers success, errno set when not).
  auto step = [&](std::string_view name, int fd, auto op) {
    int err = injectedFault(std::string(prefix) + std::string(name));
    if (err == 0 && !op()) err = errno;
    if (err != 0) fail(fd, err);
  };
  // A leftover of a write a crash interrupted is removed (the name, never what
  // a link points to), then the name is taken afresh.
  int fd = -1;
  step("create", -1, [&] {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    fd = ::open(tmp.c_str(), kFlags, 0644);
    if (fd < 0 && errno == EEXIST && ::unlink(tmp.c_str()) == 0) fd = ::open(tmp.c_str(), kFlags, 0644);
    return fd >= 0;
  });
  if (like) {
    step("create", fd, [&] { return ::fchmod(fd, like->st_mode & 07777) == 0; });
    (void)!::fchown(fd, like->st_uid, like->st_gid);  // keeps the owner where the process may
  }
  step("write", fd, [&] { return writeAll(fd, bytes); });
  step("sync", fd, [&] { return ::fsync(fd) == 0; });
  if (::close(fd) != 0) fail(-1, errno);
  step("rename", -1, [&] { return ::rename(tmp.c_str(), target.c_str()) == 0; });
  // The rename is durable once the folder is flushed; until then a crash
  // leaves the old file or the new one, both complete.
  return syncFolder(target);
}

int syncFolder(const std::string& path) {
  if (int err = injectedFault("folder-sync")) return err;
  int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0 || ::fsync(dir) != 0) {
    int err = errno;
    if (dir >= 0) ::close(dir);
    return err;
  }
  ::close(dir);
  return 0;
}

}  // namespace mls::tsql::storage
