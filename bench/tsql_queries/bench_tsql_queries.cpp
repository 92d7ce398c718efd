// The engine's set-based work against SQLite on the same data in the same
// program: a 1M x 100k equality join with a filter, a 1M-row GROUP BY of 10k
// groups summing decimals, an UPDATE ... FROM join of 200k rows and a
// running-total UPDATE of 1M rows.  After the runs the ratio engine / SQLite
// of each pair is printed.
//
// The data (both engines): bill (1M rows: id, item_id in 0..99999, grp in
// 0..9999, cost decimal(12,2), running), item (100k rows: id primary key,
// cat in 0..999, price decimal(12,2)), upd (200k rows: id primary key,
// item_id, cost).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/tsql/engine.h"

namespace mls::tsql {
namespace {

constexpr int kBill = 1000000;
constexpr int kItems = 100000;
constexpr int kUpd = 200000;

// The column formulas both engines fill the tables with, from the row number `id`.
const char* kBillItem = "(CAST(id AS BIGINT) * 7919) % 100000";
const char* kBillGrp = "id % 10000";
const char* kBillCost = "(id % 1000) + 0.25";
const char* kItemCat = "(id * 31) % 1000";
const char* kItemPrice = "(id % 500) + 0.5";

// --------------------------------------------------------------- the engine

// Fills `table` with rows 0..count-1 of `columns` (expressions over id):
// 1,000 rows from VALUES, then doubling by INSERT ... SELECT.
void fillEngine(Session& s, const std::string& table, int count, const std::string& columns,
                const std::string& exprs) {
  std::string seed = "SET NOCOUNT ON CREATE TABLE #n (id INT) ";
  for (int i = 0; i < 1000; i += 100) {
    seed += "INSERT #n VALUES ";
    for (int j = i; j < i + 100; ++j)
      seed += (j > i ? ", (" : "(") + std::to_string(j) + ")";
    seed += " ";
  }
  seed += "DECLARE @n INT = 1000 WHILE @n < " + std::to_string(count) + " BEGIN INSERT #n SELECT TOP (" +
          std::to_string(count) + " - @n) id + @n FROM #n SET @n = @n + @@ROWCOUNT END ";
  seed += "INSERT " + table + " (" + columns + ") SELECT " + exprs + " FROM #n ";
  seed += "DROP TABLE #n";
  s.execute(seed);
}

Session& engine() {
  static std::shared_ptr<Database> db = Database::create();
  static Session s(db);
  static bool filled = false;
  if (!filled) {
    s.execute(
        "CREATE TABLE bill (id INT NOT NULL, item_id INT, grp INT, cost DECIMAL(12,2), running "
        "DECIMAL(18,2)) "
        "CREATE TABLE item (id INT PRIMARY KEY, cat INT, price DECIMAL(12,2)) "
        "CREATE TABLE upd (id INT PRIMARY KEY, item_id INT, cost DECIMAL(12,2))");
    fillEngine(s, "bill", kBill, "id, item_id, grp, cost",
               std::string("id, ") + kBillItem + ", " + kBillGrp + ", " + kBillCost);
    fillEngine(s, "item", kItems, "id, cat, price", std::string("id, ") + kItemCat + ", " + kItemPrice);
    fillEngine(s, "upd", kUpd, "id, item_id", std::string("id, ") + kBillItem);
    filled = true;
  }
  return s;
}

size_t engineRows(Session& s, const char* sql) {
  BatchResult r = s.execute(sql);
  return r.items.empty() ? 0 : r.items.back().rowset.rows.size();
}

// ------------------------------------------------------------------ SQLite

void check(sqlite3* db, int rc) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errmsg(db));
}

void sqliteExec(sqlite3* db, const std::string& sql) {
  check(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
}

// Rows of a query, stepped through and counted (values read as the engine
// hands them over).
size_t sqliteRows(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  check(db, sqlite3_prepare_v2(db, sql, -1, &st, nullptr));
  size_t rows = 0;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    for (int c = 0; c < sqlite3_column_count(st); ++c)
      benchmark::DoNotOptimize(sqlite3_column_text(st, c));
    ++rows;
  }
  sqlite3_finalize(st);
  check(db, rc);
  return rows;
}

void fillSqlite(sqlite3* db, const std::string& table, int count, const std::string& columns,
                const std::string& exprs) {
  sqliteExec(db, "INSERT INTO " + table + " (" + columns +
                     ") WITH RECURSIVE n(id) AS (SELECT 0 UNION ALL SELECT id + 1 FROM n WHERE id < " +
                     std::to_string(count - 1) + ") SELECT " + exprs + " FROM n");
}

