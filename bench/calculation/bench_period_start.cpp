// The period-start steps on demo plants of 50,000 to 800,000 live bill lines:
// the snapshot, the reset of the period's calculation rows, the completed and
// product quantities and the actual-cost inputs, each through its class
// created by ProgID on an embedded database (one per size, built before its
// first step and not timed).  Each size takes the steps in the order the
// period start runs them; the program ends with each step's growth exponent
// between successive sizes and over the whole range (CPU time ~ n^k).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "classes/library.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "schema/demoplant/plant.h"
#include "schema/schema_files.h"

namespace mls {
namespace {

constexpr int kSizes[] = {50000, 100000, 200000, 400000, 800000};

struct SizedPlant {
  explicit SizedPlant(int lines)
      : connect("Provider=Marlstone.Embedded;Data Source=PeriodStart" + std::to_string(lines)) {
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(connect);
    for (const std::string& batch : schema::erpSchemaBatches())
      c->execute(batch);
    c->execute("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('GL', 'PeriodCount', '12')");
    {
      demoplant::Plant plant = demoplant::generatePlant({.seed = 1, .billLines = lines});
      for (const std::string& s : plant.statements)
        c->execute(s);
    }
    // Every cost object of the plant, as the client lists them (ID, name).
    std::vector<double> ids;
    com::Ref<ado::Recordset> rs = c->execute("SELECT FItemID FROM cbCostObj ORDER BY FItemID");
    for (; !rs->eof(); rs->moveNext())
      ids.push_back(rs->value(0).toDouble());
    c->close();
    com::SafeArray a({{0, 2}, {0, static_cast<int32_t>(ids.size())}});
    for (size_t i = 0; i < ids.size(); ++i) {
      a.at({0, static_cast<int32_t>(i)}) = com::Variant(ids[i]);
      a.at({1, static_cast<int32_t>(i)}) = com::Variant("cost object");
    }
    costObjects = com::Variant(std::move(a));
    props = "ConnectString={" + connect + "};Language=en";
    update = com::createObject("Marlstone.ConcludeUpdate");
    calInfo = com::createObject("Marlstone.CalInfo");
  }
  std::string connect;
  std::string props;
  com::Variant costObjects;
  com::Ref<com::Dispatch> update;
  com::Ref<com::Dispatch> calInfo;
};

SizedPlant& plant(int lines) {
  static std::map<int, std::unique_ptr<SizedPlant>> plants;
  std::unique_ptr<SizedPlant>& p = plants[lines];
  if (!p) {
    classes::registerInProcess();
    p = std::make_unique<SizedPlant>(lines);
  }
  return *p;
}

// One step on a plant of state.range(0) lines.
template <typename Step>
void runStep(benchmark::State& state, Step step) {
  const int lines = static_cast<int>(state.range(0));
  SizedPlant& p = plant(lines);
  for (auto _ : state)
    step(p);
  state.counters["lines"] = lines;
}

void BM_Snapshot(benchmark::State& state) {
  runStep(state,
          [](SizedPlant& p) { com::callByName(*p.update, "GetICStockBillDataForCB", p.props, 2024, 3); });
}
void BM_DeleteCalInfo(benchmark::State& state) {
  runStep(state, [](SizedPlant& p) { com::callByName(*p.update, "DeleteCalInfo", p.props, 2024, 3); });
}
void BM_CalCompleteQty(benchmark::State& state) {
  runStep(state, [](SizedPlant& p) { com::callByName(*p.update, "CalCompleteQty", p.props, 2024, 3); });
}
void BM_CalProductQty(benchmark::State& state) {
  runStep(state, [](SizedPlant& p) { com::callByName(*p.update, "CalProductQty", p.props, 2024, 3); });
}
void BM_GetCaculateInfo(benchmark::State& state) {
  runStep(state, [](SizedPlant& p) {
    com::callByName(*p.calInfo, "GetCaculateInfo", p.props, p.costObjects, 2024, 3);
  });
}

// Each size; a step that leaves its tables as it found them runs three times.
void sizes(benchmark::internal::Benchmark* b, int iterations) {
  for (int n : kSizes)
    b->Arg(n);
  b->Unit(benchmark::kMillisecond)->Iterations(iterations);
}
void repeatable(benchmark::internal::Benchmark* b) {
  sizes(b, 3);
}
void once(benchmark::internal::Benchmark* b) {
  sizes(b, 1);
}

// The period start's order: every size takes the steps in this order.
BENCHMARK(BM_Snapshot)->Apply(repeatable);
BENCHMARK(BM_DeleteCalInfo)->Apply(once);  // the first run deletes the orphans
BENCHMARK(BM_CalCompleteQty)->Apply(repeatable);
BENCHMARK(BM_CalProductQty)->Apply(repeatable);
BENCHMARK(BM_GetCaculateInfo)->Apply(repeatable);

// The console report, then each step's growth exponent.
class GrowthReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      auto lines = r.counters.find("lines");
      if (lines == r.counters.end() || r.error_occurred) continue;
      std::string name = r.run_name.function_name;
      if (times_.find(name) == times_.end()) order_.push_back(name);
      times_[name][static_cast<int>(lines->second.value)] = r.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\ngrowth exponent k (CPU time ~ n^k) between successive sizes, and over the whole range\n");
    for (const std::string& name : order_) {
      const std::map<int, double>& t = times_[name];
      std::printf("%-20s", name.c_str());
      for (auto it = t.begin(); std::next(it) != t.end(); ++it) {
        auto next = std::next(it);
        std::printf("  %dk-%dk: %5.2f", it->first / 1000, next->first / 1000, exponent(*it, *next));
      }
      if (t.size() > 2) std::printf("  all: %5.2f", exponent(*t.begin(), *t.rbegin()));
      std::printf("\n");
    }
  }

 private:
  static double exponent(const std::pair<const int, double>& a, const std::pair<const int, double>& b) {
    return std::log(b.second / a.second) / std::log(static_cast<double>(b.first) / a.first);
  }
  std::vector<std::string> order_;
  std::map<std::string, std::map<int, double>> times_;
};

}  // namespace
}  // namespace mls

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  mls::GrowthReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
