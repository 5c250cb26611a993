#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>

#include <chrono>

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
    Find<QPushButton>(&w, "Command3")->click();
    return w.subjectForm();
  }
  QLineEdit* Box(InsertPersona* form, const char* name) { return Find<QLineEdit>(form, name); }
  QComboBox* Combo(InsertPersona* form, const char* name) { return Find<QComboBox>(form, name); }
  // A valid subject born in Rome, typed as the operator would.
  void TypeValidSubject(InsertPersona* form) {
    QTest::keyClicks(Box(form, "CognomeBox"), "rossi");
    QTest::keyClicks(Box(form, "NomeBox"), "mario");
    Find<QRadioButton>(form, "Option1")->click();
    QTest::keyClicks(Box(form, "GiornoBox"), "5");
    QTest::keyClicks(Box(form, "MeseBox"), "3");
    QTest::keyClicks(Box(form, "AnnoBox"), "1950");
    for (auto [combo, text] : {std::pair{"ComuneITCombo", "roma"}, {"ComuneITDCombo", "milano"}, {"ComuneAttoCombo", "milano"}}) {
      QTest::keyClicks(Combo(form, combo)->lineEdit(), text);
      Leave(Combo(form, combo)->lineEdit());
    }
    QTest::keyClicks(Box(form, "CodiceFiscaleBox"), "rssmra50c05h501f");
    Box(form, "DataDecessoBox")->setText("10/01/2024");
    QTest::keyClicks(Box(form, "AttoMorteBox"), "12");
  }
};

TEST_F(EntryForm, OpensWithTheTablesAndTheCaptionOfTheNextSubject) {
  Principale& w = Open();
  for (int i = 0; i < 4; ++i) state->table.Add(testing::ValidItalianRow());
  w.TableChanged();
  const auto start = std::chrono::steady_clock::now();
  InsertPersona* form = NewForm();
  const auto opened = std::chrono::steady_clock::now() - start;
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), " Inserimento Soggetto 5");
  EXPECT_EQ(Combo(form, "ComuneITCombo")->count(), 12926);
  EXPECT_EQ(Combo(form, "StatoDCombo")->count(), 231);
  EXPECT_EQ(Combo(form, "ComuneITCombo")->model(), Combo(form, "ComuneAttoCombo")->model());
  EXPECT_EQ(Combo(form, "StatoCombo")->currentText(), "ITALIA");
  EXPECT_EQ(Box(form, "StatoNCodBox")->text(), "Z000");
  EXPECT_FALSE(Box(form, "ComuneSTBox")->isEnabled());
  EXPECT_EQ(Background(Box(form, "ComuneSTBox")), kGrey);
  EXPECT_FALSE(Find<QToolButton>(form, "Image4")->isVisible());
  std::cout << "[ form opened in " << std::chrono::duration<double, std::milli>(opened).count() << " ms ]\n";
}

TEST_F(EntryForm, CombosFillTheirOwnCodeBoxes) {
  InsertPersona* form = NewForm();
  auto* comune = Combo(form, "ComuneITCombo");
  QTest::keyClicks(comune->lineEdit(), "Roma");
  EXPECT_EQ(comune->currentText(), "ROMA");
  Leave(comune->lineEdit());
  EXPECT_EQ(Box(form, "ComuneNCodBox")->text(), "H501");
  comune->setEditText("");
  QTest::keyClicks(comune->lineEdit(), "atlantide");
  Leave(comune->lineEdit());
  EXPECT_EQ(Box(form, "ComuneNCodBox")->text(), "");

  auto* death = Combo(form, "ComuneITDCombo");
  QTest::keyClicks(death->lineEdit(), "milano");
  Leave(death->lineEdit());
  auto* atto = Combo(form, "ComuneAttoCombo");
  QTest::keyClicks(atto->lineEdit(), "nessuno");
  Leave(atto->lineEdit());
  EXPECT_EQ(Box(form, "ComuneAttoBox")->text(), "");
  EXPECT_EQ(Box(form, "ComuneDCodBox")->text(), "F205");

  // A name chosen from the list keeps its accented letter, which typing could not give.
  const int forli = comune->findText("FORLÌ");
  ASSERT_GE(forli, 0);
  comune->setCurrentIndex(forli);
  emit comune->activated(forli);
  EXPECT_EQ(comune->currentText(), "FORLÌ");
  EXPECT_EQ(Box(form, "ComuneNCodBox")->text(), "D704");
}

