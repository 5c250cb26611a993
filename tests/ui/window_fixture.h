#pragma once

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "temp_dir.h"
#include "ui/app_state.h"
#include "ui/message_box.h"
#include "ui/principale.h"

namespace nerovale::testing {

// A working directory with the shipped reference tables and a configured sender, a main window
// over it, and every message box answered and recorded instead of shown.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    std::filesystem::create_directories(dir / "ref");
    for (const char* file : {"FileCodComuni.txt", "FileCodStati.txt", "validate.xsd"}) {
      std::filesystem::copy_file(std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / file, dir / "ref" / file);
    }
    ui::SetMessageHook([this](const ui::MessageRequest& request) {
      messages.push_back(request);
      return answer;
    });
  }
  ~WindowTest() override {
    if (window) window->close();
    window.reset();
    ui::SetMessageHook({});
  }

  // The main window after its load, with config.ini as given ("" for none).
  ui::Principale& Open(const std::string& config = "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n") {
    if (!config.empty()) dir.Write("config.ini", config);
    state = std::make_unique<ui::AppState>(dir.path());
    window = std::make_unique<ui::Principale>(*state);
    window->show();
    window->Start();
    return *window;
  }

  template <typename T>
  T* Find(QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  // Types text as keystrokes, accented letters included.
  static void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, c.unicode() < 128 ? QChar(c.toUpper()).unicode() : 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(widget, &press);
      QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(c));
      QApplication::sendEvent(widget, &release);
    }
  }

  // Lets closed windows go (they delete themselves once the event loop runs).
  static void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }

  static void Leave(QWidget* widget) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &out);
  }

  QStringList Texts() const {
    QStringList texts;
    for (const auto& m : messages) texts << m.text;
    return texts;
  }

  TempDir dir;
  std::unique_ptr<ui::AppState> state;
  std::unique_ptr<ui::Principale> window;
  std::vector<ui::MessageRequest> messages;
  QMessageBox::StandardButton answer = QMessageBox::Ok;
};

inline SubjectRow NamedRow(const std::string& surname) {
  SubjectRow row;
  row[kCognome] = surname;
  row[kNome] = "N" + surname;
  return row;
}

}  // namespace nerovale::testing
