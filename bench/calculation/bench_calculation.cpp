// The period snapshot and the completed and product quantities on a demo plant
// of 200,000 live bill lines, through ConcludeUpdate created by ProgID on an
// embedded database (built once; building it is not timed).
#include <benchmark/benchmark.h>

#include <string>

#include "classes/library.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "schema/demoplant/plant.h"
#include "schema/schema_files.h"

namespace mls {
namespace {

constexpr int kBillLines = 200000;
const char* const kConnect = "Provider=Marlstone.Embedded;Data Source=BenchPlant";

struct BenchPlant {
  BenchPlant() {
    classes::registerInProcess();
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(kConnect);
    c->execute(schema::schemaScript("system.sql"));
    c->execute(schema::schemaScript("erp.sql"));
    c->execute("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('GL', 'PeriodCount', '12')");
    demoplant::Plant plant = demoplant::generatePlant({.seed = 1, .billLines = kBillLines});
    for (const std::string& s : plant.statements)
      c->execute(s);
    c->close();
    update = com::createObject("Marlstone.ConcludeUpdate");
    props = std::string("ConnectString={") + kConnect + "};Language=en";
  }
  com::Ref<com::Dispatch> update;
  std::string props;
};

// The number of rows of `table` in the plant's database.
double rowsOf(const std::string& table) {
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->open(kConnect);
  double n = c->execute("SELECT COUNT(*) FROM " + table)->value(0).toDouble();
  c->close();
  return n;
}

BenchPlant& plant() {
  static BenchPlant p;
  return p;
}

void BM_Snapshot200k(benchmark::State& state) {
  BenchPlant& p = plant();
  for (auto _ : state)
    com::callByName(*p.update, "GetICStockBillDataForCB", p.props, 2024, 3);
  state.SetItemsProcessed(state.iterations() * kBillLines);
  state.counters["snapshot_lines"] = rowsOf("cb_ICStockBillEntry");
}
BENCHMARK(BM_Snapshot200k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Quantities200k(benchmark::State& state) {
  BenchPlant& p = plant();
  com::callByName(*p.update, "GetICStockBillDataForCB", p.props, 2024, 3);
  for (auto _ : state) {
    com::callByName(*p.update, "CalCompleteQty", p.props, 2024, 3);
    com::callByName(*p.update, "CalProductQty", p.props, 2024, 3);
  }
  state.SetItemsProcessed(state.iterations() * kBillLines);
  state.counters["complete_rows"] = rowsOf("cbCompleteQty");
  state.counters["product_rows"] = rowsOf("cbProductQty");
}
BENCHMARK(BM_Quantities200k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace mls

BENCHMARK_MAIN();
