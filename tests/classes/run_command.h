// Runs a shell command for the tests of the library and its host.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace mls::testing {

// Runs `command`; answers its exit status and appends its output (stdout and stderr).
inline int run(const std::string& command, std::string* output) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buf[512];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
    output->append(buf, n);
  int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace mls::testing
