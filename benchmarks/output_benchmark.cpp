// The output step for a full table (32,767 subjects): the notice written, synced to the disk, read
// back and validated against its schema, and beside it xmllint validating the same file as a stream
// with the same schema (xmllint --stream --noout --schema), the anchor of the figure. The two run one
// after the other in every iteration, so that both meet the machine as it is at that moment; the
// time reported is the output step's, and the counters give the median of each and the median of the
// ratios of the pairs.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "full_table.h"
#include "output/notice_output.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
const fs::path kSource{NEROVALE_SOURCE_DIR};
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs a program with its output thrown away; whether it ended with status 0.
bool Run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const bool spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return spawned && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void OutputStepAgainstXmllintStream(benchmark::State& state) {
  nerovale::reference::ReferenceTables tables(kSource);
  const nerovale::SubjectTable table = nerovale::benchmarks::FullTable(tables);
  const nerovale::output::Sender sender{"H501", "BIANCHI", "LUCIA"};
  const nerovale::CommunicationHeader header{"123", "30/11/2026"};
  const fs::path schema = kSource / "ref" / "validate.xsd";
  const fs::path directory = fs::temp_directory_path() / "nerovale-output-benchmark";
  fs::remove_all(directory);
  fs::create_directories(directory);
  nerovale::output::NoticeFolderMaker folders;
  std::vector<double> ours, xmllint, ratios;
  int minute = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    const auto outcome =
        nerovale::output::WriteNotice({sender, header, table, schema}, directory,
                                      {*nerovale::dates::MakeDate(5, 12, 2026), 14, minute++ % 60}, folders);
    const auto written = Clock::now();
    if (!outcome.valid) state.SkipWithError(outcome.message.c_str());
    if (!Run({"xmllint", "--stream", "--noout", "--schema", schema.string(), outcome.file.string()})) {
      state.SkipWithError("xmllint refused the notice");
    }
    const auto linted = Clock::now();
    state.SetIterationTime(Seconds(written - start));
    ours.push_back(Seconds(written - start));
    xmllint.push_back(Seconds(linted - written));
    ratios.push_back(ours.back() / xmllint.back());
    fs::remove_all(outcome.file.parent_path());
  }
  fs::remove_all(directory);
  state.counters["output_ms"] = Median(ours) * 1000;
  state.counters["xmllint_stream_ms"] = Median(xmllint) * 1000;
  state.counters["ratio"] = Median(ratios);
}
BENCHMARK(OutputStepAgainstXmllintStream)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(7);

}  // namespace

BENCHMARK_MAIN();
