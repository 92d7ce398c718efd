// A database file of one million rows: checkpointing it (the image written,
// flushed and renamed into place), loading it (read, checked, tables rebuilt
// with their unique keys) and a call that changes one row (open, UPDATE,
// close: one log record appended and flushed).  The file size is reported as
// the counter file_bytes, a commit's log bytes as log_bytes_per_commit.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/tsql/catalog/undo_log.h"
#include "platform/tsql/engine.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/storage/file_databases.h"

namespace mls::tsql {
namespace {

constexpr int kRows = 1'000'000;

// A scratch folder for the benchmark's file, removed at exit.
const std::string& databasePath() {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "mlsdb-bench-XXXXXX").string();
    std::string folder = mkdtemp(pattern.data());
    std::atexit([] { std::filesystem::remove_all(std::filesystem::path(databasePath()).parent_path()); });
    return folder + "/million.mlsdb";
  }();
  return path;
}

// Fills table `ledger` with kRows rows of the kinds cost data has: an identity
// key, an account code, an amount, a date and a quantity.
void fillLedger(const std::shared_ptr<Database>& db) {
  Session s(db);
  s.execute(
      "CREATE TABLE ledger (id INT IDENTITY PRIMARY KEY, account NVARCHAR(20) NOT NULL, "
      "amount DECIMAL(18, 2) NOT NULL, booked DATETIME NOT NULL, qty FLOAT NULL)");
  std::shared_ptr<Table> t = db->impl().permanent().find("ledger");
  UndoLog undo;
  const DateTime start = DateTime::fromParts(2024, 1, 1);
  for (int i = 0; i < kRows; ++i) {
    Row row{Value::integer(t->nextIdentity()), Value::string("A" + std::to_string(4000 + i % 500)),
            Value::decimal(Decimal128(static_cast<__int128>(i) * 37 % 10'000'000, 2)),
            Value::dateTime(DateTime(start.ticks() + (i % 366) * DateTime::kTicksPerDay)),
            i % 10 == 0 ? Value() : Value::floating(i * 0.25)};
    t->insert(std::move(row), undo);
  }
  undo.commit();
}

void BM_SaveMillionRows(benchmark::State& state) {
  std::filesystem::remove(databasePath());
  auto db = Database::open(databasePath(), {.create = true});
  fillLedger(db);
  for (auto _ : state) {
    db->impl().unsaved() = true;
    db->checkpoint();
  }
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(databasePath()));
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(kRows) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadMillionRows(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    storage::letGo(databasePath());  // the process loads the file afresh
    state.ResumeTiming();
    auto db = Database::open(databasePath());  // written by BM_SaveMillionRows
    benchmark::DoNotOptimize(db->impl().permanent().find("ledger")->rowCount());
    state.PauseTiming();
    db.reset();  // nothing changed: nothing written
    state.ResumeTiming();
  }
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(databasePath()));
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(kRows) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CallChangingOneRow(benchmark::State& state) {
  uint64_t bytes = storage::figuresOf(databasePath()).value_or(storage::DatabaseFile::Figures{}).recordBytes;
  int i = 0;
  for (auto _ : state) {
    auto db = Database::open(databasePath());  // the database stays loaded between calls
    Session s(db);
    ++i;
    s.execute("UPDATE ledger SET qty = " + std::to_string(i) +
              " WHERE id = " + std::to_string(i * 997 % kRows + 1));
    s.close();
  }
  auto figures = storage::figuresOf(databasePath());
  state.counters["log_bytes_per_commit"] =
      figures ? static_cast<double>(figures->recordBytes - bytes) / static_cast<double>(state.iterations())
              : 0;
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(databasePath()));
}
BENCHMARK(BM_CallChangingOneRow)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
}  // namespace mls::tsql

BENCHMARK_MAIN();
