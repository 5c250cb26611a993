// "Registro" opened on a register of 5,000 notices, each with its file on the disk (the rows on the
// screen read and check theirs), and a search of the subjects of all of them: timed until the event
// loop has nothing left to do, repaints included.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/clock.h"
#include "register/register.h"
#include "session/notice_session.h"
#include "signature/digest.h"
#include "ui/register_window.h"

namespace {

namespace fs = std::filesystem;
using namespace nerovale;
using Clock = std::chrono::steady_clock;
constexpr int kNotices = 5000;

void Drain() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

struct Office {
  fs::path root = fs::temp_directory_path() / "nerovale-register-window-benchmark";
  LocalClock clock;
  std::unique_ptr<session::NoticeSession> session;

  Office() {
    fs::remove_all(root);
    fs::create_directories(root);
    auto reg = registry::FileRegister(root / registry::kFileName, clock);
    SubjectRow subject;
    for (std::size_t c = 1; c < kColumnCount; ++c) subject.cells[c] = "X";
    for (int n = 1; n <= kNotices; ++n) {
      const std::string numero = std::to_string(n);
      const fs::path folder = root / ("Nerovale_" + numero);
      fs::create_directories(folder);
      const std::string bytes = "<notice>" + std::string(20000, 'x') + numero + "</notice>\n";
      const std::string name = "nerovale_" + numero + "_20261130.xml";
      std::ofstream(folder / name, std::ios::binary) << bytes;
      subject[kCognome] = "COGNOME" + numero;
      subject[kCodiceFiscale] = "";
      (void)reg->Record({numero, "30/11/2026", "H501", "BIANCHI", "LUCIA", clock.Now(), folder.string(), name,
                         signature::Sha256Hex(bytes), bytes.size(), {subject, subject, subject}});
    }
    session = std::make_unique<session::NoticeSession>(root, clock);
  }
};

Office& Shared() {
  static Office office;
  return office;
}

void OpenRegistro(benchmark::State& state) {
  Office& office = Shared();
  for (auto _ : state) {
    const auto start = Clock::now();
    auto* window = new ui::Registro(*office.session, nullptr);
    window->show();
    Drain();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    delete window;
  }
}
BENCHMARK(OpenRegistro)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// The anchor, in the same run: the register's list of the 5,000 notices alone, which the window
// cannot do without.
void AnchorListTheNotices(benchmark::State& state) {
  Office& office = Shared();
  std::size_t count = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    count = office.session->notice_register()->Notices().value.size();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  state.counters["notices"] = static_cast<double>(count);
}
BENCHMARK(AnchorListTheNotices)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void SearchAllSubjects(benchmark::State& state) {
  Office& office = Shared();
  ui::Registro window(*office.session, nullptr);
  window.show();
  Drain();
  for (auto _ : state) {
    const auto start = Clock::now();
    window.search()->setText("COGNOME12");  // the subjects of notices 12, 120 to 129, 1200 to 1299
    Drain();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (window.hits()->rowCount() == 0) state.SkipWithError("nothing found");
    window.search()->clear();
    Drain();
  }
}
BENCHMARK(SearchAllSubjects)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
