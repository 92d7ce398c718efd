#include "script.h"

#include <cctype>
#include <charconv>

namespace mls::tsql::slt {
namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool isBlank(std::string_view line) {
  for (char c : line) {
    if (!std::isspace(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Whitespace-separated words, up to a '#' that starts a trailing comment.
std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
      ++i;
    if (i >= line.size() || line[i] == '#') break;
    size_t start = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
      ++i;
    out.push_back(line.substr(start, i - start));
  }
  return out;
}

std::optional<int> toInt(std::string_view s) {
  int v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : lines_(splitLines(text)) {}

  std::vector<Record> run() {
    std::vector<Record> records;
    while (skipToRecord())
      records.push_back(record());
    return records;
  }

 private:
  // Skips blank and comment lines; false at the end of the file.
  bool skipToRecord() {
    while (pos_ < lines_.size() && (isBlank(lines_[pos_]) || lines_[pos_][0] == '#'))
      ++pos_;
    return pos_ < lines_.size();
  }

  Record record() {
    Record r;
    std::vector<std::string_view> head;
    // Conditions, then the header.
    for (; pos_ < lines_.size(); ++pos_) {
      if (isBlank(lines_[pos_])) break;
      if (lines_[pos_][0] == '#') continue;
      head = words(lines_[pos_]);
      if (head.size() >= 2 && (head[0] == "skipif" || head[0] == "onlyif")) {
        r.conditions.push_back({head[0] == "onlyif", std::string(head[1])});
        head.clear();
        continue;
      }
      break;
    }
    r.line = static_cast<int>(pos_) + 1;
    if (head.empty()) return invalid(r, "condition without a record");
    ++pos_;
    const std::string_view kind = head[0];
    if (kind == "halt") {
      r.kind = Record::Kind::Halt;
    } else if (kind == "connection") {
      if (head.size() != 2) return invalid(r, "connection needs a name");
      r.kind = Record::Kind::Connection;
      r.connection = std::string(head[1]);
    } else if (kind == "hash-threshold") {
      auto n = head.size() == 2 ? toInt(head[1]) : std::nullopt;
      if (!n || *n < 0) return invalid(r, "hash-threshold needs a count");
      r.kind = Record::Kind::HashThreshold;
      r.hashThreshold = *n;
    } else if (kind == "statement") {
      if (head.size() < 2 || (head[1] != "ok" && head[1] != "error")) {
        return invalid(r, "statement needs 'ok' or 'error'");
      }
      r.kind = Record::Kind::Statement;
      r.expectError = head[1] == "error";
      if (head.size() >= 3) {
        r.errorNumber = toInt(head[2]);
        if (!r.expectError || !r.errorNumber) return invalid(r, "bad statement header");
      }
      r.sql = sqlLines(false);
    } else if (kind == "query") {
      if (head.size() < 2) return invalid(r, "query needs column types");
      r.kind = Record::Kind::Query;
      r.columnTypes = std::string(head[1]);
      for (char c : r.columnTypes) {
        if (c != 'I' && c != 'R' && c != 'T') return invalid(r, "column types are I, R or T");
      }
      if (head.size() >= 3) {
        if (head[2] == "nosort") {
          r.sort = SortMode::NoSort;
        } else if (head[2] == "rowsort") {
          r.sort = SortMode::RowSort;
        } else if (head[2] == "valuesort") {
          r.sort = SortMode::ValueSort;
        } else if (head[2] == "types") {
          r.sort = SortMode::Types;
        } else {
          return invalid(r, "unknown sort mode '" + std::string(head[2]) + "'");
        }
      }
      if (head.size() >= 4) r.label = std::string(head[3]);
      r.sql = sqlLines(true);
      if (pos_ < lines_.size() && lines_[pos_] == "----") {
        r.hasExpected = true;
        for (++pos_; pos_ < lines_.size() && !isBlank(lines_[pos_]); ++pos_) {
          r.expected.emplace_back(lines_[pos_]);
        }
      }
    } else {
      return invalid(r, "unknown record '" + std::string(kind) + "'");
    }
    return r;
  }

  std::string sqlLines(bool query) {
    std::string sql;
    for (; pos_ < lines_.size() && !isBlank(lines_[pos_]); ++pos_) {
      if (query && lines_[pos_] == "----") break;
      if (!sql.empty()) sql += '\n';
      sql += lines_[pos_];
    }
    return sql;
  }

  // Marks the record invalid and skips the rest of it.
  Record invalid(Record& r, std::string problem) {
    r.kind = Record::Kind::Invalid;
    r.problem = std::move(problem);
    while (pos_ < lines_.size() && !isBlank(lines_[pos_]))
      ++pos_;
    return r;
  }

  std::vector<std::string_view> lines_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<Record> parseScript(std::string_view text) {
  return Parser(text).run();
}

bool appliesTo(const Record& r, std::string_view engine) {
  for (const Condition& c : r.conditions) {
    if (c.onlyIf != (c.engine == engine)) return false;
  }
  return true;
}

}  // namespace mls::tsql::slt
