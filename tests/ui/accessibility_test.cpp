// Every window as a screen reader and a tired eye meet it: each control a person can reach has a name
// of its own, every text stands out from its background by 4.5 to 1 at least (with a light system
// palette and with a dark one), every window fits a 1024×768 screen at 125%, and a message box is as
// wide as its title.
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QWindow>

#include "notice_fixture.h"
#include "ui/accessibility.h"
#include "ui/dati_utente.h"
#include "ui/file_dialogs.h"
#include "ui/insert_persona.h"
#include "ui/qt_text.h"
#include "ui/small_windows.h"
#include "ui/window_size.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class Accessibility : public testing::WindowTest {
 protected:
  // Every window of the program, opened as a person opens them, each given to check() while it shows.
  void WalkTheWindows(const std::function<void(QWidget*)>& check) {
    Principale& w = Open();
    Choose(&w, "CG");  // a new notice: the table and its buttons show
    ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
    w.model().PaintRow(1, kErrorRowColour);
    check(&w);
    Click(Find<QToolButton>(&w, "Image1"));
    check(Find<QWidget>(&w, "Calendar"));
    Find<QWidget>(&w, "Calendar")->close();
    Click(Find<QPushButton>(&w, "Command3"));
    InsertPersona* form = w.subjectForm();
    check(form);
    Click(Find<QToolButton>(form, "Image1"));
    check(form->findChild<Diacritici*>());
    form->close();
    Choose(&w, "modConfig");
    check(w.datiUtente());
    w.datiUtente()->close();
    Choose(&w, "Command7");
    check(w.importaFile());
    w.importaFile()->close();
    Choose(&w, "Command6");
    check(w.avvisoTabella());
    w.avvisoTabella()->close();
    TypeHeader(w, "123");
    w.model().PaintRow(1, QColor(Qt::white));
    Choose(&w, "Command1");
    WaitForTheCheck(w);
    ASSERT_NE(w.creaFiles(), nullptr) << Texts().join("|").toStdString();
    check(w.creaFiles());
    w.creaFiles()->close();
    Settle();
  }

  // The controls that Tab or a click reach, visible in their window.
  static QList<QWidget*> Reachable(QWidget* window) {
    QList<QWidget*> reachable;
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->focusProxy() == nullptr) reachable << w;
    }
    return reachable;
  }
};

// A name that is the control's own: not empty, not the frame's title, not the text an editable combo holds.
TEST_F(Accessibility, EveryReachableControlHasANameOfItsOwn) {
  int controls = 0;
  WalkTheWindows([&](QWidget* window) {
    ASSERT_NE(window, nullptr);
    for (QWidget* control : Reachable(window)) {
      ++controls;
      QAccessibleInterface* speaks = QAccessible::queryAccessibleInterface(control);
      ASSERT_NE(speaks, nullptr);
      const QString name = speaks->text(QAccessible::Name).trimmed();
      const QString where = window->objectName() + "/" + control->objectName() + " " + control->metaObject()->className();
      EXPECT_FALSE(name.isEmpty()) << where.toStdString();
      const auto* frame = qobject_cast<const QGroupBox*>(control->parentWidget());
      EXPECT_FALSE(frame != nullptr && name == frame->title()) << where.toStdString();
      if (const auto* combo = qobject_cast<const QComboBox*>(control); combo != nullptr && combo->isEditable()) {
        EXPECT_NE(name, combo->currentText()) << where.toStdString();
      }
    }
  });
  EXPECT_GT(controls, 60);
  // The grid gives its column captions as its columns' descriptions (the header of each cell).
  QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(Find<QTableView>(window.get(), "MSFlexGrid1"));
  ASSERT_NE(grid, nullptr);
  ASSERT_NE(grid->tableInterface(), nullptr);
  EXPECT_EQ(grid->tableInterface()->columnDescription(0), "Cognome *");
}

