// The period snapshot and the completed and product quantities on a demo plant
// of 200,000 live bill lines, through ConcludeUpdate created by ProgID: on an
// in-memory database, and on a database file, where every call's changes are
// made durable before it returns (built once; building it is not timed).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "classes/library.h"
#include "close/period_close.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "schema/demoplant/plant.h"
#include "schema/schema_files.h"

namespace mls {
namespace {

constexpr int kBillLines = 200000;

// A scratch folder for the file database, removed at exit.
std::string scratchFile() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "mlsdb-calc-XXXXXX").string();
    std::string made = mkdtemp(pattern.data());
    std::atexit([] { std::filesystem::remove_all(folder); });
    return made;
  }();
  return folder + "/plant.mlsdb";
}

struct BenchPlant {
  explicit BenchPlant(const std::string& dataSource)
      : connect("Provider=Marlstone.Embedded;Data Source=" + dataSource + ";Create=True") {
    classes::registerInProcess();
    close::buildPlant(connect, {.seed = 1, .billLines = kBillLines});
    update = com::createObject("Marlstone.ConcludeUpdate");
    props = "ConnectString={" + connect + "};Language=en";
  }
  std::string connect;
  com::Ref<com::Dispatch> update;
  std::string props;

  // The number of rows of `table` in the plant's database.
  double rowsOf(const std::string& table) const {
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(connect);
    double n = c->execute("SELECT COUNT(*) FROM " + table)->value(0).toDouble();
    c->close();
    return n;
  }
};

BenchPlant& memoryPlant() {
  static BenchPlant p("BenchPlant");
  return p;
}

BenchPlant& filePlant() {
  static BenchPlant p(scratchFile());
  return p;
}

void snapshot(benchmark::State& state, BenchPlant& p) {
  for (auto _ : state)
    com::callByName(*p.update, "GetICStockBillDataForCB", p.props, 2024, 3);
  state.SetItemsProcessed(state.iterations() * kBillLines);
  state.counters["snapshot_lines"] = p.rowsOf("cb_ICStockBillEntry");
}

void quantities(benchmark::State& state, BenchPlant& p) {
  com::callByName(*p.update, "GetICStockBillDataForCB", p.props, 2024, 3);
  for (auto _ : state) {
    com::callByName(*p.update, "CalCompleteQty", p.props, 2024, 3);
    com::callByName(*p.update, "CalProductQty", p.props, 2024, 3);
  }
  state.SetItemsProcessed(state.iterations() * kBillLines);
  state.counters["complete_rows"] = p.rowsOf("cbCompleteQty");
  state.counters["product_rows"] = p.rowsOf("cbProductQty");
}

// The period's first steps in one go, as a period close runs them.
void periodClose(benchmark::State& state, BenchPlant& p) {
  for (auto _ : state) {
    com::callByName(*p.update, "GetICStockBillDataForCB", p.props, 2024, 3);
    com::callByName(*p.update, "CalCompleteQty", p.props, 2024, 3);
    com::callByName(*p.update, "CalProductQty", p.props, 2024, 3);
  }
  state.SetItemsProcessed(state.iterations() * kBillLines);
}

void BM_Snapshot200k(benchmark::State& state) {
  snapshot(state, memoryPlant());
}
BENCHMARK(BM_Snapshot200k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Quantities200k(benchmark::State& state) {
  quantities(state, memoryPlant());
}
BENCHMARK(BM_Quantities200k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PeriodClose200k(benchmark::State& state) {
  periodClose(state, memoryPlant());
}
BENCHMARK(BM_PeriodClose200k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PeriodCloseFile200k(benchmark::State& state) {
  periodClose(state, filePlant());
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(scratchFile()));
}
BENCHMARK(BM_PeriodCloseFile200k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace mls

BENCHMARK_MAIN();
