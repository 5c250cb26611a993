// One QApplication for every window test; the windows run on the offscreen platform unless another is
// asked for (QT_QPA_PLATFORM=xcb on an X display), in Italian
// as the application does.
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/accessibility.h"
#include "ui/italian.h"
#include "ui/keyboard.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  nerovale::ui::UseItalian();
  nerovale::ui::UseOfficeKeys();
  nerovale::ui::UseAccessibleWindows();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
