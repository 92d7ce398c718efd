// The file operations the database file and its log share: errors raised as
// the engine's, whole writes, files created afresh beside the database, and
// the test hook that makes a step of a write fail.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mls::tsql::storage {

// 5120 naming `path` and the system's error.
[[noreturn]] void osError(const std::string& path, int err);
// 5120: something other than a regular file (or a second name of one) at `path`.
[[noreturn]] void notRegular(const std::string& path);
// 824 naming what is damaged in the file at `path`.
[[noreturn]] void damaged(const std::string& path, const std::string& what);

// The test hook: asked before each write, flush, rename and truncate of the
// storage layer with the step's name (DatabaseFile::setSaveFault); a nonzero
// answer is the errno that step fails with.  Empty: none.
using FaultHook = std::function<int(std::string_view step)>;
void setFaultHook(FaultHook hook);
// The errno the test hook injects into a step of a write (0: none).
int injectedFault(std::string_view step);

// Writes all of `bytes` at the file's position; false with errno set on failure.
bool writeAll(int fd, std::span<const uint8_t> bytes);
// The same at `offset`.
bool writeAllAt(int fd, std::span<const uint8_t> bytes, uint64_t offset);
// Reads `size` bytes from `offset` (fewer at the end of the file); raises 5120.
std::vector<uint8_t> readAt(const std::string& path, int fd, uint64_t offset, size_t size);

std::string folderOf(const std::string& path);
// Flushes the folder of `path` (what was created or renamed in it); 0 or
// the errno.
int syncFolder(const std::string& path);

// Writes `bytes` to a new file at `target`, atomically: through "<target>.tmp"
// created afresh (a leftover removed by name, never followed as a link) with
// `like`'s mode and owner when given, flushed, renamed over `target`, the
// folder flushed.  Steps are named `prefix` + "create", "write", "sync",
// "rename" for the test hook.  Raises 3202 naming `database` when a step up
// to the rename fails; `target` keeps its last content then.  Answers 0, or
// the errno of the folder's flush: the new content is in place then, its
// name durable at the folder's next flush.
[[nodiscard]] int replaceFile(const std::string& target, std::span<const uint8_t> bytes,
                              const struct stat* like, const std::string& database, std::string_view prefix);

}  // namespace mls::tsql::storage
