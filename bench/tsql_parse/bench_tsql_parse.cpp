// Parsing speed of the T-SQL front end: a batch of 1,000 INSERT statements, as
// the system's scripts load seed rows, and the same batch tokenized only.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/tsql/parse/parser.h"
#include "platform/tsql/parse/token.h"

namespace {

std::string insertBatch(int statements) {
  std::string batch = "SET NOCOUNT ON\n";
  for (int i = 0; i < statements; ++i) {
    batch += "INSERT INTO dbo.CostLine (LineId, CostObj, Account, Period, Amount, Note) VALUES (" +
             std::to_string(i) + ", 'CO" + std::to_string(i % 97) + "', N'材料費', 2024" +
             std::to_string(1 + i % 12) + ", " + std::to_string(i * 7) + ".1234, 'it''s line " +
             std::to_string(i) + "')\n";
  }
  return batch;
}

void BM_ParseInsertBatch(benchmark::State& state) {
  const std::string batch = insertBatch(1000);
  for (auto _ : state) {
    auto stmts = mls::tsql::parseBatch(batch);
    benchmark::DoNotOptimize(stmts.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * batch.size()));
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ParseInsertBatch)->Unit(benchmark::kMillisecond);

void BM_TokenizeInsertBatch(benchmark::State& state) {
  const std::string batch = insertBatch(1000);
  for (auto _ : state) {
    auto tokens = mls::tsql::tokenize(batch);
    benchmark::DoNotOptimize(tokens.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * batch.size()));
}
BENCHMARK(BM_TokenizeInsertBatch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
