// What the runner needs from a database: run one batch, give back its last
// rowset or its error.  The engine adapter is one implementation; the runner's
// own tests use a scripted fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mls::tsql::slt {

// One value of a result, already in the forms the runner renders from.
struct Cell {
  enum class Kind {
    Null,
    Integer,  // bit and the integer types: i
    Real,     // float and real: r (text: the shortest round-trip form)
    Exact,    // decimal and money: text in display form ("124.0000")
    Text,     // strings and dates: text ("2024-03-01 00:00:00.000")
  };
  Kind kind = Kind::Null;
  int64_t i = 0;
  double r = 0;
  std::string text;  // the value as a T column shows it, for every kind but Null

  static Cell null() { return {}; }
  static Cell integer(int64_t v) { return {Kind::Integer, v, 0, std::to_string(v)}; }
  static Cell real(double v, std::string shown) { return {Kind::Real, 0, v, std::move(shown)}; }
  static Cell exact(std::string shown) { return {Kind::Exact, 0, 0, std::move(shown)}; }
  static Cell str(std::string v) { return {Kind::Text, 0, 0, std::move(v)}; }
};

struct ResultColumn {
  std::string name;
  std::string typeName;  // "int", "decimal(38,6)", "varchar(10)"
};

struct ResultTable {
  std::vector<ResultColumn> columns;
  std::vector<std::vector<Cell>> rows;
};

struct ExecOutcome {
  bool ok = true;
  std::optional<ResultTable> lastRowset;  // the batch's last rowset, if any
  // On failure: the server's error number (0 when the failure was no SQL
  // error, e.g. an unexpected exception), the batch line and the text.
  int errorNumber = 0;
  int errorLine = 0;
  std::string errorMessage;
};

class Executor {
 public:
  virtual ~Executor() = default;
  virtual ExecOutcome execute(const std::string& batch) = 0;
  // Makes the connection `name` current, opening it on the same database when
  // new; the first connection is "default".
  virtual void useConnection(const std::string& name) = 0;
};

}  // namespace mls::tsql::slt