TEST_F(EntryForm, BirthCountryAwayFromItalyAndBack) {
  InsertPersona* form = NewForm();
  auto* comune = Combo(form, "ComuneITCombo");
  comune->setEditText("ROMA");
  Leave(comune->lineEdit());
  auto* stato = Combo(form, "StatoCombo");
  stato->setEditText("FRANCIA");
  Leave(stato->lineEdit());
  EXPECT_EQ(Box(form, "StatoNCodBox")->text(), "Z110");
  EXPECT_EQ(comune->currentText(), "");
  EXPECT_EQ(Box(form, "ComuneNCodBox")->text(), "");
  EXPECT_FALSE(comune->isEnabled());
  EXPECT_TRUE(Box(form, "ComuneSTBox")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>(form, "Image4")->isHidden());
  QTest::keyClicks(Box(form, "ComuneSTBox"), "parigi");
  stato->setEditText("ITALIA");
  Leave(stato->lineEdit());
  EXPECT_EQ(Box(form, "ComuneSTBox")->text(), "");
  EXPECT_FALSE(Box(form, "ComuneSTBox")->isEnabled());
  EXPECT_TRUE(comune->isEnabled());
}

TEST_F(EntryForm, FullBoxesSpeak) {
  InsertPersona* form = NewForm();
  auto* cognome = Box(form, "CognomeBox");
  QTest::keyClicks(cognome, QString(72, 'a'));
  EXPECT_TRUE(messages.empty());
  QTest::keyClicks(cognome, "b");
  EXPECT_EQ(cognome->text(), QString(72, 'A'));
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].text, "Max 72 Caratteri");
  QTest::keyClicks(cognome, "1");  // refused anyway: no message
  EXPECT_EQ(messages.size(), 1U);

  auto* atto = Box(form, "AttoMorteBox");
  QTest::keyClicks(atto, "123/45\\ab");
  EXPECT_EQ(atto->text(), "123/45\\AB");
  QTest::keyClicks(atto, "%");
  EXPECT_EQ(messages.back().text, "Max 9 Caratteri");
  QTest::keyClicks(Box(form, "NomeBox"), "anna-maria");
  EXPECT_EQ(Box(form, "NomeBox")->text(), "ANNAMARIA");  // no hyphen in a name
}

TEST_F(EntryForm, RejectedEntryKeepsItsValuesAndGivesTheSameWarningTwice) {
  InsertPersona* form = NewForm();
  QTest::keyClicks(Box(form, "CognomeBox"), "rossi");
  QTest::keyClicks(Box(form, "GiornoBox"), "5");
  Find<QPushButton>(form, "Command1")->click();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].text.startsWith("ATTENZIONE! Sono stati riscontrati i seguenti errori:\n\n- Nome non inserito"));
  EXPECT_EQ(Box(form, "GiornoBox")->text(), "05");
  EXPECT_EQ(Box(form, "CognomeBox")->text(), "ROSSI");
  EXPECT_EQ(Background(Box(form, "NomeBox")), kHighlightColour);
  EXPECT_EQ(Background(Find<QRadioButton>(form, "Option1")), kHighlightColour);
  EXPECT_EQ(Background(Box(form, "CognomeBox")), kWhite);
  Find<QPushButton>(form, "Command1")->click();
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_EQ(messages[1].text, messages[0].text);
  QTest::keyClicks(Box(form, "NomeBox"), "m");
  EXPECT_EQ(Background(Box(form, "NomeBox")), kWhite);
  EXPECT_EQ(window->progressivo(), 0);
}

TEST_F(EntryForm, NewSubjectBecomesRowFiveOfFive) {
  Principale& w = Open();
  for (int i = 0; i < 4; ++i) state->table.Add(testing::ValidItalianRow());
  w.TableChanged();
  w.PaintRow(4, kErrorRowColour);
  InsertPersona* form = NewForm();
  TypeValidSubject(form);
  Find<QPushButton>(form, "Command1")->click();
  EXPECT_TRUE(messages.empty()) << Texts().join("|").toStdString();
  ASSERT_EQ(state->table.Count(), 5);
  EXPECT_EQ(state->table.Cell(5, kNumero), "5");
  EXPECT_EQ(state->table.Cell(5, kDataNascita), "5/3/1950");
  EXPECT_EQ(state->table.Cell(5, kCodComuneNascita), "H501");
  EXPECT_EQ(state->table.Cell(5, kCodiceFiscale), "RSSMRA50C05H501F");
  EXPECT_EQ(w.CurrentRow(), 5);
  Settle();
  EXPECT_EQ(w.subjectForm(), nullptr);
}

