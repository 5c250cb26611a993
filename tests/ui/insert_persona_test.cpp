#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>

#include "notice_fixture.h"
#include "ui/insert_persona.h"
#include "ui/qt_text.h"
#include "ui/small_windows.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class EntryForm : public testing::WindowTest {
 protected:
  InsertPersona* NewForm() {
    Principale& w = window ? *window : Open();
    Click(Find<QPushButton>(&w, "Command3"));
    InsertPersona* form = w.subjectForm();
    if (form != nullptr) Activate(form);
    return form;
  }
  QLineEdit* Box(InsertPersona* form, const char* name) { return Find<QLineEdit>(form, name); }
  QComboBox* Combo(InsertPersona* form, const char* name) { return Find<QComboBox>(form, name); }
  void Push(InsertPersona* form, const char* button) { Click(Find<QPushButton>(form, button)); }
  std::string Stored(int row, Column column) const { return session->table().Cell(row, column); }
};

TEST_F(EntryForm, OpensWithTheTablesAndTheCaptionOfTheNextSubject) {
  Principale& w = Open();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  InsertPersona* form = NewForm();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), " Inserimento Soggetto 5");
  EXPECT_EQ(Combo(form, "ComuneITCombo")->count(), 12926);
  EXPECT_EQ(Combo(form, "StatoDCombo")->count(), 231);
  EXPECT_EQ(Combo(form, "ComuneITCombo")->model(), Combo(form, "ComuneAttoCombo")->model());
  EXPECT_EQ(Combo(form, "StatoCombo")->currentText(), "ITALIA");
  EXPECT_EQ(form->Entry().cod_nazione_nascita, "Z000");
  EXPECT_FALSE(Box(form, "ComuneSTBox")->isEnabled());
  EXPECT_EQ(Background(Box(form, "ComuneSTBox")), kGrey);
  EXPECT_FALSE(Find<QToolButton>(form, "Image4")->isVisible());
}

TEST_F(EntryForm, ASubjectTypedByKeyboardAloneIsStoredAsRowFive) {
  Principale& w = Open();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  w.model().PaintRow(4, kErrorRowColour);
  InsertPersona* form = NewForm();
  TypeValidSubject(form);
  Push(form, "Command1");
  EXPECT_TRUE(messages.empty()) << Texts().join("|").toStdString();
  ASSERT_EQ(session->table().Count(), 5);
  EXPECT_EQ(Stored(5, kNumero), "5");
  EXPECT_EQ(Stored(5, kCognome), "ROSSI");
  EXPECT_EQ(Stored(5, kSesso), "M");
  EXPECT_EQ(Stored(5, kDataNascita), "5/3/1950");
  EXPECT_EQ(Stored(5, kCodComuneNascita), "H501");
  EXPECT_EQ(Stored(5, kCodiceFiscale), "RSSMRA50C05H501F");
  EXPECT_EQ(Stored(5, kDataDecesso), "10/01/2024");
  EXPECT_EQ(Stored(5, kCodComuneDecesso), "F205");
  EXPECT_EQ(Stored(5, kCodComuneAtto), "F205");
  EXPECT_EQ(w.CurrentRow(), 5);
  EXPECT_EQ(w.model().RowColour(4), kErrorRowColour);
  Settle();
  EXPECT_EQ(w.subjectForm(), nullptr);
}

