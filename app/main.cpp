#include <QApplication>
#include <QSocketNotifier>

#include <filesystem>

#include "core/clock.h"
#include "core/stop_signals.h"
#include "session/notice_session.h"
#include "ui/accessibility.h"
#include "ui/italian.h"
#include "ui/keyboard.h"
#include "ui/principale.h"
#include "ui/working_folder.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Nerovale");
  QApplication::setQuitOnLastWindowClosed(false);  // the main window ends the program, hidden or not
  nerovale::ui::UseItalian();
  nerovale::ui::UseOfficeKeys();
  nerovale::ui::UseAccessibleWindows();
  // One window per working folder: a second start here says so and ends before it touches a file.
  nerovale::files::WorkingFolderLock lock;
  if (!nerovale::ui::ClaimWorkingFolder(lock, std::filesystem::current_path())) return 1;
  const nerovale::LocalClock clock;
  nerovale::session::NoticeSession session(std::filesystem::current_path(), clock);
  nerovale::ui::Principale principale(session);
  // The end of the session, a kill or Ctrl+C in the terminal: the draft is saved and no notice is left
  // half written (a notice being written stops and is removed).
  nerovale::stop::CatchSignals();
  QSocketNotifier stop_notifier(nerovale::stop::WakeUpDescriptor(), QSocketNotifier::Read);
  QObject::connect(&stop_notifier, &QSocketNotifier::activated, &principale, [&principale, &stop_notifier] {
    stop_notifier.setEnabled(false);
    principale.StopBySignal();
  });
  principale.show();
  principale.Start();
  return QApplication::exec();
}