// Text on its background, as each kind of control paints it, enabled or not, in the light palette of
// the system and in a dark one; and the grid's rows in every colour they can have.
TEST_F(Accessibility, EveryTextStandsOutFromItsBackground) {
  const QPalette light = QApplication::palette();
  QPalette dark = light;
  for (auto [role, colour] : {std::pair{QPalette::Window, QColor(40, 40, 40)}, {QPalette::WindowText, QColor(230, 230, 230)},
                              {QPalette::Base, QColor(25, 25, 25)}, {QPalette::Text, QColor(230, 230, 230)},
                              {QPalette::Button, QColor(55, 55, 55)}, {QPalette::ButtonText, QColor(230, 230, 230)}}) {
    dark.setColor(role, colour);
  }
  dark.setColor(QPalette::Disabled, QPalette::Text, QColor(150, 150, 150));
  dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(150, 150, 150));
  for (const QPalette& system : {light, dark}) {
    QApplication::setPalette(ReadablePalette(system));
    WalkTheWindows([&](QWidget* window) {
      ASSERT_NE(window, nullptr);
      for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || qobject_cast<QAbstractItemView*>(w->parentWidget()) != nullptr) continue;
        const QPalette& p = w->palette();
        const auto group = w->isEnabled() ? QPalette::Active : QPalette::Disabled;
        const bool box = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w);
        const bool button = qobject_cast<QAbstractButton*>(w) && !qobject_cast<QRadioButton*>(w);
        const bool label = qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w) || qobject_cast<QRadioButton*>(w);
        if (!box && !button && !label) continue;
        const QColor text = p.color(group, box ? QPalette::Text : button ? QPalette::ButtonText : QPalette::WindowText);
        // A flat picture button shows the background of what it stands on.
        const auto* flat = qobject_cast<QToolButton*>(w);
        const QColor back = flat != nullptr && flat->autoRaise()
                                ? w->parentWidget()->palette().color(group, w->parentWidget()->backgroundRole())
                                : p.color(group, box ? QPalette::Base : button ? QPalette::Button : QPalette::Window);
        if (qobject_cast<QAbstractItemView*>(w) != nullptr) {  // its current row or cell
          EXPECT_GE(ContrastRatio(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)), kLeastContrast)
              << window->objectName().toStdString() << "/" << w->objectName().toStdString();
        }
        // A button with a picture and no text needs the contrast of a graphic: 3 to 1.
        const auto* pictured = qobject_cast<QAbstractButton*>(w);
        const double least = pictured != nullptr && pictured->text().isEmpty() ? 3.0 : kLeastContrast;
        EXPECT_GE(ContrastRatio(text, back), least) << window->objectName().toStdString() << "/" << w->objectName().toStdString()
                                              << " " << text.name().toStdString() << " on " << back.name().toStdString();
      }
    });
    window.reset();
  }
  QApplication::setPalette(ReadablePalette(light));
  for (const QColor& row : {QColor(Qt::white), kErrorRowColour, kHighlightColour, kGrey}) {
    EXPECT_GE(ContrastRatio(Qt::black, row), kLeastContrast) << row.name().toStdString();
  }
  EXPECT_GE(ContrastRatio(kDisabledText, kGrey), kLeastContrast);
}

// The main window opens inside the screen, "Esci" and the calendar included, and every window's
// least size fits a 1024×768 screen at 125% (819×614 of the program's own pixels), with its frame.
TEST_F(Accessibility, EveryWindowFitsASmallScreen) {
  const QSize small = QSize(1024, 768) / 1.25;
  Principale& w = Open();
  Choose(&w, "CG");
  w.resize(FittedSize({1100, 650}, w.minimumSizeHint(), QSize(1024, 768)));
  EXPECT_LE(w.width(), 1024 - kWindowFrame.width());
  QCoreApplication::processEvents();
  for (const char* control : {"Command2", "Image1", "Command1"}) {
    auto* shown = Find<QWidget>(&w, control);
    const QRect at(shown->mapTo(&w, QPoint(0, 0)), shown->size());
    EXPECT_TRUE(w.rect().contains(at)) << control;
  }
  window.reset();
  WalkTheWindows([&](QWidget* window) {
    ASSERT_NE(window, nullptr);
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize()) + kWindowFrame;
    EXPECT_LE(least.width(), small.width()) << window->objectName().toStdString();
    EXPECT_LE(least.height(), small.height()) << window->objectName().toStdString();
  });
}

// The control that has the focus shows a frame in the selection's colour, whatever its kind.
TEST_F(Accessibility, TheFocusedControlShowsAMark) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* combo = new QComboBox(&window);
  combo->setEditable(true);
  auto* list = new QListWidget(&window);
  list->addItems({"uno", "due"});
  list->setCurrentRow(1);
  auto* radio = new QRadioButton("M", &window);
  auto* tool = new QToolButton(&window);
  tool->setText("Àß");
  const QList<QWidget*> kinds{new QPushButton("OK", &window), new QLineEdit(&window), combo, tool, radio, list};
  for (QWidget* kind : kinds) layout->addWidget(kind);
  window.show();
  Activate(&window);
  // The pixels that the focus changes, by 3 to 1 at least (what a graphic needs to be seen).
  const auto marked = [](const QImage& before, const QImage& after) {
    int pixels = 0;
    for (int y = 0; y < after.height(); ++y) {
      for (int x = 0; x < after.width(); ++x) pixels += ContrastRatio(before.pixelColor(x, y), after.pixelColor(x, y)) >= 3;
    }
    return pixels;
  };
  for (QWidget* kind : kinds) {
    kinds.back() == kind ? kinds.front()->setFocus() : kinds.back()->setFocus();
    QCoreApplication::processEvents();
    const QImage before = kind->grab().toImage();
    kind->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(kind->hasFocus()) << kind->metaObject()->className();
    EXPECT_GE(marked(before, kind->grab().toImage()), 40) << kind->metaObject()->className();
  }
}

TEST_F(Accessibility, AMessageBoxIsAsWideAsItsTitle) {
  const auto box = MessageBoxFor(nullptr, {Icon::kWarning, "Max 9 Cifre", QMessageBox::Ok, QMessageBox::Ok, {}});
  EXPECT_GE(box->sizeHint().width(), box->fontMetrics().horizontalAdvance(kApplicationTitle) + kTitleBarButtons);
}

}  // namespace
}  // namespace nerovale::ui
