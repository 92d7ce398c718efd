// tsql_slt: runs SQL logic test files on the embedded T-SQL engine.
//
//   tsql_slt [--engine NAME] [--skip-list FILE] [--max-failures N] [--quiet] PATH...
//
// PATH is a .test file or a folder searched for *.test.  Each file runs on a
// fresh Database with one Session.  Exit status 0 when every record passed.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "engine_executor.h"
#include "suite.h"

using namespace mls::tsql::slt;

namespace {

int usage() {
  std::cerr << "usage: tsql_slt [--engine NAME] [--skip-list FILE] [--max-failures N] [--quiet] PATH...\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  SuiteOptions options;
  SkipList skips;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--engine" && hasValue) {
      options.engine = argv[++i];
    } else if (arg == "--skip-list" && hasValue) {
      std::string error;
      if (!skips.load(argv[++i], error)) {
        std::cerr << error << "\n";
        return 2;
      }
      options.skips = &skips;
    } else if (arg == "--max-failures" && hasValue) {
      options.maxFailures = std::atoi(argv[++i]);
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return usage();
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.empty()) return usage();
  std::string error;
  std::vector<std::string> files = collectFiles(paths, error);
  if (!error.empty()) {
    std::cerr << error << "\n";
    return 2;
  }
  return runSuite(
      files, [] { return std::make_unique<EngineExecutor>(); }, options, std::cout);
}
