// The output step for a full table (32,767 subjects): build, save and validate, beside libxml2's own
// xmllint validating the same file against the same schema.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "full_table.h"
#include "output/notice_output.h"

namespace {

const std::filesystem::path kSource{NEROVALE_SOURCE_DIR};

struct Fixture {
  nerovale::reference::ReferenceTables tables{kSource};
  nerovale::SubjectTable table = nerovale::benchmarks::FullTable(tables);
  nerovale::output::Sender sender{"H501", "BIANCHI", "LUCIA"};
  nerovale::CommunicationHeader header{"123", "30/11/2026"};
  std::filesystem::path directory = std::filesystem::temp_directory_path() / "nerovale-output-benchmark";
  nerovale::output::Notice notice{sender, header, table, kSource / "ref" / "validate.xsd"};

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

void WriteNotice(benchmark::State& state) {
  Fixture& f = Shared();
  nerovale::output::NoticeFolderMaker folders;
  int minute = 0;
  for (auto _ : state) {
    const auto outcome = nerovale::output::WriteNotice(f.notice, f.directory, {*nerovale::dates::MakeDate(5, 12, 2026), 14, minute++ % 60}, folders);
    if (!outcome.valid) state.SkipWithError(outcome.message.c_str());
    state.PauseTiming();
    std::filesystem::remove_all(outcome.file.parent_path());
    state.ResumeTiming();
  }
}
BENCHMARK(WriteNotice)->Unit(benchmark::kMillisecond);

void XmllintValidate(benchmark::State& state) {
  Fixture& f = Shared();
  const auto file = f.directory / "notice.xml";
  nerovale::output::SaveNoticeXml(f.notice, file);
  const std::string command = "xmllint --noout --schema '" + f.notice.schema.string() + "' '" + file.string() + "' 2>/dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("xmllint refused the notice");
  }
  std::filesystem::remove(file);
}
BENCHMARK(XmllintValidate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