// Every combo looks its name up whenever it is left, whatever the name was before.
TEST_F(EntryForm, LeavingACombo_FillsOrEmptiesItsOwnCodeBox) {
  InsertPersona* form = NewForm();
  TypeInto(Combo(form, "ComuneITCombo"), "Roma");
  EXPECT_EQ(Combo(form, "ComuneITCombo")->currentText(), "ROMA");
  Tab();
  EXPECT_EQ(form->Entry().cod_comune_nascita, "H501");

  // Chosen from the list, then retyped: the new name's code, never the old one.
  auto* death = Combo(form, "ComuneITDCombo");
  const int milano = death->findText("MILANO");
  death->setCurrentIndex(milano);
  emit death->activated(milano);
  EXPECT_EQ(form->Entry().cod_comune_decesso, "F205");
  Click(death);
  Press(Qt::Key_A, Qt::ControlModifier);
  TypeText("monza");
  Click(Box(form, "AttoMorteBox"));
  EXPECT_EQ(death->currentText(), "MONZA");
  EXPECT_EQ(form->Entry().cod_comune_decesso, "F704");

  // A name that is not in the table empties the code box, by Shift+Tab as by Enter.
  Click(Combo(form, "ComuneITCombo"));
  Press(Qt::Key_A, Qt::ControlModifier);
  TypeText("atlantide");
  Press(Qt::Key_Backtab);
  EXPECT_EQ(form->Entry().cod_comune_nascita, "");
  Click(death);
  TypeText("x");
  Press(Qt::Key_Return);
  EXPECT_EQ(form->Entry().cod_comune_decesso, "");

  // The certificate's municipality has its own code box.
  TypeInto(Combo(form, "ComuneAttoCombo"), "nessuno");
  Tab();
  EXPECT_EQ(form->Entry().cod_comune_atto, "");

  // A name chosen from the list keeps its accented letter, which typing could not give.
  auto* comune = Combo(form, "ComuneITCombo");
  const int forli = comune->findText("FORLÌ");
  ASSERT_GE(forli, 0);
  comune->setCurrentIndex(forli);
  emit comune->activated(forli);
  EXPECT_EQ(comune->currentText(), "FORLÌ");
  EXPECT_EQ(form->Entry().cod_comune_nascita, "D704");
}

TEST_F(EntryForm, ACountryTypedInLowerCaseIsStoredWithItsOwnCode) {
  InsertPersona* form = NewForm();
  TypeValidSubject(form);
  Click(Box(form, "CodiceFiscaleBox"));
  Press(Qt::Key_A, Qt::ControlModifier);
  Press(Qt::Key_Delete);
  Click(Combo(form, "StatoCombo"));
  Press(Qt::Key_A, Qt::ControlModifier);
  TypeText("francia");
  Tab();
  TypeInto(Box(form, "ComuneSTBox"), "parigi");
  EXPECT_EQ(Combo(form, "StatoCombo")->currentText(), "FRANCIA");
  EXPECT_EQ(form->Entry().cod_nazione_nascita, "Z110");
  EXPECT_EQ(Combo(form, "ComuneITCombo")->currentText(), "");
  EXPECT_EQ(form->Entry().cod_comune_nascita, "");
  Push(form, "Command1");
  EXPECT_TRUE(messages.empty()) << Texts().join("|").toStdString();
  ASSERT_EQ(session->table().Count(), 1);
  EXPECT_EQ(Stored(1, kNazioneNascita), "FRANCIA");
  EXPECT_EQ(Stored(1, kCodNazioneNascita), "Z110");
  EXPECT_EQ(Stored(1, kComuneEsteroNascita), "PARIGI");
}

TEST_F(EntryForm, ANameTypedAgainAfterTwoCancellaGetsItsCode) {
  InsertPersona* form = NewForm();
  for (int round = 0; round < 3; ++round) {
    TypeInto(Combo(form, "ComuneITCombo"), "roma");
    Tab();
    EXPECT_EQ(form->Entry().cod_comune_nascita, "H501") << "round " << round;
    if (round < 2) Push(form, "Command2");
  }
}

TEST_F(EntryForm, BirthCountryAwayFromItalyAndBack) {
  InsertPersona* form = NewForm();
  TypeInto(Combo(form, "ComuneITCombo"), "roma");
  Tab();
  auto* stato = Combo(form, "StatoCombo");
  Click(stato);
  Press(Qt::Key_A, Qt::ControlModifier);
  TypeText("francia");
  Tab();
  auto* comune = Combo(form, "ComuneITCombo");
  EXPECT_EQ(form->Entry().cod_nazione_nascita, "Z110");
  EXPECT_EQ(comune->currentText(), "");
  EXPECT_EQ(form->Entry().cod_comune_nascita, "");
  EXPECT_FALSE(comune->isEnabled());
  EXPECT_TRUE(Box(form, "ComuneSTBox")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>(form, "Image4")->isHidden());
  TypeInto(Box(form, "ComuneSTBox"), "parigi");
  Click(stato);
  Press(Qt::Key_A, Qt::ControlModifier);
  TypeText("italia");
  Tab();
  EXPECT_EQ(form->Entry().cod_nazione_nascita, "Z000");
  EXPECT_EQ(Box(form, "ComuneSTBox")->text(), "");
  EXPECT_FALSE(Box(form, "ComuneSTBox")->isEnabled());
  EXPECT_TRUE(comune->isEnabled());
}

