#include "platform/com/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/com/error.h"

namespace mls::com {

RegularFile openRegularFile(const std::filesystem::path& path, uint64_t limit) {
  RegularFile f;
  // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    f.problem = errno == ENOENT ? FileProblem::Missing : FileProblem::Other;
    f.why = std::strerror(errno);
    return f;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    f.why = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    f.why = "it is not a regular file";
  } else if (static_cast<uint64_t>(st.st_size) > limit) {
    f.why = "it holds more than " + std::to_string(limit) + " bytes";
  } else {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    f.fd = fd;
    return f;
  }
  ::close(fd);
  f.problem = FileProblem::Other;
  return f;
}

std::optional<std::string> readRegularFile(const std::filesystem::path& path, uint64_t limit, int32_t number,
                                           const std::string& source, const std::string& what) {
  RegularFile f = openRegularFile(path, limit);
  if (f.problem == FileProblem::Missing) return std::nullopt;
  auto fail = [&](const std::string& why) {
    raise(number, source, "Cannot read " + what + " " + path.string() + ": " + why);
  };
  if (f.problem != FileProblem::None) fail(f.why);
  // The file may grow after it was measured: read one byte past the limit
  // at most, to tell.
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(f.fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      ::close(f.fd);
      fail(std::strerror(err));
    }
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
    if (text.size() > limit) {
      ::close(f.fd);
      fail("it holds more than " + std::to_string(limit) + " bytes");
    }
  }
  ::close(f.fd);
  return text;
}

}  // namespace mls::com
