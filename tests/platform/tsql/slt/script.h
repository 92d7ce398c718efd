// The records of a SQL logic test file.
//
// A file is a sequence of records separated by blank lines; '#' lines between
// records are comments.  Records:
//   statement ok | statement error [<number>]     then the SQL
//   query <types> [nosort|rowsort|valuesort|types] [<label>]
//                                                 then the SQL, "----", expected lines
//   hash-threshold <n>
//   halt
//   connection <name>   later records run on that connection (a session of
//                       the same database; the first one is "default")
// each optionally preceded by "skipif <engine>" / "onlyif <engine>" lines.
//
// The SQL of a record is every line up to the blank line (statements) or the
// "----" line (queries), run as one batch; so a record may hold a whole T-SQL
// batch with variables and control flow, but no blank line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mls::tsql::slt {

enum class SortMode {
  NoSort,
  RowSort,    // rows sorted by their rendered values, column by column
  ValueSort,  // every value sorted on its own
  Types,      // the expected lines are the result columns' SQL type names
};

struct Condition {
  bool onlyIf = false;  // onlyif (else skipif)
  std::string engine;
};

struct Record {
  enum class Kind { Statement, Query, HashThreshold, Halt, Connection, Invalid };
  Kind kind = Kind::Invalid;
  int line = 0;  // line of the record's header ("statement ...", "query ...")
  std::vector<Condition> conditions;

  // Statement
  bool expectError = false;
  std::optional<int> errorNumber;  // "statement error 8115"

  // Statement and Query
  std::string sql;

  // Query
  std::string columnTypes;  // one letter per column: I, R or T
  SortMode sort = SortMode::NoSort;
  std::string label;
  bool hasExpected = false;  // a "----" line was present
  std::vector<std::string> expected;

  int hashThreshold = 0;   // HashThreshold
  std::string connection;  // Connection
  std::string problem;     // Invalid: what is wrong with the record
};

// Splits a file into records.  Lines lose a trailing '\r' and nothing else, so
// expected text values keep their leading and trailing spaces.  A malformed
// record becomes an Invalid record; parsing goes on with the next one.
std::vector<Record> parseScript(std::string_view text);

// Whether the record runs on `engine` under its skipif / onlyif conditions.
bool appliesTo(const Record& r, std::string_view engine);

}  // namespace mls::tsql::slt