// Text reaches a box only through its filter, whatever way it arrives.
TEST_F(EntryForm, PastedAndModifiedKeysGoThroughTheFilter) {
  InsertPersona* form = NewForm();
  QApplication::clipboard()->setText("anna2 maria;");
  ChooseFromMenu(Box(form, "NomeBox"), "edit-paste");
  EXPECT_EQ(Box(form, "NomeBox")->text(), "ANNA MARIA");

  Click(Box(form, "CognomeBox"));
  Press(Qt::Key_V, Qt::ControlModifier);
  Press(Qt::Key_Insert, Qt::ShiftModifier);
  TypeText("b", Qt::AltModifier);
  EXPECT_EQ(Box(form, "CognomeBox")->text(), "ANNA MARIAANNA MARIAB");

  QApplication::clipboard()->setText("roma1;");
  ChooseFromMenu(Combo(form, "ComuneITCombo"), "edit-paste");
  EXPECT_EQ(Combo(form, "ComuneITCombo")->currentText(), "ROMA");
  TypeText("9", Qt::AltModifier);
  Tab();
  EXPECT_EQ(form->Entry().cod_comune_nascita, "H501");

  // A paste into a full box replaces the selection, and no more.
  auto* atto = Box(form, "AttoMorteBox");
  TypeInto(atto, "123456789");
  atto->setSelection(0, 2);
  QApplication::clipboard()->setText("ab/cd");
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(atto->text(), "AB3456789");

  // Drops are refused.
  EXPECT_FALSE(Box(form, "NomeBox")->acceptDrops());
  EXPECT_FALSE(Combo(form, "StatoCombo")->lineEdit()->acceptDrops());
}

TEST_F(EntryForm, TheXSelectionPastesThroughTheFilter) {
  if (!QApplication::clipboard()->supportsSelection()) GTEST_SKIP() << "no X selection on this platform";
  InsertPersona* form = NewForm();
  QApplication::clipboard()->setText("anna2 maria;", QClipboard::Selection);
  Click(Box(form, "NomeBox"), Qt::MiddleButton);
  EXPECT_EQ(Box(form, "NomeBox")->text(), "ANNA MARIA");
}

TEST_F(EntryForm, FullBoxesSpeak) {
  InsertPersona* form = NewForm();
  TypeInto(Box(form, "CognomeBox"), QString(72, 'a'));
  EXPECT_TRUE(messages.empty());
  TypeText("b");
  EXPECT_EQ(Box(form, "CognomeBox")->text(), QString(72, 'A'));
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].text, "Max 72 Caratteri");
  TypeText("1");  // refused anyway: no message
  EXPECT_EQ(messages.size(), 1U);

  TypeInto(Box(form, "AttoMorteBox"), "123/45\\ab");
  EXPECT_EQ(Box(form, "AttoMorteBox")->text(), "123/45\\AB");
  TypeText("%");
  EXPECT_EQ(messages.back().text, "Max 9 Caratteri");
  TypeInto(Box(form, "NomeBox"), "anna-maria");
  EXPECT_EQ(Box(form, "NomeBox")->text(), "ANNAMARIA");  // no hyphen in a name
}

TEST_F(EntryForm, RejectedEntryKeepsItsValuesAndGivesTheSameWarningTwice) {
  InsertPersona* form = NewForm();
  TypeInto(Box(form, "CognomeBox"), "rossi");
  TypeInto(Box(form, "GiornoBox"), "5");
  Push(form, "Command1");
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].text.startsWith("ATTENZIONE! Sono stati riscontrati i seguenti errori:\n\n- Nome non inserito"));
  EXPECT_EQ(Box(form, "GiornoBox")->text(), "05");
  EXPECT_EQ(Box(form, "CognomeBox")->text(), "ROSSI");
  EXPECT_EQ(Background(Box(form, "NomeBox")), kHighlightColour);
  EXPECT_EQ(Background(Find<QRadioButton>(form, "Option1")), kHighlightColour);
  EXPECT_EQ(Background(Box(form, "CognomeBox")), kWhite);
  Push(form, "Command1");
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_EQ(messages[1].text, messages[0].text);
  TypeInto(Box(form, "NomeBox"), "m");
  EXPECT_EQ(Background(Box(form, "NomeBox")), kWhite);
  EXPECT_EQ(window->progressivo(), 0);
}

