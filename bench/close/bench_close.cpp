// The whole period close of a demo plant, snapshot to report, through the
// public classes created by ProgID on an in-memory embedded database: plants
// of 200,000, 250,000 and 1,000,000 live bill lines, each closed once as
// generated (building the plant is not timed).  The time is the processor
// time of the close's calls (on a shared machine the wall clock says more of
// the neighbours than of the close); each step's processor seconds, wall
// seconds and rows are counters.
#include <benchmark/benchmark.h>

#include <string>

#include "classes/library.h"
#include "close/period_close.h"

namespace mls {
namespace {

// Counter names without spaces or dashes.
std::string counterName(std::string step) {
  for (char& c : step) {
    if (c == ' ' || c == '-') c = '_';
  }
  return step;
}

void BM_PeriodClose(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  classes::registerInProcess();
  const std::string connect = "Provider=Marlstone.Embedded;Data Source=Close" + std::to_string(lines);
  close::buildPlant(connect, {.seed = 1, .billLines = lines});
  for (auto _ : state) {
    close::PeriodClose closing({.connect = connect});
    double total = 0;
    for (const close::Step& s : closing.run()) {
      state.counters[counterName(s.name) + "_cpu"] = s.cpuSeconds;
      state.counters[counterName(s.name) + "_wall"] = s.seconds;
      state.counters[counterName(s.name) + "_rows"] = static_cast<double>(s.rows);
      total += s.cpuSeconds;
    }
    state.SetIterationTime(total);
  }
  state.counters["bill_lines"] = lines;
}
BENCHMARK(BM_PeriodClose)
    ->Arg(200000)
    ->Arg(250000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace
}  // namespace mls

BENCHMARK_MAIN();
