// Every shared issue of a demo plant's period distributed through
// AutoDis.AutoDisMaterielExp created by ProgID on an embedded database: each
// production department by the plant's entered standard, its ungrouped lines,
// its cost-object group and its repairable-waste lines (half the lines split
// afresh, half again in their rows' proportions).  Plants of 50,000 to
// 400,000 live bill lines (the shared issues also 800,000); building a plant
// is not timed, and each size runs once on its plant as generated.  Then the
// period's work in process of the same plants distributed through
// ConcludeUpdate.DispOnlineMateriel, after the completed quantities.  And the
// client's list of lines read by AutoDis.AutoDisDirctMaterielExpByInterID:
// 25,000 to 200,000 lines, each listed twice, none of them in the snapshot (so
// the call writes nothing and its time is the list and the lines' work table).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "classes/library.h"
#include "close/period_close.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "platform/halvern/dictionary.h"
#include "schema/demoplant/plant.h"
#include "schema/schema_files.h"

namespace mls {
namespace {

struct BenchPlant {
  explicit BenchPlant(int lines)
      : connect("Provider=Marlstone.Embedded;Data Source=Distribution" + std::to_string(lines)) {
    classes::registerInProcess();
    close::buildPlant(connect, {.seed = 1, .billLines = lines});
    props = "ConnectString={" + connect + "};Language=en";
    com::callByName(*com::createObject("Marlstone.ConcludeUpdate"), "GetICStockBillDataForCB", props, 2024,
                    3);
  }

  double count(const std::string& sql) const {
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(connect);
    double n = c->execute(sql)->value(0).toDouble();
    c->close();
    return n;
  }

  std::string connect;
  std::string props;
};

BenchPlant& plant(int lines) {
  static std::map<int, std::unique_ptr<BenchPlant>> plants;
  auto& p = plants[lines];
  if (!p) p = std::make_unique<BenchPlant>(lines);
  return *p;
}

com::Variant filter() {
  com::Ref<com::Dispatch> d = halvern::createDictionary();
  auto* dict = dynamic_cast<halvern::Dictionary*>(d.get());
  dict->setItem("Year", com::Variant(2024));
  dict->setItem("Period", com::Variant(3));
  return com::Variant(d);
}

// Plants of 50,000 to 400,000 lines, each run once.
void plantSizes(benchmark::internal::Benchmark* b) {
  b->Arg(50000)->Arg(100000)->Arg(200000)->Arg(400000)->Unit(benchmark::kMillisecond)->Iterations(1);
}

void BM_DistributeSharedIssues(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  BenchPlant& p = plant(lines);
  com::Ref<com::Dispatch> autoDis = com::createObject("Marlstone.AutoDis");
  const std::string shared =
      " FROM cb_ICStockBill h INNER JOIN cb_ICStockBillEntry e ON e.FInterID = h.FInterID WHERE h.FTranType "
      "= 24"
      " AND h.FStatus > 0 AND h.FCancellation = 0 AND h.FDeptID BETWEEN 101 AND 104 AND h.FPurposeID IN "
      "(12000, "
      "12001) AND (e.FCostObjID = 0 OR e.FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FNumber = "
      "'MaterielShareID'))";
  for (auto _ : state) {
    for (int dept = 101; dept <= 104; ++dept) {
      for (int group : {0, dept % 2 == 1 ? 1 : 2}) {
        com::callByName(*autoDis, "AutoDisMaterielExp", p.props, demoplant::kEnteredStandard, dept, 0,
                        filter(), 0, "", "", false, false, group);
      }
      com::callByName(*autoDis, "AutoDisMaterielExp", p.props, demoplant::kEnteredStandard, dept, 1,
                      filter());
    }
  }
  state.counters["bill_lines"] = lines;
  state.counters["shared_lines"] = p.count("SELECT COUNT(*)" + shared);
  state.counters["rows"] = p.count("SELECT COUNT(*) FROM cbMaterielInfo WHERE FPeriod = 3") +
                           p.count("SELECT COUNT(*) FROM cbWMaterielInfo WHERE FPeriod = 3");
}
BENCHMARK(BM_DistributeSharedIssues)->Apply(plantSizes)->Arg(800000);

void BM_DistributeWorkInProcess(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  BenchPlant& p = plant(lines);
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  com::callByName(*update, "CalCompleteQty", p.props, 2024, 3);
  for (auto _ : state)
    com::callByName(*update, "DispOnlineMateriel", p.props, 2024, 3);
  state.counters["bill_lines"] = lines;
  state.counters["wip_lines"] = p.count("SELECT COUNT(*) FROM CBProductMatWipEntry");
  state.counters["rows"] = p.count("SELECT COUNT(*) FROM CBOnlineMaterielDispInfo WHERE FInterID > 0");
}
BENCHMARK(BM_DistributeWorkInProcess)->Apply(plantSizes);

void BM_DirectRowsPairList(benchmark::State& state) {
  const int32_t lines = static_cast<int32_t>(state.range(0));
  BenchPlant& p = plant(50000);
  com::Ref<com::Dispatch> autoDis = com::createObject("Marlstone.AutoDis");
  com::SafeArray list({{0, 2}, {0, 2 * lines}});
  for (int32_t i = 0; i < 2 * lines; ++i) {
    const int32_t line = i % lines;
    list.at({0, i}) = com::Variant(900000000 + line);
    list.at({1, i}) = com::Variant(1 + line % 7);
  }
  const com::Variant pairs(std::move(list));
  for (auto _ : state)
    com::callByName(*autoDis, "AutoDisDirctMaterielExpByInterID", p.props, 2024, 3, 0, pairs);
  state.counters["listed"] = 2.0 * lines;
  state.counters["lines"] = lines;
}
BENCHMARK(BM_DirectRowsPairList)
    ->Arg(25000)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace mls

BENCHMARK_MAIN();
