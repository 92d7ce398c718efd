#include "runner.h"

#include <charconv>
#include <fstream>

#include "render.h"

namespace mls::tsql::slt {
namespace {

std::string joinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) {
    out += l;
    out += '\n';
  }
  return out;
}

std::string describeError(const ExecOutcome& o) {
  std::string s = "error " + std::to_string(o.errorNumber);
  if (o.errorLine > 0) s += " (line " + std::to_string(o.errorLine) + ")";
  return s + ": " + o.errorMessage;
}

}  // namespace

bool SkipList::load(const std::string& path, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read skip list " + path;
    return false;
  }
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
      line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    line.erase(0, start);
    size_t colon = line.rfind(':');
    int recordLine = 0;
    if (colon == std::string::npos || colon == 0 ||
        std::from_chars(line.data() + colon + 1, line.data() + line.size(), recordLine).ptr !=
            line.data() + line.size()) {
      error = path + ":" + std::to_string(n) + ": expected <file>:<line>";
      return false;
    }
    add(line.substr(0, colon), recordLine);
  }
  return true;
}

bool SkipList::contains(std::string_view file, int line) const {
  for (const auto& [suffix, l] : entries_) {
    if (l == line && file.size() >= suffix.size() && file.substr(file.size() - suffix.size()) == suffix) {
      return true;
    }
  }
  return false;
}

FileResult ScriptRunner::run(std::string_view file, std::string_view text, Executor& exec) {
  FileResult result;
  hashThreshold_ = 0;
  labels_.clear();
  bool halted = false;
  for (const Record& r : parseScript(text)) {
    const bool counts = r.kind == Record::Kind::Statement || r.kind == Record::Kind::Query;
    if (halted || !appliesTo(r, engine_)) {
      if (counts) ++result.skipped;
      continue;
    }
    if (counts && skips_ && skips_->contains(file, r.line)) {
      ++result.skipped;
      ++result.listed;
      continue;
    }
    Failure f;
    f.file = std::string(file);
    f.line = r.line;
    f.sql = r.sql;
    bool ok = true;
    switch (r.kind) {
      case Record::Kind::Halt:
        halted = true;
        continue;
      case Record::Kind::Connection:
        exec.useConnection(r.connection);
        continue;
      case Record::Kind::HashThreshold:
        hashThreshold_ = r.hashThreshold;
        continue;
      case Record::Kind::Invalid:
        f.expected = "a well-formed record";
        f.got = r.problem;
        ok = false;
        break;
      case Record::Kind::Statement:
        ok = runStatement(r, exec, f);
        break;
      case Record::Kind::Query:
        ok = runQuery(r, exec, f);
        break;
    }
    if (ok) {
      ++result.passed;
    } else {
      ++result.failed;
      result.failures.push_back(std::move(f));
    }
  }
  return result;
}

bool ScriptRunner::runStatement(const Record& r, Executor& exec, Failure& f) {
  ExecOutcome o = exec.execute(r.sql);
  if (!r.expectError) {
    if (o.ok) return true;
    f.expected = "success";
    f.got = describeError(o);
    return false;
  }
  if (o.ok) {
    f.expected = r.errorNumber ? "error " + std::to_string(*r.errorNumber) : "an error";
    f.got = "success";
    return false;
  }
  if (!r.errorNumber || *r.errorNumber == o.errorNumber) return true;
  f.expected = "error " + std::to_string(*r.errorNumber);
  f.got = describeError(o);
  return false;
}

bool ScriptRunner::runQuery(const Record& r, Executor& exec, Failure& f) {
  ExecOutcome o = exec.execute(r.sql);
  if (!o.ok) {
    f.expected = "a rowset";
    f.got = describeError(o);
    return false;
  }
  if (!o.lastRowset) {
    f.expected = "a rowset";
    f.got = "no rowset";
    return false;
  }
  const ResultTable& table = *o.lastRowset;
  if (table.columns.size() != r.columnTypes.size()) {
    f.expected = std::to_string(r.columnTypes.size()) + " columns";
    f.got = std::to_string(table.columns.size()) + " columns";
    return false;
  }
  std::vector<std::string> values;
  if (r.sort == SortMode::Types) {
    for (const auto& c : table.columns)
      values.push_back(c.typeName);
  } else {
    values = renderValues(table, r.columnTypes, r.sort);
  }
  if (!r.hasExpected) return true;

  const bool hashed = r.expected.size() == 1 && isHashLine(r.expected[0]);
  const bool needHash =
      hashed || !r.label.empty() || (hashThreshold_ > 0 && static_cast<int>(values.size()) > hashThreshold_);
  const std::string hash = needHash ? hashLine(values) : std::string();
  if (hashed ? hash != r.expected[0] : values != r.expected) {
    f.expected = joinLines(r.expected);
    f.got = hashed ? hash + "\n" + joinLines(values) : joinLines(values);
    return false;
  }
  if (!r.label.empty()) {
    auto [it, inserted] = labels_.emplace(r.label, std::make_pair(hash, r.line));
    if (!inserted && it->second.first != hash) {
      f.expected =
          it->second.first + " (label " + r.label + " at line " + std::to_string(it->second.second) + ")\n";
      f.got = hash + "\n";
      return false;
    }
  }
  return true;
}

}  // namespace mls::tsql::slt
