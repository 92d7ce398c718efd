// Runs the records of a SQL logic test file against an Executor and checks
// every result.
//
// Extensions for the engine's own T-SQL files:
//   statement error <number>   the batch must fail with that SQL Server error;
//   a record's SQL is one batch, and a query compares the LAST rowset the
//   batch returned (earlier rowsets are ignored);
//   query ... types            the expected lines are the type names of the
//                              last rowset's columns ("decimal(38,6)").
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "executor.h"
#include "script.h"

namespace mls::tsql::slt {

struct Failure {
  std::string file;
  int line = 0;
  std::string sql;
  std::string expected;  // what the record asked for
  std::string got;       // what the executor gave
};

struct FileResult {
  int passed = 0;
  int failed = 0;
  int skipped = 0;  // by skipif / onlyif, after halt, or listed
  int listed = 0;   // of the skipped: named in the skip list
  std::vector<Failure> failures;
};

// Records to skip, named "<path>:<line>" with the line of the record's header;
// a name matches a file whose path ends with <path>.  The list file holds one
// name a line; '#' starts a comment.
class SkipList {
 public:
  // Reads a list; false (and `error` set) when the file cannot be read or a
  // line is malformed.
  bool load(const std::string& path, std::string& error);
  void add(std::string pathSuffix, int line) { entries_.emplace(std::move(pathSuffix), line); }
  bool contains(std::string_view file, int line) const;
  size_t size() const { return entries_.size(); }

 private:
  std::set<std::pair<std::string, int>> entries_;
};

class ScriptRunner {
 public:
  explicit ScriptRunner(std::string engine = "mssql") : engine_(std::move(engine)) {}
  void setSkipList(const SkipList* list) { skips_ = list; }

  // Runs one file's text on `exec` (a fresh database); `file` names it in failures.
  FileResult run(std::string_view file, std::string_view text, Executor& exec);

 private:
  // Whether the record passed; when not, `f` describes the mismatch.
  bool runStatement(const Record& r, Executor& exec, Failure& f);
  bool runQuery(const Record& r, Executor& exec, Failure& f);

  std::string engine_;
  const SkipList* skips_ = nullptr;
  int hashThreshold_ = 0;
  std::map<std::string, std::pair<std::string, int>> labels_;  // label -> hash line, record line
};

}  // namespace mls::tsql::slt
