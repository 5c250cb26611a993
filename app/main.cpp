#include <QApplication>
#include <QSocketNotifier>

#include <filesystem>

#include "core/stop_signals.h"
#include "ui/app_state.h"
#include "ui/italian.h"
#include "ui/principale.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Nerovale");
  QApplication::setQuitOnLastWindowClosed(false);  // the main window ends the program, hidden or not
  nerovale::ui::UseItalian();
  nerovale::ui::AppState state(std::filesystem::current_path());
  nerovale::ui::Principale principale(state);
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