class EditForm : public EntryForm {
 protected:
  // Four valid subjects told apart by their fathers A, B (born in Paris), C, D; row 2 painted by
  // the table check.
  Principale& FourRows() {
    Principale& w = Open();
    SubjectRow foreign = testing::ValidForeignRow();
    foreign[kDataNascita] = "03/1950";
    for (const char* father : {"A", "B", "C", "D"}) {
      SubjectRow row = std::string(father) == "B" ? foreign : testing::ValidItalianRow();
      row[kNomePadre] = father;
      EXPECT_TRUE(w.model().Append(row));
    }
    w.model().PaintRow(2, kErrorRowColour);
    return w;
  }
  QModelIndex Cell(Principale& w, int row, Column column) { return w.model().index(row - 1, column - 1); }
  void ClickCell(Principale& w, int row, Column column) {
    Activate(&w);
    QTableView* grid = w.grid();
    const QRect cell = grid->visualRect(Cell(w, row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  }
  InsertPersona* EditByDoubleClick(Principale& w, int row, Column column) {
    ClickCell(w, row, column);
    QTableView* grid = w.grid();
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(Cell(w, row, column)).center());
    InsertPersona* form = w.subjectForm();
    if (form != nullptr) {
      QApplication::processEvents();  // the focus moves to the field once the form is filled
      Activate(form);
    }
    return form;
  }
};

TEST_F(EditForm, RowTwoOfFourOpensOnItsColumnAndRewritesItOnly) {
  Principale& w = FourRows();
  InsertPersona* form = EditByDoubleClick(w, 2, kComuneEsteroNascita);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), " Inserimento Soggetto 2");
  EXPECT_EQ(Box(form, "GiornoBox")->text(), "");
  EXPECT_EQ(Box(form, "MeseBox")->text(), "03");
  EXPECT_EQ(Box(form, "AnnoBox")->text(), "1950");
  EXPECT_EQ(Box(form, "ComuneSTBox")->text(), "PARIGI");
  EXPECT_FALSE(Combo(form, "ComuneITCombo")->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), Box(form, "ComuneSTBox"));
  Click(Box(form, "AttoMorteBox"));
  Press(Qt::Key_Backspace);
  Press(Qt::Key_Backspace);
  TypeText("99");
  Push(form, "Command1");
  EXPECT_TRUE(messages.empty()) << Texts().join("|").toStdString();
  EXPECT_EQ(session->table().Count(), 4);
  EXPECT_EQ(Stored(2, kAttoMorte), "99");
  EXPECT_EQ(Stored(2, kNumero), "2");
  EXPECT_EQ(Stored(1, kAttoMorte), "12");
  EXPECT_EQ(w.model().RowColour(2), kWhite);
}

// The form writes the subject it was opened for, wherever that row stands by then.
TEST_F(EditForm, AClickOnAnotherRowOrADeletionBeforeInserisciNeverOverwritesAnotherSubject) {
  Principale& w = FourRows();
  InsertPersona* form = EditByDoubleClick(w, 3, kAttoMorte);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Box(form, "PaternitaBox")->text(), "C");
  TypeText("5");
  ClickCell(w, 1, kCognome);  // the main window stays usable
  EXPECT_EQ(w.indiceSoggetti(), 1);
  answer = QMessageBox::Yes;
  Click(Find<QPushButton>(&w, "Command5"));  // row 1 goes: C is row 2 now
  ASSERT_EQ(session->table().Count(), 3);
  Activate(form);
  Push(form, "Command1");
  EXPECT_EQ(Stored(1, kNomePadre), "B");
  EXPECT_EQ(Stored(2, kNomePadre), "C");
  EXPECT_EQ(Stored(2, kAttoMorte), "125");
  EXPECT_EQ(Stored(3, kNomePadre), "D");
  EXPECT_EQ(Stored(3, kAttoMorte), "12");
}

TEST_F(EditForm, AnEditWhoseRowWasDeletedWritesNothingAndSaysSo) {
  Principale& w = FourRows();
  InsertPersona* form = EditByDoubleClick(w, 4, kAttoMorte);
  ASSERT_NE(form, nullptr);
  TypeText("7");
  answer = QMessageBox::Yes;
  Click(Find<QPushButton>(&w, "Command5"));  // the selected row is still 4
  ASSERT_EQ(session->table().Count(), 3);
  const SubjectTable before = session->table();
  Activate(form);
  Push(form, "Command1");
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(session->table().Row(r), before.Row(r));
  EXPECT_TRUE(messages.back().text.startsWith("Il soggetto in modifica è stato eliminato dalla tabella")) << Texts().join("|").toStdString();
  EXPECT_NE(w.subjectForm(), nullptr);  // the typing stays on screen

  // The same after the table was emptied and filled again.
  Click(Find<QPushButton>(form, "Command3"));
  Settle();
  form = EditByDoubleClick(w, 1, kAttoMorte);
  ASSERT_NE(form, nullptr);
  TypeText("8");
  Choose(&w, "Command6");  // "Elimina tutti i Soggetti", "Si"
  Click(Find<QPushButton>(w.avvisoTabella(), "Command1"));
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  Activate(form);
  Push(form, "Command1");
  EXPECT_EQ(Stored(1, kAttoMorte), "12");
}

