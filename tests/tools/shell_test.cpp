// The T-SQL shell as a person meets it: a prompt at a terminal (and none in a
// pipe), and word on standard error while it waits for a file another
// process holds (its hint after a missing file: storage/shell/run_shell.cmake).
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "classes/run_command.h"

namespace {

namespace fs = std::filesystem;

class ShellTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mls_shell_tool_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string shell(const std::string& args) const { return std::string(MLS_SHELL) + " " + args; }

  fs::path dir_;
};

// What the shell writes to a terminal while `typed` is typed into it.
std::string atTerminal(const std::string& args, const std::string& typed) {
  // The shell starts only once everything is typed (and echoed), so its
  // first prompt cannot come before the echo however the two are scheduled.
  int typedIn[2];
  if (::pipe(typedIn) != 0) return "pipe failed";
  int fd = -1;
  pid_t pid = ::forkpty(&fd, nullptr, nullptr, nullptr);
  if (pid == 0) {
    ::close(typedIn[1]);
    char c;
    while (::read(typedIn[0], &c, 1) > 0) {
    }
    ::execl("/bin/sh", "sh", "-c", (std::string(MLS_SHELL) + " " + args).c_str(), nullptr);
    ::_exit(127);
  }
  ::close(typedIn[0]);
  if (pid < 0) {
    ::close(typedIn[1]);
    return "forkpty failed";
  }
  const bool written = ::write(fd, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
  // The terminal echoes what was typed on its own time: wait for it.
  std::string echo;
  for (char c : typed) {
    if (c == '\n')
      echo += "\r\n";
    else if (c != '\x04')
      echo += c;
  }
  std::string out;
  auto readWhile = [&](auto more) {
    char buf[512];
    for (pollfd p{fd, POLLIN, 0}; more() && ::poll(&p, 1, 10000) > 0;) {
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) return;  // the shell ended
      out.append(buf, static_cast<size_t>(n));
    }
  };
  if (written) readWhile([&] { return out.find(echo) == std::string::npos; });
  ::close(typedIn[1]);
  if (!written) return "write failed";
  readWhile([] { return true; });
  ::close(fd);
  ::waitpid(pid, nullptr, 0);
  return out;
}

TEST_F(ShellTool, PromptsAtATerminalLineByLineWithinEachBatch) {
  // Ctrl-D ends the script at the terminal.
  std::string out =
      atTerminal(":memory:", "SELECT 1 AS one\nGO\nSELECT 2 AS two\nFROM (SELECT 1 AS x) s\n\x04");
  // The typed lines echo first; then a prompt per line read, counted within the batch.
  EXPECT_NE(out.find("1> 2> one"), std::string::npos) << out;
  EXPECT_NE(out.find("\n1> 2> 3> two"), std::string::npos) << out;

  std::string piped;
  EXPECT_EQ(mls::testing::run("printf 'SELECT 1 AS one\\nGO\\n' | " + shell(":memory:"), &piped), 0);
  EXPECT_EQ(piped.find("> "), std::string::npos) << piped;
}

TEST_F(ShellTool, SaysOnStandardErrorThatItWaitsForAFileAnotherProcessHolds) {
  const fs::path file = dir_ / "held.mlsdb";
  const fs::path firstOut = dir_ / "first.out";
  std::string out;
  ASSERT_EQ(mls::testing::run("echo 'CREATE TABLE t (a INT)' | " + shell("--create " + file.string()), &out),
            0)
      << out;
  // The first shell holds the file while its script is still being typed.
  FILE* first = ::popen((shell(file.string()) + " >" + firstOut.string() + " 2>&1").c_str(), "w");
  ASSERT_TRUE(first);
  std::fputs("INSERT INTO t VALUES (1)\nGO\n", first);
  std::fflush(first);
  for (int i = 0; i < 1000; ++i) {
    std::ifstream in(firstOut);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    if (text.find("row affected") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::pclose(first);
  });
  std::string errors;
  const int status = mls::testing::run(
      "(echo 'SELECT COUNT(*) AS n FROM t' | " + shell(file.string()) + " 2>&1 >/dev/null)", &errors);
  release.join();
  EXPECT_EQ(status, 0) << errors;
  EXPECT_NE(errors.find("tsql-shell: another process has " + file.string() + " open; waiting up to 15 s"),
            std::string::npos)
      << errors;
}

}  // namespace
