// The main window with a full table (32,767 subjects), as the operator meets it: importing a full
// file (32,766 subjects, the most a file may bring) through "Apri File", scrolling the grid from top
// to bottom, selecting every cell, opening the entry form on a subject, deleting a subject in the
// middle, and "Crea File XML" (the table check at Timer1's tick, then "OK" in the save dialog until
// the success message). Every operation is timed until the event loop has nothing left to do,
// repaints included. Messages are answered by the hook that the tests use; the counter peak_MiB is
// the process's peak memory so far.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>

#include "full_table.h"
#include "core/clock.h"
#include "session/notice_session.h"
#include "ui/file_dialogs.h"
#include "ui/folder_browser.h"
#include "ui/insert_persona.h"
#include "ui/message_box.h"
#include "ui/principale.h"

namespace {

namespace fs = std::filesystem;
using namespace nerovale;
using Clock = std::chrono::steady_clock;

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Drain() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// A working directory with a full CSV export, and the main window over it.
struct Window {
  fs::path root = fs::temp_directory_path() / "nerovale-window-benchmark";
  LocalClock clock;
  std::unique_ptr<session::NoticeSession> session;
  std::unique_ptr<ui::Principale> window;
  Clock::time_point last_message;
  QString last_text;

  Window() {
    benchmarks::MakeWorkspace(NEROVALE_SOURCE_DIR, root, SubjectTable::kMaxSubjects - 1);
    ui::SetMessageHook([this](const ui::MessageRequest& request) {
      last_message = Clock::now();
      last_text = request.text;
      return QMessageBox::Yes;
    });
    session = std::make_unique<session::NoticeSession>(root, clock);
    window = std::make_unique<ui::Principale>(*session);
    window->resize(1200, 800);
    window->show();
    window->Start();
    window->findChild<QLineEdit*>("TxtNumeroRichiesta")->setText("123");
    window->SetNoticeDate("30/11/2026");
    Drain();
  }
  ~Window() {
    window->close();
    window.reset();
    ui::SetMessageHook({});
    fs::remove_all(root);
  }

  // A button of the main window pressed.
  void Press(const char* name) {
    window->findChild<QPushButton*>(name)->click();
    Drain();
  }
  // The full file through the import dialog, into an empty table.
  void Import() {
    window->model().Clear();
    Press("Command7");
    ui::ImportaFile* dialog = window->importaFile();
    dialog->browser()->Open(QString::fromStdString(root.string()));
    dialog->files()->setCurrentRow(0);
    dialog->Confirm();
    Drain();
  }
  // The file imported and one subject more, as typed in the entry form: the table is full.
  void Full() {
    if (session->table().Count() == SubjectTable::kMaxSubjects) return;
    Import();
    if (!window->model().Append(session->table().Row(1))) std::abort();
    Drain();
  }
};

Window& Shared() {
  static Window window;
  return window;
}

template <typename Work>
void Timed(benchmark::State& state, Work&& work) {
  const auto start = Clock::now();
  work();
  Drain();
  state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
}

void ImportFullFile(benchmark::State& state) {
  Window& w = Shared();
  for (auto _ : state) {
    const auto start = Clock::now();
    w.Import();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (w.session->table().Count() == 0) state.SkipWithError(w.last_text.toStdString().c_str());
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(ImportFullFile)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void ScrollTopToBottom(benchmark::State& state) {
  Window& w = Shared();
  w.Full();
  QTableView* grid = w.window->grid();
  for (auto _ : state) {
    Timed(state, [&] {
      grid->scrollToBottom();
      grid->viewport()->repaint();
      grid->scrollToTop();
      grid->viewport()->repaint();
    });
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(ScrollTopToBottom)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void SelectEveryCell(benchmark::State& state) {
  Window& w = Shared();
  w.Full();
  QTableView* grid = w.window->grid();
  for (auto _ : state) {
    Timed(state, [&] {
      grid->selectAll();
      grid->viewport()->repaint();
    });
    grid->clearSelection();
    w.window->SetCurrentCell(1, 1);
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(SelectEveryCell)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void OpenTheEntryForm(benchmark::State& state) {
  Window& w = Shared();
  w.Full();
  for (auto _ : state) {
    w.window->SetCurrentCell(16384, 1);
    Timed(state, [&] { w.Press("Command4"); });
    if (w.window->subjectForm() != nullptr) w.window->subjectForm()->close();
    Drain();
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(OpenTheEntryForm)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void DeleteASubjectInTheMiddle(benchmark::State& state) {
  Window& w = Shared();
  w.Full();
  for (auto _ : state) {
    w.window->SetCurrentCell(16384, 1);
    Timed(state, [&] { w.Press("Command5"); });
    if (w.session->table().Count() != SubjectTable::kMaxSubjects - 1) state.SkipWithError("nothing was deleted");
    if (!w.window->model().Append(w.session->table().Row(1))) state.SkipWithError("the table did not fill again");
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(DeleteASubjectInTheMiddle)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// "Crea File XML" on the imported table: the check of every row at Timer1's tick, then "OK" in the
// save dialog until the success message is asked for (the time reported, with the check as a
// counter: from the tick of Timer1, 500 ms after the click, to the save dialog).
void CreaFileXml(benchmark::State& state) {
  Window& w = Shared();
  w.Full();
  const fs::path out = w.root / "out";
  double check_ms = 0;
  for (auto _ : state) {
    const auto click = Clock::now();
    w.Press("Command1");
    auto* timer1 = w.window->findChild<QTimer*>("Timer1");
    while (timer1->isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Drain();
    check_ms += std::chrono::duration<double, std::milli>(Clock::now() - click).count() - timer1->interval();
    ui::CreaFiles* dialog = w.window->creaFiles();
    if (dialog == nullptr) {
      state.SkipWithError(w.last_text.toStdString().c_str());
      break;
    }
    dialog->browser()->Open(QString::fromStdString(out.string()));
    const auto ok = Clock::now();
    dialog->Confirm();
    state.SetIterationTime(std::chrono::duration<double>(w.last_message - ok).count());
    if (!w.last_text.startsWith("XML validato e salvato con successo!"))
      state.SkipWithError(w.last_text.toStdString().c_str());
    Drain();
    fs::remove_all(out);
    fs::create_directories(out);
  }
  state.counters["check_ms"] = check_ms / static_cast<double>(state.iterations());
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(CreaFileXml)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
