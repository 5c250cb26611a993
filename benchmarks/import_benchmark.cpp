// Importing a CSV file of 32,766 subjects, the most that a table with one subject typed in can take.
#include <benchmark/benchmark.h>

#include "full_table.h"
#include "import/csv_import.h"

namespace {

namespace fs = std::filesystem;
constexpr int kLines = nerovale::SubjectTable::kMaxSubjects - 1;

struct Workspace {
  fs::path root = fs::temp_directory_path() / "nerovale-import-benchmark";
  Workspace() { nerovale::benchmarks::MakeWorkspace(NEROVALE_SOURCE_DIR, root, kLines); }
  ~Workspace() { fs::remove_all(root); }
};

void ImportFullFile(benchmark::State& state) {
  const Workspace w;
  nerovale::reference::ReferenceTables tables(w.root);
  for (auto _ : state) {
    const auto result = nerovale::import::ImportCsv(w.root / "export.csv", 0, tables);
    if (!result.ok || result.rows.size() != kLines) state.SkipWithError("the import failed");
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(ImportFullFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
