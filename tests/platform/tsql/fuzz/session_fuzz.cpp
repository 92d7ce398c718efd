// Runs one input as a batch on a fresh in-memory database holding a few small
// tables.  The only acceptable outcome besides success is a SqlError of the
// language: an internal error (an exception the engine did not expect), any
// other exception, a crash or a sanitizer report is a finding.  After a failed
// batch the session must still answer a query.
//
// Built as a libFuzzer target (tsql_fuzz, scripts/fuzz) with clang, and with
// any compiler as tsql_fuzz_replay, which runs the files it is given once.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <strings.h>

#include "platform/tsql/engine.h"

namespace {

constexpr std::string_view kSetup =
    "CREATE TABLE t (k INT PRIMARY KEY, name VARCHAR(10) NOT NULL, amt DECIMAL(19,4) NULL, d DATETIME NULL) "
    "INSERT t VALUES (1, 'a', 1.5, '2024-01-31'), (2, 'b ', NULL, NULL), (3, 'c', -2.25, '2023-12-01') "
    "CREATE TABLE u (k INT, f FLOAT, n NVARCHAR(20)) "
    "INSERT u VALUES (1, 0.5, N'x'), (1, NULL, NULL), (4, 1e10, N'y') "
    "CREATE VIEW v AS SELECT k, amt FROM t WHERE amt IS NOT NULL";

[[noreturn]] void finding(const char* what, std::string_view detail) {
  std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(detail.size()), detail.data());
  std::abort();
}

// Loops could run for ever: every WHILE runs as an IF (its body at most once).
std::string boundedLoops(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i + 5 <= out.size(); ++i) {
    if (strncasecmp(out.data() + i, "WHILE", 5) == 0) out.replace(i, 5, "IF   ");
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mls::tsql;
  std::string batch = boundedLoops(std::string_view(reinterpret_cast<const char*>(data), size));
  Session session(Database::create());
  session.execute(kSetup);
  try {
    session.execute(batch);
  } catch (const SqlError& e) {
    if (e.number() == kInternalError || e.number() == 701) finding("internal error", e.message());
  }
  try {
    session.execute("IF @@TRANCOUNT > 0 ROLLBACK SELECT COUNT(*) FROM sysobjects");
  } catch (const SqlError& e) {
    finding("the session no longer answers", e.message());
  }
  return 0;
}
