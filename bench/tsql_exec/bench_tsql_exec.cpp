// Parse-and-run of a 1,000-statement INSERT batch, and a filtered scan of a
// 1M-row table.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/tsql/engine.h"

namespace mls::tsql {
namespace {

std::string insertBatch(int statements, int firstKey) {
  std::string sql;
  for (int i = 0; i < statements; ++i) {
    int k = firstKey + i;
    sql += "INSERT INTO bill (id, item, qty, cost) VALUES (" + std::to_string(k) + ", 'ITEM" +
           std::to_string(k % 977) + "', " + std::to_string(k % 50) + ", " + std::to_string(k % 1000) +
           ".25)\n";
  }
  return sql;
}

const char* kCreate = "CREATE TABLE bill (id INT NOT NULL, item VARCHAR(20), qty INT, cost DECIMAL(12,2))";

void BM_InsertBatch1000(benchmark::State& state) {
  const std::string batch = insertBatch(1000, 0);
  for (auto _ : state) {
    state.PauseTiming();
    auto db = Database::create();
    Session s(db);
    s.execute(kCreate);
    state.ResumeTiming();
    BatchResult r = s.execute(batch);
    benchmark::DoNotOptimize(r.items.size());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_InsertBatch1000)->Unit(benchmark::kMillisecond);

// One database of 1M rows, filled once by INSERT ... SELECT doubling.
Session& millionRows() {
  static std::shared_ptr<Database> db = Database::create();
  static Session s(db);
  static bool filled = false;
  if (!filled) {
    s.execute(kCreate);
    s.execute(insertBatch(1000, 0));
    s.execute(
        "SET NOCOUNT ON DECLARE @n INT = 1000 WHILE @n < 1000000 BEGIN "
        "INSERT bill (id, item, qty, cost) SELECT TOP (1000000 - @n) id + @n, item, (id + @n) % 50, cost "
        "FROM bill "
        "SET @n = @n + @@ROWCOUNT END");
    filled = true;
  }
  return s;
}

void BM_FilteredScan1M(benchmark::State& state) {
  Session& s = millionRows();
  int64_t rows = 0;
  for (auto _ : state) {
    BatchResult r = s.execute("SELECT id, cost FROM bill WHERE qty = 7 AND cost > 500");
    rows = static_cast<int64_t>(r.items.back().rowset.rows.size());
  }
  state.counters["rows_out"] = static_cast<double>(rows);
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_FilteredScan1M)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mls::tsql

BENCHMARK_MAIN();
