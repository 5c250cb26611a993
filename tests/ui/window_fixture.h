#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

#include "core/clock.h"
#include "session/notice_session.h"
#include "temp_dir.h"
#include "ui/file_dialogs.h"
#include "ui/folder_browser.h"
#include "ui/insert_persona.h"
#include "ui/message_box.h"
#include "ui/principale.h"
#include "ui/qt_text.h"

// Qt's text as a failed check shows it.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline std::ostream& operator<<(std::ostream& out, const QString& text) { return out << text.toStdString(); }

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
    for (const char* file : {"FileCodComuni.txt", "FileCodStati.txt", "FileValiditaComuni.txt", "validate.xsd"}) {
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
    window.reset();  // an earlier window goes before its session
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
    const auto focused = [window] {
      return QApplication::focusWidget() != nullptr && QApplication::focusWidget()->window() == window;
    };
    if (window->isActiveWindow() && focused()) return;
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    static_cast<void>(QTest::qWaitFor(focused, 1000));
  }

  // What lies at the centre of a widget: the line edit of an editable combo, or the widget itself.
  static QWidget* Centre(QWidget* widget) {
    QWidget* target = widget->childAt(widget->rect().center());
    return target != nullptr ? target : widget;
  }
  // A left click on the centre of a widget, after its window was made active; the focus may follow
  // a moment later, and the next key waits.
  static void Click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    Activate(widget->window());
    QWidget* target = Centre(widget);
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
    QWidget* target = Centre(widget);
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

  // A valid subject born in Rome, typed into the entry form by keyboard alone from the surname on,
  // Space for the sex: each text, then Tab as often as it takes to the next box (past the names'
  // palettes, the disabled foreign town, the country, the father and the calendar).
  void TypeValidSubject(QWidget* form) {
    Click(Find<QLineEdit>(form, "CognomeBox"));
    for (auto [typed, tabs] : {std::pair{"rossi", 2}, {"mario", 2}, {" ", 1}, {"5", 1}, {"3", 1}, {"1950", 1},
                               {"roma", 2}, {"rssmra50c05h501f", 3}, {"10012024", 3}, {"milano", 1}, {"12", 1},
                               {"milano", 1}}) {
      TypeText(typed);
      Tab(tabs);
    }
  }

  // "Inserisci Soggetto" clicked: the entry form, made the active window.
  ui::InsertPersona* NewForm(ui::Principale& w) {
    Click(Find<QAbstractButton>(&w, "Command3"));
    ui::InsertPersona* form = w.subjectForm();
    if (form != nullptr) Activate(form);
    return form;
  }
  // The number and date of a notice, typed.
  void TypeHeader(ui::Principale& w, const QString& numero, const QString& data = "30112026") {
    TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), numero);
    TypeInto(Find<QLineEdit>(&w, "MaskEdBox1"), data);
  }
  // "Crea File XML" and its checks: the save dialog, its list open on the folder "out".
  ui::CreaFiles* SaveDialog(ui::Principale& w) {
    Choose(&w, "Command1");
    WaitForTheCheck(w);
    ui::CreaFiles* dialog = w.creaFiles();
    if (dialog == nullptr) {
      ADD_FAILURE() << "no save dialog: " << Texts().join("|").toStdString();
      return nullptr;
    }
    std::filesystem::create_directories(dir / "out");
    EXPECT_TRUE(dialog->browser()->Open(QString::fromStdString((dir / "out").string())));
    return dialog;
  }
  // The notice written: the save dialog and its "OK".
  void CreateNotice(ui::Principale& w) {
    if (ui::CreaFiles* dialog = SaveDialog(w)) Click(Find<QAbstractButton>(dialog, "Command1"));
  }
  // A file of the folder "exports" (written first when its text is given) chosen in the import
  // dialog, then its "OK".
  void Import(ui::Principale& w, const char* file, const std::string& csv = {}) {
    if (!csv.empty()) dir.Write(std::string("exports/") + file, csv);
    session->config().CartellaImport = (dir / "exports").string();
    Choose(&w, "Command7");
    auto* files = Find<QListWidget>(w.importaFile(), "File1");
    files->setCurrentItem(files->findItems(file, Qt::MatchExactly).value(0));
    Click(Find<QAbstractButton>(w.importaFile(), "Command1"));
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
  // The last message, "" before any.
  QString Said() const { return messages.empty() ? QString() : messages.back().text; }
  static std::vector<std::string> Names(const std::filesystem::path& folder) { return testing::Names(folder); }

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