TEST_F(EntryForm, EditingRowTwoOfThreeRewritesItOnly) {
  Principale& w = Open();
  SubjectRow foreign = testing::ValidForeignRow();
  foreign[kDataNascita] = "03/1950";
  state->table.Add(testing::ValidItalianRow());
  state->table.Add(foreign);
  state->table.Add(testing::ValidItalianRow());
  w.TableChanged();
  w.PaintRow(2, kErrorRowColour);
  w.SetCurrentCell(2, kComuneEsteroNascita);
  QTest::keyClick(w.grid(), Qt::Key_Return);  // as a double click: edit the row
  InsertPersona* form = w.subjectForm();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), " Inserimento Soggetto 2");
  EXPECT_EQ(Box(form, "GiornoBox")->text(), "");
  EXPECT_EQ(Box(form, "MeseBox")->text(), "03");
  EXPECT_EQ(Box(form, "AnnoBox")->text(), "1950");
  EXPECT_EQ(Box(form, "ComuneSTBox")->text(), "PARIGI");
  EXPECT_TRUE(Box(form, "ComuneSTBox")->isEnabled());
  EXPECT_FALSE(Combo(form, "ComuneITCombo")->isEnabled());
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), Box(form, "ComuneSTBox"));
  Box(form, "AttoMorteBox")->setText("99");
  Find<QPushButton>(form, "Command1")->click();
  EXPECT_TRUE(messages.empty()) << Texts().join("|").toStdString();
  EXPECT_EQ(state->table.Count(), 3);
  EXPECT_EQ(state->table.Cell(2, kAttoMorte), "99");
  EXPECT_EQ(state->table.Cell(2, kNumero), "2");
  EXPECT_EQ(state->table.Cell(1, kAttoMorte), "12");
  EXPECT_EQ(w.model().RowColour(2), kWhite);
}

TEST_F(EntryForm, CancellaReturnsBothSidesToItaly) {
  InsertPersona* form = NewForm();
  TypeValidSubject(form);
  Combo(form, "StatoCombo")->setEditText("FRANCIA");
  Leave(Combo(form, "StatoCombo")->lineEdit());
  Combo(form, "StatoDCombo")->setEditText("GERMANIA");
  Leave(Combo(form, "StatoDCombo")->lineEdit());
  Find<QPushButton>(form, "Command2")->click();
  EXPECT_NE(window->subjectForm(), nullptr);
  EXPECT_EQ(Box(form, "CognomeBox")->text(), "");
  EXPECT_EQ(Box(form, "DataDecessoBox")->text(), "");
  EXPECT_FALSE(Find<QRadioButton>(form, "Option1")->isChecked());
  for (const char* combo : {"StatoCombo", "StatoDCombo"}) EXPECT_EQ(Combo(form, combo)->currentText(), "ITALIA");
  for (const char* code : {"StatoNCodBox", "StatoDCodBox"}) EXPECT_EQ(Box(form, code)->text(), "Z000");
  for (const char* box : {"ComuneSTBox", "ComuneSTDBox"}) {
    EXPECT_FALSE(Box(form, box)->isEnabled());
    EXPECT_EQ(Background(Box(form, box)), kGrey);
  }
  EXPECT_TRUE(Find<QToolButton>(form, "Image4")->isHidden());
  EXPECT_TRUE(Find<QToolButton>(form, "Image6")->isHidden());
  EXPECT_EQ(state->table.Count(), 0);
}

TEST_F(EntryForm, PaletteDeliversIntoTheSurname) {
  InsertPersona* form = NewForm();
  QTest::keyClicks(Box(form, "CognomeBox"), "d");
  Find<QToolButton>(form, "Image1")->click();
  auto* palette = form->findChild<Diacritici*>();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->CurrentBox, 1);
  palette->Pick("É");
  EXPECT_EQ(Box(form, "CognomeBox")->text(), "DÉ");
}

}  // namespace
}  // namespace nerovale::ui
