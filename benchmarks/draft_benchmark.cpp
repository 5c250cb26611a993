// One save of the draft of a full table (32,767 subjects), as the main window makes it at most a
// second after a change: the text, then the atomic replacement of the file with its syncs. The
// file is written in a folder of the current directory, as the program writes beside config.ini.
// Also the reading of that draft at start.
#include <benchmark/benchmark.h>

#include "core/draft.h"
#include "full_table.h"

namespace {

const std::filesystem::path kSource{NEROVALE_SOURCE_DIR};
const nerovale::Moment kNow{*nerovale::dates::MakeDate(5, 12, 2026), 14, 30, 0};
const nerovale::CommunicationHeader kHeader{"123456789", "30/11/2026"};

// Every cell as long as the entry rules let it be, with accented letters (two bytes each).
nerovale::SubjectTable LongestTable(const nerovale::SubjectTable& typical) {
  nerovale::SubjectTable table;
  for (int r = 1; r <= typical.Count(); ++r) {
    nerovale::SubjectRow row = typical.Row(r);
    for (auto column : {nerovale::kCognome, nerovale::kNome, nerovale::kNomePadre}) {
      row[column].clear();
      for (int i = 0; i < 36; ++i) row[column] += "ÀB";
    }
    row[nerovale::kComuneEsteroNascita] = row[nerovale::kComuneEsteroDecesso] = std::string(60, 'X');
    if (!table.Add(std::move(row))) break;  // full: the benchmark asks for no more than the table holds
  }
  return table;
}

struct Fixture {
  nerovale::reference::ReferenceTables tables{kSource};
  nerovale::SubjectTable typical = nerovale::benchmarks::FullTable(tables);
  nerovale::SubjectTable longest = LongestTable(typical);
  std::vector<nerovale::draft::Colour> colours = std::vector<nerovale::draft::Colour>(32767, nerovale::draft::kWhite);
  std::filesystem::path directory = std::filesystem::current_path() / "nerovale-draft-benchmark";

  Fixture() {
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
  }
  ~Fixture() { std::filesystem::remove_all(directory); }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void FormatDraft(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(nerovale::draft::Format(kNow, kHeader, f.typical, f.colours));
}
BENCHMARK(FormatDraft)->Unit(benchmark::kMillisecond);

void SaveDraft(benchmark::State& state, bool longest) {
  Fixture& f = Shared();
  const auto& table = longest ? f.longest : f.typical;
  const auto file = f.directory / nerovale::draft::kFileName;
  for (auto _ : state) {
    if (const auto saved = nerovale::draft::Write(file, kNow, kHeader, table, f.colours); !saved) {
      state.SkipWithError(saved.message().c_str());
    }
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK_CAPTURE(SaveDraft, typical, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveDraft, longest_cells, true)->Unit(benchmark::kMillisecond);

void ReadDraft(benchmark::State& state) {
  Fixture& f = Shared();
  const auto file = f.directory / "read.nerovale";
  static_cast<void>(nerovale::draft::Write(file, kNow, kHeader, f.typical, f.colours));
  for (auto _ : state) {
    const auto reading = nerovale::draft::Read(file);
    if (reading.kind != nerovale::draft::Reading::Kind::kDraft) state.SkipWithError("the draft did not read");
  }
}
BENCHMARK(ReadDraft)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