TEST_F(EditForm, ReopeningWithTypingBringsTheSameFormBack) {
  Principale& w = FourRows();
  InsertPersona* form = EditByDoubleClick(w, 1, kAttoMorte);
  ASSERT_NE(form, nullptr);
  TypeText("3");
  EditByDoubleClick(w, 2, kCognome);
  EXPECT_EQ(w.subjectForm(), form);
  Click(Find<QPushButton>(&w, "Command3"));
  EXPECT_EQ(w.subjectForm(), form);
  EXPECT_EQ(Box(form, "AttoMorteBox")->text(), "123");
  EXPECT_EQ(form->windowTitle(), " Inserimento Soggetto 1");

  // An untouched form is simply replaced.
  Click(Find<QPushButton>(form, "Command3"));
  Settle();
  InsertPersona* untouched = EditByDoubleClick(w, 1, kCognome);
  ASSERT_NE(untouched, nullptr);
  EditByDoubleClick(w, 2, kCognome);
  EXPECT_EQ(w.subjectForm()->windowTitle(), " Inserimento Soggetto 2");
}

TEST_F(EntryForm, CancellaReturnsBothSidesToItaly) {
  InsertPersona* form = NewForm();
  TypeValidSubject(form);
  for (auto [combo, country] : {std::pair{"StatoCombo", "francia"}, {"StatoDCombo", "germania"}}) {
    Click(Combo(form, combo));
    Press(Qt::Key_A, Qt::ControlModifier);
    TypeText(country);
    Tab();
  }
  Push(form, "Command2");
  EXPECT_NE(window->subjectForm(), nullptr);
  EXPECT_EQ(Box(form, "CognomeBox")->text(), "");
  EXPECT_EQ(Box(form, "DataDecessoBox")->text(), "");
  EXPECT_FALSE(Find<QRadioButton>(form, "Option1")->isChecked());
  for (const char* combo : {"StatoCombo", "StatoDCombo"}) EXPECT_EQ(Combo(form, combo)->currentText(), "ITALIA");
  EXPECT_EQ(form->Entry().cod_nazione_nascita, "Z000");
  EXPECT_EQ(form->Entry().cod_nazione_decesso, "Z000");
  for (const char* box : {"ComuneSTBox", "ComuneSTDBox"}) {
    EXPECT_FALSE(Box(form, box)->isEnabled());
    EXPECT_EQ(Background(Box(form, box)), kGrey);
  }
  EXPECT_TRUE(Find<QToolButton>(form, "Image4")->isHidden());
  EXPECT_TRUE(Find<QToolButton>(form, "Image6")->isHidden());
  EXPECT_EQ(session->table().Count(), 0);
}

TEST_F(EntryForm, PaletteDeliversIntoTheSurname) {
  InsertPersona* form = NewForm();
  TypeInto(Box(form, "CognomeBox"), "d");
  Click(Find<QToolButton>(form, "Image1"));
  auto* palette = form->findChild<Diacritici*>();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->CurrentBox, 1);
  Click(Find<QLabel>(palette, "Label12"));
  EXPECT_EQ(Box(form, "CognomeBox")->text(), "DÉ");
}

TEST_F(EntryForm, AFullTableSaysSoInsteadOfOpeningTheForm) {
  Principale& w = Open();
  std::vector<SubjectRow> rows(SubjectTable::kMaxSubjects, testing::ValidItalianRow());
  w.model().AppendRows(std::move(rows));
  ASSERT_EQ(w.progressivo(), SubjectTable::kMaxSubjects);
  Click(Find<QPushButton>(&w, "Command3"));
  EXPECT_EQ(w.subjectForm(), nullptr);
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].text,
            "La comunicazione contiene già 32767 soggetti, il numero massimo: non è possibile inserirne altri.");
}

}  // namespace
}  // namespace nerovale::ui
