#include "suite.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace mls::tsql::slt {
namespace fs = std::filesystem;
namespace {

// Up to 20 lines of a block, each indented.
std::string indent(const std::string& block) {
  std::istringstream in(block);
  std::string line, out;
  int n = 0;
  while (std::getline(in, line)) {
    if (++n > 20) {
      out += "      ...\n";
      break;
    }
    out += "      " + line + "\n";
  }
  return out;
}

}  // namespace

std::vector<std::string> collectFiles(const std::vector<std::string>& paths, std::string& error) {
  std::vector<std::string> files;
  for (const std::string& p : paths) {
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
      std::vector<std::string> found;
      for (const auto& e : fs::recursive_directory_iterator(p, ec)) {
        if (e.is_regular_file() && e.path().extension() == ".test") found.push_back(e.path().string());
      }
      std::sort(found.begin(), found.end());
      files.insert(files.end(), found.begin(), found.end());
    } else if (fs::is_regular_file(p, ec)) {
      files.push_back(p);
    } else {
      error = "no such file or folder: " + p;
      return {};
    }
  }
  std::vector<std::string> unique;
  for (auto& f : files) {
    if (std::find(unique.begin(), unique.end(), f) == unique.end()) unique.push_back(std::move(f));
  }
  return unique;
}

int runSuite(const std::vector<std::string>& files,
             const std::function<std::unique_ptr<Executor>()>& makeExecutor, const SuiteOptions& options,
             std::ostream& out) {
  ScriptRunner runner(options.engine);
  runner.setSkipList(options.skips);
  long passed = 0, failed = 0, skipped = 0, listed = 0;
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      out << file << ": cannot read\n";
      ++failed;
      continue;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::unique_ptr<Executor> exec = makeExecutor();
    FileResult r = runner.run(file, text.str(), *exec);
    passed += r.passed;
    failed += r.failed;
    skipped += r.skipped;
    listed += r.listed;
    if (options.quiet && r.failed == 0) continue;
    out << file << ": " << r.passed << " passed, " << r.failed << " failed, " << r.skipped << " skipped";
    if (r.listed > 0) out << " (" << r.listed << " listed)";
    out << "\n";
    int shown = 0;
    for (const Failure& f : r.failures) {
      if (shown++ == options.maxFailures) {
        out << "  ... " << (r.failures.size() - options.maxFailures) << " more failures\n";
        break;
      }
      out << "  " << f.file << ":" << f.line << ": failed\n    sql:\n"
          << indent(f.sql) << "    expected:\n"
          << indent(f.expected) << "    got:\n"
          << indent(f.got);
    }
  }
  if (files.empty()) out << "no test files\n";
  out << "skipped " << skipped << " records (" << listed << " from the skip list)\n";
  out << passed << " passed, " << failed << " failed\n";
  return failed == 0 && !files.empty() ? 0 : 1;
}

}  // namespace mls::tsql::slt
