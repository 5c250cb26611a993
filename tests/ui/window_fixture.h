#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/clock.h"
#include "session/notice_session.h"
#include "temp_dir.h"
#include "ui/message_box.h"
#include "ui/principale.h"

namespace nerovale::testing {

// A working directory with the shipped reference tables and a configured sender, a main window
// over it, and every message box answered and recorded instead of shown.
//
// Input goes where a person's input goes: a click lands on the widget under the pointer and moves
// the focus as the toolkit decides, Tab moves it along the tab order, and typed keys go to
// whatever holds the focus then (for an editable combo box that is the combo, not its line edit).
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
    session = std::make_unique<session::NoticeSession>(dir.path(), clock);
    window = std::make_unique<ui::Principale>(*session);
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

  // Makes a window the active one, as a click on its title would.
  // Under a window manager the focus may arrive a moment after the window is active.
  static void Activate(QWidget* window) {
    if (window->isActiveWindow() && QApplication::focusWidget() != nullptr &&
        QApplication::focusWidget()->window() == window) {
      return;
    }
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    static_cast<void>(QTest::qWaitFor(
        [window] { return QApplication::focusWidget() != nullptr && QApplication::focusWidget()->window() == window; },
        1000));
  }

  // A left click on the centre of a widget (on what lies there: the line edit of an editable combo),
  // after its window was made active; the focus may follow a moment later, and the next key waits.
  static void Click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    Activate(widget->window());
    QWidget* target = widget->childAt(widget->rect().center());
    if (target == nullptr) target = widget;
    QTest::mouseClick(target, button, {}, target->rect().center());
    if ((widget->focusPolicy() & Qt::ClickFocus) != 0 && widget->isEnabled()) {
      const QPointer<QWidget> clicked(widget);  // a button may close its window
      static_cast<void>(QTest::qWaitFor([clicked] { return !clicked || clicked->hasFocus(); }, 2000));
    }
    QCoreApplication::processEvents();
  }

  static QWidget* Focused() {
    QWidget* focused = QApplication::focusWidget();
    EXPECT_NE(focused, nullptr) << "nothing has the focus";
    return focused;
  }

  // Types text into the focused widget, one keystroke a character, accented letters included.
  static void TypeText(const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    for (QChar c : text) {
      const auto key = static_cast<Qt::Key>(c.unicode() < 128 ? c.toUpper().unicode() : 0);
      QTest::sendKeyEvent(QTest::Click, Focused(), key, QString(c), modifiers);
    }
  }
  static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Focused(), key, modifiers);
  }
  static void Tab(int times = 1) {
    for (int i = 0; i < times; ++i) {
      QWidget* before = Focused();
      Press(Qt::Key_Tab);
      static_cast<void>(QTest::qWaitFor([before] { return QApplication::focusWidget() != before; }, 2000));
      QCoreApplication::processEvents();
    }
  }
  static void TypeInto(QWidget* widget, const QString& text) {
    Click(widget);
    TypeText(text);
  }

  // The box's menu opened by a right click, and one of its actions chosen ("edit-paste", ...).
  static void ChooseFromMenu(QWidget* widget, const char* action) {
    Click(widget, Qt::RightButton);
    QWidget* target = widget->childAt(widget->rect().center());
    if (target == nullptr) target = widget;
    bool chosen = false;
    QTimer::singleShot(0, [action, &chosen] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      if (auto* item = menu->findChild<QAction*>(action); item != nullptr && item->isEnabled()) {
        item->trigger();
        chosen = true;
      }
      menu->close();
    });
    const QPoint at = target->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
    EXPECT_TRUE(chosen) << action;
    Activate(widget->window());  // back from the popup
  }

  // A button of a window pressed with a click, or an action of its menus chosen.
  void Choose(QWidget* window, const char* name) {
    if (auto* action = window->findChild<QAction*>(name)) {
      action->trigger();
    } else {
      Click(Find<QAbstractButton>(window, name));
    }
    QCoreApplication::processEvents();
  }
  // Waits for the table-wide check that "Crea File XML" starts once the wait window shows.
  void WaitForTheCheck(ui::Principale& w) {
    auto* timer = Find<QTimer>(&w, "Timer1");
    EXPECT_TRUE(QTest::qWaitFor([timer] { return !timer->isActive(); }, 5000));
    QCoreApplication::processEvents();
  }

  // A valid subject born in Rome, typed into the entry form by keyboard alone from the surname on:
  // Tab from box to box, Space for the sex.
  void TypeValidSubject(QWidget* form) {
    Click(Find<QLineEdit>(form, "CognomeBox"));
    for (const char* typed : {"rossi", "mario"}) {
      TypeText(typed);
      Tab(2);  // past the box's palette
    }
    for (const char* typed : {" ", "5", "3", "1950", "roma"}) {
      TypeText(typed);
      Tab();
    }
    Tab();  // the foreign town and its palette are disabled; past the country
    TypeText("rssmra50c05h501f");
    Tab(3);  // past the father and his palette
    TypeText("10012024");
    Tab(3);  // past the calendar and the country of death
    TypeText("milano");
    Tab();  // the foreign town of death is disabled
    for (const char* typed : {"12", "milano"}) {
      TypeText(typed);
      Tab();
    }
  }

  // Lets closed windows go (they delete themselves once the event loop runs).
  static void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }

  QStringList Texts() const {
    QStringList texts;
    for (const auto& m : messages) texts << m.text;
    return texts;
  }

  TempDir dir;
  LocalClock clock;
  std::unique_ptr<session::NoticeSession> session;
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
