// nerovale-schermate: the pictures of the manual and of the README, taken from the real windows.
//
//   nerovale-schermate SORGENTE CARTELLA
//
// Opens every window offscreen with sample data in a working directory of its own (the reference
// tables of SORGENTE/ref) and writes one PNG a window into CARTELLA, with the window's title above it.
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <filesystem>

#include "manual/window_tour.h"
#include "ui/accessibility.h"
#include "ui/italian.h"

namespace {

// The window as grabbed, inside a frame with its title, as a desktop would show it.
QPixmap Framed(QWidget& window) {
  const QPixmap inside = window.grab();
  const QString title = window.windowTitle().trimmed();
  if (title.isEmpty()) {  // a picture of a page, or a window without a title bar
    QPixmap framed(inside.width() + 2, inside.height() + 2);
    framed.fill(QColor(150, 150, 150));
    QPainter(&framed).drawPixmap(1, 1, inside);
    return framed;
  }
  constexpr int kBar = 26;
  QPixmap framed(inside.width() + 2, inside.height() + kBar + 1);
  framed.fill(QColor(60, 90, 128));
  QPainter painter(&framed);
  painter.drawPixmap(1, kBar, inside);
  QFont font = window.font();
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(10, 0, framed.width() - 20, kBar), Qt::AlignLeft | Qt::AlignVCenter, title);
  return framed;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("Nerovale");
  QApplication::setQuitOnLastWindowClosed(false);
  nerovale::ui::UseItalian();
  nerovale::ui::UseAccessibleWindows();  // the style and colours of the program itself
  if (argc != 3) {
    std::fprintf(stderr, "Uso: nerovale-schermate SORGENTE CARTELLA\n");
    return 2;
  }
  const std::filesystem::path source = argv[1];
  const std::filesystem::path out = argv[2];
  std::filesystem::create_directories(out);
  const auto work = std::filesystem::temp_directory_path() / "nerovale-schermate";
  int failed = 0;
  nerovale::manual::TourWindows(source, work, [&](const std::string& name, QWidget& window) {
    const auto file = out / (name + ".png");
    if (!Framed(window).save(QString::fromStdString(file.string()), "PNG")) {
      std::fprintf(stderr, "nerovale-schermate: impossibile scrivere %s\n", file.c_str());
      ++failed;
    }
  });
  std::filesystem::remove_all(work);
  return failed == 0 ? 0 : 2;
}
