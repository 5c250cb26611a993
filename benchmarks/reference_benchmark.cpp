// Five lookups for each of 32,767 imported lines against the shipped municipality table: the
// in-memory tables beside a literal rescan of the file for every lookup; and the look-up of a name
// at a day, with the validity file, beside the first-line look-up without it.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/text.h"
#include "reference/reference_tables.h"

namespace {

constexpr int kLookups = 5 * 32767;
const std::filesystem::path kSource{NEROVALE_SOURCE_DIR};

std::vector<std::string> SomeNames() {
  nerovale::reference::ReferenceTables tables(kSource);
  const auto all = tables.ComuniNames();
  std::vector<std::string> names;
  for (std::size_t i = 0; i < all.size(); i += 97) names.push_back(all[i]);
  return names;
}

// Opens the file and scans it from the first line, as a table without memory would.
std::string RescanCode(const std::filesystem::path& file, const std::string& upper_name) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const auto comma = line.find(',');
    if (comma == std::string::npos) continue;
    if (nerovale::text::Utf8FromCp1252(line.substr(0, comma)) == upper_name) {
      const auto end = line.find_first_of(",\r", comma + 1);
      return line.substr(comma + 1, end == std::string::npos ? end : end - comma - 1);
    }
  }
  return {};
}

// One snapshot for the whole import, as the import takes it.
void InMemorySnapshot(benchmark::State& state) {
  nerovale::reference::ReferenceTables tables(kSource);
  const auto names = SomeNames();
  for (auto _ : state) {
    const auto snapshot = tables.Snapshot();
    for (int i = 0; i < kLookups; ++i) benchmark::DoNotOptimize(snapshot.CodComune(names[i % names.size()]));
  }
  state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(InMemorySnapshot)->Unit(benchmark::kMillisecond);

// Every lookup checks the file on disk first (one stat call each).
void InMemoryCheckedPerLookup(benchmark::State& state) {
  nerovale::reference::ReferenceTables tables(kSource);
  const auto names = SomeNames();
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) benchmark::DoNotOptimize(tables.CodComune(names[i % names.size()]));
  }
  state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(InMemoryCheckedPerLookup)->Unit(benchmark::kMillisecond);

// The first line of each name, as without the validity file: the anchor of the dated look-up.
void FirstLineWithoutDates(benchmark::State& state) {
  nerovale::reference::ReferenceTables tables(kSource / "ref" / "FileCodComuni.txt", kSource / "ref" / "FileCodStati.txt");
  const auto names = SomeNames();
  for (auto _ : state) {
    const auto snapshot = tables.Snapshot();
    for (int i = 0; i < kLookups; ++i) {
      benchmark::DoNotOptimize(snapshot.ComuneAt(names[i % names.size()], *nerovale::dates::MakeDate(5, 3, 1950)));
    }
  }
  state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(FirstLineWithoutDates)->Unit(benchmark::kMillisecond);

// Each name at a day, among the periods of its codes.
void AtTheirDates(benchmark::State& state) {
  nerovale::reference::ReferenceTables tables(kSource);
  const auto names = SomeNames();
  for (auto _ : state) {
    const auto snapshot = tables.Snapshot();
    for (int i = 0; i < kLookups; ++i) {
      benchmark::DoNotOptimize(snapshot.ComuneAt(names[i % names.size()], *nerovale::dates::MakeDate(5, 3, 1950)));
    }
  }
  state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(AtTheirDates)->Unit(benchmark::kMillisecond);

void RescanPerLookup(benchmark::State& state) {
  const auto file = kSource / "ref" / "FileCodComuni.txt";
  const auto names = SomeNames();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(RescanCode(file, nerovale::text::ToUpper(names[i++ % names.size()])));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(RescanPerLookup)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
