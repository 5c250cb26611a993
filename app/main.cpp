#include <QApplication>
#include <QSocketNotifier>

#include <filesystem>

#include "core/clock.h"
#include "core/data_places.h"
#include "core/stop_signals.h"
#include "session/notice_session.h"
#include "ui/accessibility.h"
#include "ui/italian.h"
#include "ui/keyboard.h"
#include "ui/message_box.h"
#include "ui/principale.h"
#include "ui/window_texts.h"
#include "ui/working_folder.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Nerovale");
  QApplication::setDesktopFileName(NEROVALE_DESKTOP_ID);  // the menu's entry and icon
  QApplication::setQuitOnLastWindowClosed(false);  // the main window ends the program, hidden or not
  nerovale::ui::UseItalian();
  nerovale::ui::UseOfficeKeys();
  nerovale::ui::UseAccessibleWindows();
  // Started in a folder of the program (config.ini, the draft or ref/ there) it works there; started
  // elsewhere, as from the desktop's menu, in the user's own folder, made at the first start.
  std::error_code ec;
  const std::filesystem::path started_in = std::filesystem::current_path(ec);
  const nerovale::places::WorkingFolder working =
      nerovale::places::ChooseWorkingFolder(ec ? nerovale::places::UserHome() : started_in, nerovale::places::UserHome());
  if (!working.status) {
    nerovale::ui::Say(nullptr, nerovale::ui::Icon::kCritical,
                      QString::fromStdString(nerovale::ui::UserFolderNotMadeText(working.status.message())));
    return 2;
  }
  std::filesystem::current_path(working.folder, ec);  // the file dialogs start there too
  // One window per working folder: a second start here says so and ends before it touches a file.
  nerovale::files::WorkingFolderLock lock;
  if (!nerovale::ui::ClaimWorkingFolder(lock, working.folder)) return 1;
  const nerovale::LocalClock clock;
  nerovale::session::NoticeSession session(working.folder, clock, nerovale::places::RunningInstalledData());
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