sqlite3* lite() {
  static sqlite3* db = nullptr;
  if (!db) {
    check(db, sqlite3_open(":memory:", &db));
    sqliteExec(db,
               "CREATE TABLE bill (id INTEGER NOT NULL, item_id INTEGER, grp INTEGER, cost DECIMAL(12,2), "
               "running DECIMAL(18,2));"
               "CREATE TABLE item (id INTEGER PRIMARY KEY, cat INTEGER, price DECIMAL(12,2));"
               "CREATE TABLE upd (id INTEGER PRIMARY KEY, item_id INTEGER, cost DECIMAL(12,2));");
    fillSqlite(db, "bill", kBill, "id, item_id, grp, cost",
               std::string("id, ") + kBillItem + ", " + kBillGrp + ", " + kBillCost);
    fillSqlite(db, "item", kItems, "id, cat, price", std::string("id, ") + kItemCat + ", " + kItemPrice);
    fillSqlite(db, "upd", kUpd, "id, item_id", std::string("id, ") + kBillItem);
  }
  return db;
}

// ------------------------------------------------------------- the queries

const char* kJoin = "SELECT b.id, i.price FROM bill b JOIN item i ON i.id = b.item_id WHERE i.cat < 10";
const char* kGroup = "SELECT grp, SUM(cost) FROM bill GROUP BY grp";
const char* kUpdateFromEngine = "UPDATE u SET cost = i.price FROM upd u JOIN item i ON i.id = u.item_id";
const char* kUpdateFromSqlite = "UPDATE upd SET cost = i.price FROM item i WHERE i.id = upd.item_id";
const char* kRunningEngine =
    "DECLARE @run DECIMAL(18,2) SET @run = 0 UPDATE bill SET @run = running = @run + cost";
// SQLite has no variables in UPDATE: the running total as a window sum.
const char* kRunningSqlite =
    "UPDATE bill SET running = w.r FROM (SELECT rowid AS rid, SUM(cost) OVER (ORDER BY rowid) AS r FROM "
    "bill) w "
    "WHERE w.rid = bill.rowid";

void BM_Join_Engine(benchmark::State& state) {
  Session& s = engine();
  size_t rows = 0;
  for (auto _ : state)
    rows = engineRows(s, kJoin);
  state.counters["rows"] = static_cast<double>(rows);
}
void BM_Join_SQLite(benchmark::State& state) {
  sqlite3* db = lite();
  size_t rows = 0;
  for (auto _ : state)
    rows = sqliteRows(db, kJoin);
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_GroupBy_Engine(benchmark::State& state) {
  Session& s = engine();
  size_t rows = 0;
  for (auto _ : state)
    rows = engineRows(s, kGroup);
  state.counters["rows"] = static_cast<double>(rows);
}
void BM_GroupBy_SQLite(benchmark::State& state) {
  sqlite3* db = lite();
  size_t rows = 0;
  for (auto _ : state)
    rows = sqliteRows(db, kGroup);
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_UpdateFrom_Engine(benchmark::State& state) {
  Session& s = engine();
  for (auto _ : state)
    s.execute(kUpdateFromEngine);
}
void BM_UpdateFrom_SQLite(benchmark::State& state) {
  sqlite3* db = lite();
  for (auto _ : state)
    sqliteExec(db, kUpdateFromSqlite);
}

void BM_RunningTotal_Engine(benchmark::State& state) {
  Session& s = engine();
  for (auto _ : state)
    s.execute(kRunningEngine);
}
void BM_RunningTotal_SQLite(benchmark::State& state) {
  sqlite3* db = lite();
  for (auto _ : state)
    sqliteExec(db, kRunningSqlite);
}

BENCHMARK(BM_Join_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Join_SQLite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupBy_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupBy_SQLite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateFrom_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateFrom_SQLite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunningTotal_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunningTotal_SQLite)->Unit(benchmark::kMillisecond);

// Keeps the time per iteration of each run for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        seconds_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
  }
  void printRatios() const {
    std::printf("\n%-14s %12s %12s %8s\n", "work", "engine", "SQLite", "ratio");
    for (const char* work : {"Join", "GroupBy", "UpdateFrom", "RunningTotal"}) {
      auto e = seconds_.find(std::string("BM_") + work + "_Engine");
      auto s = seconds_.find(std::string("BM_") + work + "_SQLite");
      if (e == seconds_.end() || s == seconds_.end()) continue;
      std::printf("%-14s %9.1f ms %9.1f ms %7.2fx\n", work, e->second, s->second, e->second / s->second);
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace
}  // namespace mls::tsql

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  mls::tsql::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
