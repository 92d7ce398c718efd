// The whole period close of a demo plant, snapshot to report, through the
// public classes created by ProgID: on an in-memory embedded database (plants
// of 50,000, 100,000, 200,000, 250,000, 500,000 and 1,000,000 live bill lines) and on a
// database file (50,000, 100,000 and 1,000,000), each closed once as
// generated (building the plant is not timed).  The time is the processor time of the
// close's calls (on a shared machine the wall clock says more of the
// neighbours than of the close); each step's processor seconds, wall seconds
// and rows are counters, and on a file the log's records, the bytes they
// hold, the checkpoints and the bytes those wrote, and the flushes (fsync,
// fdatasync) of them all.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "classes/library.h"
#include "close/freed_memory.h"
#include "close/period_close.h"
#include "platform/tsql/storage/file_databases.h"

namespace mls {
namespace {

// Counter names without spaces or dashes.
std::string counterName(std::string step) {
  for (char& c : step) {
    if (c == ' ' || c == '-') c = '_';
  }
  return step;
}

// Closes the plant behind `connect` once, reporting its steps as counters.
void closeOnce(benchmark::State& state, const std::string& connect) {
  close::PeriodClose closing({.connect = connect});
  double total = 0, wall = 0;
  for (const close::Step& s : closing.run()) {
    state.counters[counterName(s.name) + "_cpu"] = s.cpuSeconds;
    state.counters[counterName(s.name) + "_wall"] = s.seconds;
    state.counters[counterName(s.name) + "_rows"] = static_cast<double>(s.rows);
    total += s.cpuSeconds;
    wall += s.seconds;
  }
  state.counters["close_wall"] = wall;
  state.SetIterationTime(total);
}

void BM_PeriodClose(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  classes::registerInProcess();
  const std::string connect = "Provider=Marlstone.Embedded;Data Source=Close" + std::to_string(lines);
  close::buildPlant(connect, {.seed = 1, .billLines = lines});
  for (auto _ : state)
    closeOnce(state, connect);
  state.counters["bill_lines"] = lines;
}
BENCHMARK(BM_PeriodClose)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

void BM_PeriodCloseOnFile(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  classes::registerInProcess();
  std::string pattern = (std::filesystem::temp_directory_path() / "mlsdb-close-XXXXXX").string();
  const std::filesystem::path folder = mkdtemp(pattern.data());
  const std::string path = (folder / "close.mlsdb").string();
  const std::string connect = "Provider=Marlstone.Embedded;Data Source=" + path + ";Create=True";
  close::buildPlant(connect, {.seed = 1, .billLines = lines});
  const tsql::storage::DatabaseFile::Figures before =
      tsql::storage::figuresOf(path).value_or(tsql::storage::DatabaseFile::Figures{});
  for (auto _ : state)
    closeOnce(state, connect);
  if (auto after = tsql::storage::figuresOf(path)) {
    const double records = static_cast<double>(after->records - before.records);
    state.counters["log_records"] = records;
    state.counters["log_bytes"] = static_cast<double>(after->recordBytes - before.recordBytes);
    state.counters["log_bytes_per_record"] =
        records > 0 ? static_cast<double>(after->recordBytes - before.recordBytes) / records : 0;
    state.counters["checkpoints"] = static_cast<double>(after->checkpoints - before.checkpoints);
    state.counters["checkpoint_bytes"] = static_cast<double>(after->checkpointBytes - before.checkpointBytes);
    state.counters["flushes"] = static_cast<double>(after->flushes - before.flushes);
  }
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
  state.counters["bill_lines"] = lines;
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_PeriodCloseOnFile)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace
}  // namespace mls

int main(int argc, char** argv) {
  mls::close::keepFreedMemory();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
