// Parse-and-run of a 1,000-statement INSERT batch, a filtered scan of a
// 1M-row table, a correlated join probed by one key most rows share, and
// column defaults filled by INSERT ... SELECT and UPDATE ... SET = DEFAULT.
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

// Runs `work` once an iteration on a new database that `tables` filled,
// after the numbers 0..999 in `n`; a run handles `items` rows.
void runOnTables(benchmark::State& state, const char* tables, const char* work, int64_t items) {
  auto db = Database::create();
  Session s(db);
  s.execute(
      "SET NOCOUNT ON CREATE TABLE n (i INT NOT NULL PRIMARY KEY) DECLARE @i INT = 0 "
      "WHILE @i < 1000 BEGIN INSERT n VALUES (@i) SET @i = @i + 1 END");
  s.execute(tables);
  for (auto _ : state) {
    BatchResult r = s.execute(work);
    benchmark::DoNotOptimize(r.items.size());
  }
  state.SetItemsProcessed(state.iterations() * items);
}

// The producer of each of 200,000 materials: a correlated TOP 1 over a join
// of 3,000 cost objects (1,501 of them sharing the empty batch, which every
// material asks for) and their 600 products.  Each run weighs the batch's
// objects against the material's products before reading either.
void BM_CorrelatedJoinSharedKey(benchmark::State& state) {
  runOnTables(
      state,
      "CREATE TABLE obj (id INT NOT NULL PRIMARY KEY, batch VARCHAR(200) NOT NULL, kind INT) "
      "CREATE TABLE prod (obj_id INT NOT NULL, product INT NOT NULL, PRIMARY KEY (obj_id, product)) "
      "INSERT obj SELECT a.i * 1000 + b.i + 1, CASE WHEN a.i * 1000 + b.i < 1501 THEN '' "
      "ELSE 'B' + CAST(a.i * 1000 + b.i AS VARCHAR(10)) END, (a.i * 1000 + b.i) % 10 "
      "FROM n a CROSS JOIN n b WHERE a.i < 3 "
      "INSERT prod SELECT id, 100000 + id FROM obj WHERE id % 10 = 0 "
      "INSERT prod SELECT id, 100001 + id FROM obj WHERE id % 10 = 0 "
      "CREATE TABLE need (material INT, batch VARCHAR(255), producer INT NOT NULL DEFAULT (0)) "
      "INSERT need (material, batch) SELECT CASE WHEN b.i % 4 = 0 THEN 100000 + (a.i * 7 + b.i) % 3000 "
      "ELSE 500000 + a.i END, '' FROM n a CROSS JOIN n b WHERE a.i < 200",
      "UPDATE t SET producer = ISNULL((SELECT TOP 1 c.id FROM obj c INNER JOIN prod p ON c.id = p.obj_id "
      "WHERE p.product = t.material AND c.batch = t.batch ORDER BY c.kind DESC), 0) FROM need t",
      200000);
}
BENCHMARK(BM_CorrelatedJoinSharedKey)->Unit(benchmark::kMillisecond);

// 300,000 rows taking four columns' defaults, inserted from a query and then
// set back to two of them.
void BM_ColumnDefaults(benchmark::State& state) {
  runOnTables(
      state,
      "CREATE TABLE d (a INT, b DECIMAL(18,4) NOT NULL DEFAULT (0), c VARCHAR(20) NOT NULL DEFAULT (''), "
      "e SMALLINT NOT NULL DEFAULT (4), f INT NOT NULL DEFAULT (0))",
      "TRUNCATE TABLE d INSERT d (a) SELECT a.i * 1000 + b.i FROM n a CROSS JOIN n b WHERE a.i < 300 "
      "UPDATE d SET b = DEFAULT, e = DEFAULT",
      300000);
}
BENCHMARK(BM_ColumnDefaults)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mls::tsql

BENCHMARK_MAIN();
