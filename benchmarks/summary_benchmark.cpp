// The summary of a full notice (32,767 subjects, a quarter of them with names that wrap): the pages
// laid out, and the PDF file written; the page count is reported beside the time.
#include <benchmark/benchmark.h>

#include "full_table.h"
#include "summary/pdf_file.h"
#include "summary/summary.h"

namespace {

const std::filesystem::path kSource{NEROVALE_SOURCE_DIR};

struct Fixture {
  nerovale::reference::ReferenceTables tables{kSource};
  nerovale::SubjectTable table = nerovale::benchmarks::FullTable(tables);
  nerovale::output::Sender sender{"H501", "BIANCHI", "LUCIA"};
  nerovale::CommunicationHeader header{"123", "30/11/2026"};
  nerovale::summary::Summary summary{"ROMA", sender, header, "/srv/notifiche/Nerovale_20261206,1030/nerovale_123_20261130.xml",
                                     std::string(64, 'a'), {*nerovale::dates::MakeDate(6, 12, 2026), 10, 30}, table};
  Fixture() {
    for (int r = 1; r <= table.Count(); r += 4) {
      static_cast<void>(table.SetCell(r, nerovale::kCognome, "DEGLI ALBERI DI SANT'ANGELO IN VADO DEI CONTI GUIDI DI CASTEL SAN PIETRO"));
    }
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void LayOut(benchmark::State& state) {
  std::size_t pages = 0;
  for (auto _ : state) pages = nerovale::summary::LayOut(Shared().summary).pages.size();
  state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(LayOut)->Unit(benchmark::kMillisecond);

void WriteSummary(benchmark::State& state) {
  const auto pdf = std::filesystem::temp_directory_path() / "nerovale-summary-benchmark.pdf";
  for (auto _ : state) {
    if (const auto written = nerovale::summary::WriteSummary(Shared().summary, pdf); !written) {
      state.SkipWithError(written.message().c_str());
    }
  }
  state.counters["MiB"] = static_cast<double>(std::filesystem::file_size(pdf)) / (1 << 20);
  std::filesystem::remove(pdf);
}
BENCHMARK(WriteSummary)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
