// Files a process opens because a setting names them (the registry, a library
// of classes): only a regular file of bounded size is taken.  The open never
// blocks, so a FIFO at the path is refused rather than waited on for ever, and
// a device such as /dev/zero is refused rather than read without end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace mls::com {

// What lies at a path, when it is not a usable regular file.
enum class FileProblem { None, Missing, Other };

struct RegularFile {
  int fd = -1;  // open for reading when problem is None; the caller closes it
  FileProblem problem = FileProblem::None;
  std::string why;  // "it is not a regular file", "it holds more than N bytes", the system's reason
};

// Opens `path` for reading when it is a regular file of at most `limit` bytes.
RegularFile openRegularFile(const std::filesystem::path& path, uint64_t limit);

// The whole of a regular file of at most `limit` bytes: nullopt when nothing
// is at `path`; any other problem raises `number` with source `source`:
// "Cannot read <what> <path>: <why>".
std::optional<std::string> readRegularFile(const std::filesystem::path& path, uint64_t limit, int32_t number,
                                           const std::string& source, const std::string& what);

}  // namespace mls::com
