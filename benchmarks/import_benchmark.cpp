// Importing a CSV file that fills the table (32,766 subjects), and nerovale-batch on that file
// beside xmllint validating the notice it wrote.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <fstream>

#include "full_table.h"
#include "import/csv_import.h"

namespace {

namespace fs = std::filesystem;
const fs::path kSource{NEROVALE_SOURCE_DIR};
constexpr int kLines = nerovale::SubjectTable::kMaxSubjects - 1;

// A working directory like the application's, with a full CSV export.
struct Workspace {
  fs::path root = fs::temp_directory_path() / "nerovale-import-benchmark";
  fs::path csv = root / "export.csv";
  fs::path dest = root / "out";

  Workspace() {
    fs::remove_all(root);
    fs::create_directories(root / "ref");
    fs::create_directories(dest);
    for (const char* file : {"FileCodComuni.txt", "FileCodStati.txt", "validate.xsd"}) {
      fs::copy_file(kSource / "ref" / file, root / "ref" / file);
    }
    std::ofstream(root / "config.ini", std::ios::binary) << "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n";
    nerovale::reference::ReferenceTables tables(kSource);
    const auto table = nerovale::benchmarks::FullTable(tables, kLines);
    std::ofstream out(csv, std::ios::binary);
    for (int r = 1; r <= table.Count(); ++r) {
      using namespace nerovale;
      const auto& row = table.Row(r);
      for (Column c : {kCognome, kNome, kSesso, kDataNascita, kComuneNascita, kComuneEsteroNascita, kNazioneNascita,
                       kCodiceFiscale, kNomePadre, kDataDecesso, kNazioneDecesso, kComuneDecesso, kComuneEsteroDecesso,
                       kAttoMorte, kComuneAtto, kAnnoProtocollo}) {
        out << row[c] << ';';
      }
      out << row[kNumeroProtocollo] << "\r\n";
    }
  }
  ~Workspace() { fs::remove_all(root); }
};

Workspace& Shared() {
  static Workspace workspace;
  return workspace;
}

void ImportFullFile(benchmark::State& state) {
  Workspace& w = Shared();
  nerovale::reference::ReferenceTables tables(w.root);
  for (auto _ : state) {
    const auto result = nerovale::import::ImportCsv(w.csv, 0, tables);
    if (!result.ok || result.rows.size() != kLines) state.SkipWithError("the import failed");
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(ImportFullFile)->Unit(benchmark::kMillisecond);

// Runs a shell command; its exit status, and its peak resident memory in peak_kib.
int RunMeasured(const std::string& command, long& peak_kib) {
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  peak_kib = std::max(peak_kib, usage.ru_maxrss);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BatchCommand(benchmark::State& state) {
  Workspace& w = Shared();
  const std::string command = "cd '" + w.root.string() + "' && exec '" NEROVALE_BATCH "' --numero 1 --data 30/11/2026 --dest out export.csv > /dev/null";
  long peak_kib = 0;
  for (auto _ : state) {
    if (RunMeasured(command, peak_kib) != 0) state.SkipWithError("nerovale-batch refused the notice");
    state.PauseTiming();
    for (const auto& entry : fs::directory_iterator(w.dest)) {
      if (fs::exists(w.root / "notice.xml")) fs::remove(w.root / "notice.xml");
      for (const auto& file : fs::directory_iterator(entry.path())) fs::rename(file.path(), w.root / "notice.xml");
    }
    fs::remove_all(w.dest);
    fs::create_directories(w.dest);
    state.ResumeTiming();
  }
  state.counters["peak_MiB"] = static_cast<double>(peak_kib) / 1024.0;
}
BENCHMARK(BatchCommand)->Unit(benchmark::kMillisecond)->Iterations(3);

void XmllintOnTheBatchFile(benchmark::State& state) {
  Workspace& w = Shared();
  long peak_kib = 0;
  const std::string command = "exec xmllint --noout --schema '" + (w.root / "ref" / "validate.xsd").string() + "' '" +
                              (w.root / "notice.xml").string() + "' 2>/dev/null";
  for (auto _ : state) {
    if (RunMeasured(command, peak_kib) != 0) state.SkipWithError("xmllint refused the notice");
  }
  state.counters["peak_MiB"] = static_cast<double>(peak_kib) / 1024.0;
}
BENCHMARK(XmllintOnTheBatchFile)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
