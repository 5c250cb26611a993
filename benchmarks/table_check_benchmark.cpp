// The table-wide check over a full table: 32,767 valid rows, each with a 16-character codice fiscale.
#include <benchmark/benchmark.h>

#include "full_table.h"
#include "validation/table_check.h"

namespace {

void ValidateFullTable(benchmark::State& state) {
  nerovale::reference::ReferenceTables tables(std::filesystem::path(NEROVALE_SOURCE_DIR));
  const nerovale::SubjectTable table = nerovale::benchmarks::FullTable(tables);
  const auto today = *nerovale::dates::MakeDate(6, 12, 2026);
  for (auto _ : state) {
    const auto snapshot = tables.Snapshot();
    const auto failed = nerovale::validation::ValidateSubjectTable(table, today, snapshot);
    if (!failed.empty()) state.SkipWithError("a row failed");
  }
  state.SetItemsProcessed(state.iterations() * table.Count());
}
BENCHMARK(ValidateFullTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
