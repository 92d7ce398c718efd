// Helpers of the storage tests: a scratch folder per test, the rows of a
// batch's last rowset, the error number a batch raises, files' bytes and
// child processes.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/tsql/engine.h"
#include "platform/tsql/sql_errors.h"

namespace mls::tsql::testing {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mlsdb-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The database of the file at `path`, made when missing.
inline std::shared_ptr<Database> openOrCreate(const std::string& path) {
  return Database::open(path, {.create = true});
}

inline std::vector<std::vector<Value>> rows(Session& s, const std::string& sql) {
  BatchResult r = s.execute(sql);
  if (r.items.empty() || r.items.back().kind != ResultItem::Kind::Rowset) {
    ADD_FAILURE() << "no rowset from: " << sql;
    return {};
  }
  return r.items.back().rowset.rows;
}

// The single value of the batch's last rowset.
inline Value scalar(Session& s, const std::string& sql) {
  auto r = rows(s, sql);
  if (r.size() != 1 || r[0].size() != 1) {
    ADD_FAILURE() << "not one value from: " << sql;
    return Value();
  }
  return r[0][0];
}

// The inode of a file: a save replaces the file, so it changes.
inline ino_t inodeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs `child` in a forked process (its exit code: what it returns, 98 when
// it throws) and returns the process id.
template <class F>
pid_t forkChild(F&& child) {
  pid_t pid = fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = child();
    } catch (...) {
      code = 98;
    }
    _exit(code);
  }
  return pid;
}

inline int exitStatus(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace mls::tsql::testing
