// The windows by keyboard alone, as a clerk without a mouse uses them: Enter on the focused button,
// Tab out of the grid and onto the palettes, the list of a combo, typing over a selection, the
// folder lists, and the menus' letters.
#include <QAbstractItemView>
#include <QComboBox>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "csv_fixture.h"
#include "notice_fixture.h"
#include "ui/file_dialogs.h"
#include "ui/folder_browser.h"
#include "ui/insert_persona.h"
#include "ui/small_windows.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class Keyboard : public testing::WindowTest {
 protected:
  void Enter(Qt::Key key = Qt::Key_Return) {
    Press(key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QCoreApplication::processEvents();
  }
  QString FocusedName() { return Focused()->objectName(); }
};

// From the grid, Tab reaches "Inserisci Soggetto", Enter opens the form; the subject typed by keys
// alone is stored by Enter on "Inserisci", and Ctrl+Tab and Shift+Tab leave the grid too.
TEST_F(Keyboard, EnterPressesTheFocusedButtonAndTabLeavesTheGrid) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  auto* grid = Find<QTableView>(&w, "MSFlexGrid1");
  Click(grid);
  Tab();
  EXPECT_EQ(FocusedName(), "Command3");
  using Keys = std::pair<Qt::Key, Qt::KeyboardModifiers>;
  for (auto [key, modifiers] : {Keys{Qt::Key_Tab, Qt::ControlModifier}, Keys{Qt::Key_Backtab, Qt::ShiftModifier},
                                Keys{Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier}}) {
    Click(grid);
    Press(key, modifiers);
    EXPECT_NE(Focused(), grid) << key << " " << modifiers;
  }
  Click(grid);
  Tab();
  Enter(Qt::Key_Enter);
  InsertPersona* form = w.subjectForm();
  ASSERT_NE(form, nullptr);
  Activate(form);
  TypeValidSubject(form);
  Tab(2);  // past the protocol's number
  EXPECT_EQ(FocusedName(), "Command1");
  Enter();
  EXPECT_TRUE(messages.empty()) << Texts().join("|").toStdString();
  EXPECT_EQ(session->table().Count(), 2);
  EXPECT_EQ(w.subjectForm(), nullptr);
}

// The palette follows its box in the tab order and its letters are chosen with the arrows and Enter;
// the calendar follows the death date.
TEST_F(Keyboard, ThePalettesAndTheCalendarAreReachedByTab) {
  InsertPersona* form = NewForm(Open());
  Click(Find<QLineEdit>(form, "NomeBox"));
  TypeText("nicol");
  Tab();
  EXPECT_EQ(FocusedName(), "Image2");
  Enter();
  auto* palette = form->findChild<Diacritici*>();
  ASSERT_NE(palette, nullptr);
  Activate(palette);
  EXPECT_EQ(FocusedName(), "Label2");  // À, the first letter
  for (int i = 0; i < 18; ++i) Press(Qt::Key_Right);
  EXPECT_EQ(Focused()->property("text").toString(), "Ò");
  Press(Qt::Key_Space);
  EXPECT_EQ(Find<QLineEdit>(form, "NomeBox")->text(), "NICOLÒ");
  Click(Find<QLineEdit>(form, "DataDecessoBox"));
  Tab();
  EXPECT_EQ(FocusedName(), "Image5");
}

// A combo's list opens at the name it holds, or at the first that begins with its text; Down then
// moves on and Enter chooses, with its code.
TEST_F(Keyboard, AComboListOpensAtItsName) {
  InsertPersona* form = NewForm(Open());
  auto* combo = Find<QComboBox>(form, "ComuneITCombo");
  for (const auto& [typed, shown] : {std::pair{"milano", "MILANO"}, {"forl", "FORLÌ"}}) {
    Click(combo);
    Press(Qt::Key_A, Qt::ControlModifier);
    TypeText(typed);
    Press(Qt::Key_F4);
    ASSERT_TRUE(QTest::qWaitFor([combo] { return combo->view()->isVisible(); }, 2000));
    EXPECT_EQ(combo->view()->currentIndex().data().toString(), shown);
    Press(Qt::Key_Down);
    Enter();
    EXPECT_FALSE(combo->view()->isVisible());
  }
  EXPECT_EQ(combo->currentText(), "FORLÌ DEL SANNIO");
  EXPECT_EQ(form->Entry().cod_comune_nascita, "D703");
}

