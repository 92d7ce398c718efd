// Runs a set of SQL logic test files (files, or folders searched for *.test)
// and prints the report: per file its counts and first failures, then a closing
// line "N passed, N failed".
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "executor.h"
#include "runner.h"

namespace mls::tsql::slt {

struct SuiteOptions {
  std::string engine = "mssql";
  const SkipList* skips = nullptr;
  int maxFailures = 5;  // failures shown per file
  bool quiet = false;   // only failing files and the closing line
};

// Every *.test below `paths` (files are taken as given), sorted, without duplicates.
std::vector<std::string> collectFiles(const std::vector<std::string>& paths, std::string& error);

// Runs each file on a fresh executor from `makeExecutor`.  The exit status:
// 0 when every record passed, 1 on a failure or when no file was found.
int runSuite(const std::vector<std::string>& files,
             const std::function<std::unique_ptr<Executor>()>& makeExecutor, const SuiteOptions& options,
             std::ostream& out);

}  // namespace mls::tsql::slt
