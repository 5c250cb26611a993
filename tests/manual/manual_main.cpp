// One QApplication, offscreen and in Italian as the application, for the checks of the manual.
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/italian.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  nerovale::ui::UseItalian();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