// Typing over a selection replaces it: a full box takes as much as the selection frees.
TEST_F(Keyboard, TypingOverASelectionInAFullBox) {
  InsertPersona* form = NewForm(Open());
  for (const auto& [box, first, second] : {std::tuple{"AnnoBox", "1950", "1951"},
                                           {"CodiceFiscaleBox", "RSSMRA50C05H501F", "BNCNNA60A41F205X"}}) {
    TypeInto(Find<QLineEdit>(form, box), first);
    Press(Qt::Key_A, Qt::ControlModifier);
    TypeText(second);
    EXPECT_EQ(Find<QLineEdit>(form, box)->text(), second);
  }
  EXPECT_TRUE(messages.empty()) << Texts().join("|").toStdString();
}

// The save dialog opens on its folder list; Enter opens a folder, Backspace goes back up, and the
// notice is written only by "OK", in the folder then open.
TEST_F(Keyboard, TheFolderListByKeysAlone) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  TypeHeader(w, "123");
  std::filesystem::create_directories(dir / "uno/due/tre");
  std::filesystem::create_directories(dir / "uno/altra");
  session->config().CartellaFileXml = dir.path().string();
  Choose(&w, "Command1");
  CreaFiles* dialog = w.creaFiles();
  ASSERT_NE(dialog, nullptr);
  Activate(dialog);
  auto* folders = Find<QListWidget>(dialog, "Dir1");
  EXPECT_EQ(Focused(), folders) << FocusedName().toStdString();
  const auto open = [&](const QString& name) {
    folders->setCurrentItem(folders->findItems(name, Qt::MatchExactly).value(0));  // as the arrows would
    Enter();
  };
  open("uno");
  EXPECT_EQ(folders->currentItem()->text(), "..");
  open("due");
  open("tre");
  EXPECT_EQ(dialog->browser()->currentPath().toStdString(), (dir / "uno/due/tre").string());
  Press(Qt::Key_Backspace);
  Press(Qt::Key_Backspace);
  EXPECT_EQ(folders->currentItem()->text(), "due");  // the folder just left
  Press(Qt::Key_Up);
  EXPECT_EQ(folders->currentItem()->text(), "altra");
  Press(Qt::Key_Down);
  open("due");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Names(dir / "uno/due").size(), 1U);  // nothing was written, the dialog is still there
  ASSERT_EQ(w.creaFiles(), dialog);
  Tab(2);  // the drives, then "OK"
  EXPECT_EQ(FocusedName(), "Command1");
  Enter();
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(messages.back().text.startsWith("XML validato e salvato con successo!"));
  EXPECT_EQ(Names(dir / "uno/due").size(), 2U);  // the notice's folder beside "tre"
}

// Enter on a file of the import dialog chooses it and goes to "OK", which imports.
TEST_F(Keyboard, EnterOnAFileGoesToOk) {
  Principale& w = Open();
  dir.Write("exports/good.csv", testing::kGoodCsv);
  session->config().CartellaImport = (dir / "exports").string();
  Choose(&w, "Command7");
  ImportaFile* dialog = w.importaFile();
  Activate(dialog);
  EXPECT_EQ(FocusedName(), "Dir1");
  Tab();
  Press(Qt::Key_Down);
  Enter();
  EXPECT_EQ(session->table().Count(), 0);
  EXPECT_EQ(FocusedName(), "Command1");
  Enter();
  EXPECT_EQ(session->table().Count(), 2);
  EXPECT_EQ(messages.back().text, "Importati 2 soggetti.");
}

// Every menu opens with Alt and its letter, its caption unchanged but for the underlined letter.
TEST_F(Keyboard, AltAndALetterOpenEachMenu) {
  Principale& w = Open();
  for (const auto& [letter, menu] : {std::pair{Qt::Key_N, "Nuovo"}, {Qt::Key_C, "config"}, {Qt::Key_Question, "help"}}) {
    Activate(&w);
    QTest::keyClick(&w, letter, Qt::AltModifier);
    auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(open, nullptr) << menu;
    EXPECT_EQ(open->objectName(), menu);
    open->close();
  }
  EXPECT_EQ(Find<QMenu>(&w, "Nuovo")->title().remove('&'), "Nuovo");
}

}  // namespace
}  // namespace nerovale::ui
