#include <QApplication>

#include <filesystem>

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
  principale.show();
  principale.Start();
  return QApplication::exec();
}
