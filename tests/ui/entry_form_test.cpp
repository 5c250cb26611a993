// The subject entry form as the operator uses it: typing, Tab and clicks, pastes, the combos' look-ups,
// the Italy/abroad switch, the warning of a refused subject, and editing a row of the grid.
#include <QComboBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <functional>

#include "notice_fixture.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class EntryForm : public testing::WindowTest {
 protected:
  InsertPersona* NewForm() { return WindowTest::NewForm(window ? *window : Open()); }
  QLineEdit* Box(InsertPersona* form, const char* name) { return Find<QLineEdit>(form, name); }
  QComboBox* Combo(InsertPersona* form, const char* name) { return Find<QComboBox>(form, name); }
  void Push(InsertPersona* form, const char* button) { Click(Find<QPushButton>(form, button)); }
  void Retype(QWidget* combo, const char* text) {
    Click(combo);
    Press(Qt::Key_A, Qt::ControlModifier);
    TypeText(text);
  }
  std::string Stored(int row, Column column) const { return session->table().Cell(row, column); }
  // Four valid subjects told apart by their fathers A, B (born in Paris in March 1950), C, D.
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
  // A click on a cell of the grid, or a double click that opens its subject: the form, made active.
  void ClickCell(Principale& w, int row, Column column) {
    Activate(&w);
    QTest::mouseClick(w.grid()->viewport(), Qt::LeftButton, {}, Cell(w, row, column));
  }
  InsertPersona* EditByDoubleClick(Principale& w, int row, Column column) {
    ClickCell(w, row, column);
    QTest::mouseDClick(w.grid()->viewport(), Qt::LeftButton, {}, Cell(w, row, column));
    QApplication::processEvents();  // the focus moves to the field once the form is filled
    if (w.subjectForm() != nullptr) Activate(w.subjectForm());
    return w.subjectForm();
  }
  static QPoint Cell(Principale& w, int row, Column column) {
    return w.grid()->visualRect(w.model().index(row - 1, column - 1)).center();
  }
};

// A subject typed by keyboard alone, born abroad after all (the country typed in lower case switches
// the side, the places following it), is stored after the rows already there, which keep their
// colours, and becomes the grid's current row.
TEST_F(EntryForm, ASubjectTypedByKeyboardAloneIsStoredAfterTheOthers) {
  Principale& w = Open();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  w.model().PaintRow(4, kErrorRowColour);
  InsertPersona* form = NewForm();
  EXPECT_EQ(form->windowTitle(), " Inserimento Soggetto 5");
  EXPECT_EQ(Combo(form, "ComuneITCombo")->count(), 12975);
  EXPECT_FALSE(Box(form, "ComuneSTBox")->isEnabled());
  TypeValidSubject(form);
  Retype(Combo(form, "StatoCombo"), "francia");
  Tab();
  EXPECT_EQ(form->Entry().cod_nazione_nascita, "Z110");
  EXPECT_EQ(Combo(form, "ComuneITCombo")->currentText(), "");
  EXPECT_EQ(form->Entry().cod_comune_nascita, "");
  EXPECT_FALSE(Combo(form, "ComuneITCombo")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>(form, "Image4")->isHidden());
  TypeInto(Box(form, "ComuneSTBox"), "parigi");
  Click(Box(form, "CodiceFiscaleBox"));
  Press(Qt::Key_A, Qt::ControlModifier);
  Press(Qt::Key_Delete);
  Push(form, "Command1");
  EXPECT_TRUE(messages.empty()) << Texts().join("|");
  ASSERT_EQ(session->table().Count(), 5);
  for (auto [column, stored] : {std::pair{kCognome, "ROSSI"}, {kDataNascita, "5/3/1950"}, {kCodNazioneNascita, "Z110"},
                                {kComuneEsteroNascita, "PARIGI"}, {kDataDecesso, "10/01/2024"},
                                {kCodComuneDecesso, "F205"}, {kCodComuneAtto, "F205"}}) {
    EXPECT_EQ(Stored(5, column), stored) << column;
  }
  EXPECT_EQ(w.CurrentRow(), 5);
  EXPECT_EQ(w.model().RowColour(4), kErrorRowColour);
}

// A birth place that two municipalities bore on the birth day is chosen from both, each with its
// province: Down and Enter take the second; a codice fiscale born elsewhere is a note after storing.
TEST_F(EntryForm, AHomonymIsChosenWithItsProvince) {
  Open();
  InsertPersona* form = NewForm();
  TypeValidSubject(form);
  Retype(Box(form, "AnnoBox"), "1980");
  Retype(Combo(form, "ComuneITCombo"), "castro");
  Retype(Box(form, "CodiceFiscaleBox"), "rssmra80c05c337u");
  QStringList offered;
  QTimer person;  // at the keyboard, once the choice is up and has the keyboard
  QElapsedTimer waited;
  waited.start();
  QObject::connect(&person, &QTimer::timeout, [&] {
    auto* choice = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    const QWidget* focused = QApplication::focusWidget();
    if (choice != nullptr && waited.elapsed() > 20'000) choice->reject();  // never up: fail, never hang
    if (choice == nullptr || !choice->isVisible() || focused == nullptr || !choice->isAncestorOf(focused)) return;
    person.stop();
    offered = choice->comboBoxItems();
    offered.prepend(choice->labelText());
    Press(Qt::Key_Down);
    Press(Qt::Key_Return);
  });
  person.start(20);
  Push(form, "Command1");
  EXPECT_EQ(offered, (QStringList{"Alla data più Comuni si chiamavano CASTRO. Quale?", "CASTRO (BG)", "CASTRO (LE, dal 1975)"}));
  ASSERT_EQ(session->table().Count(), 1);
  EXPECT_EQ(Stored(1, kComuneNascita) + Stored(1, kCodComuneNascita), "CASTROM261");
  EXPECT_EQ(Said(), "Soggetto inserito. Nota:\nil codice fiscale indica il luogo di nascita C337, non M261 di CASTRO");
}

// Every combo looks its name up whenever it is left: by Tab, Shift+Tab, a click or Enter (a name
// chosen from its list is the keyboard tests' own); a name not in the table leaves it without a
// code; a name typed with the marks of an Italian keyboard, or without them, is the table's own.
TEST_F(EntryForm, EveryComboGivesItsCodeWhenLeft) {
  InsertPersona* form = NewForm();
  using Entry = validation::SubjectForm;
  const std::function<void()> tab = [] { Tab(); };
  const std::tuple<const char*, const char*, std::function<void()>, std::string Entry::*, const char*> cases[] = {
      {"ComuneITCombo", "Roma", tab, &Entry::cod_comune_nascita, "H501"},
      {"ComuneITDCombo", "monza", [&] { Click(Box(form, "AttoMorteBox")); }, &Entry::cod_comune_decesso, "F704"},
      {"ComuneITCombo", "atlantide", [] { Press(Qt::Key_Backtab); }, &Entry::cod_comune_nascita, ""},
      {"ComuneITDCombo", "x", [] { Press(Qt::Key_Return); }, &Entry::cod_comune_decesso, ""},
      {"ComuneAttoCombo", "forlì", tab, &Entry::cod_comune_atto, "D704"},
      {"ComuneAttoCombo", "forli", tab, &Entry::cod_comune_atto, "D704"},
  };
  for (const auto& [combo, typed, leave, code, expected] : cases) {
    Retype(Combo(form, combo), typed);
    leave();
    EXPECT_EQ(form->Entry().*code, expected) << combo << " " << typed;
  }
  EXPECT_EQ(Combo(form, "ComuneAttoCombo")->currentText(), "FORLÌ");
}

// "Cancella" brings both sides back to Italy, every box empty, and the next name typed gets its code.
TEST_F(EntryForm, CancellaBringsBothSidesBackToItaly) {
  InsertPersona* form = NewForm();
  TypeInto(Box(form, "DataDecessoBox"), "10012024");
  Retype(Combo(form, "StatoCombo"), "francia");
  Tab();
  Retype(Combo(form, "StatoDCombo"), "germania");
  Tab();
  Push(form, "Command2");
  for (const char* combo : {"StatoCombo", "StatoDCombo"}) EXPECT_EQ(Combo(form, combo)->currentText(), "ITALIA");
  EXPECT_EQ(form->Entry(), validation::SubjectForm::New());
  for (const char* box : {"ComuneSTBox", "ComuneSTDBox"}) EXPECT_EQ(Background(Box(form, box)), kGrey);
  EXPECT_TRUE(Find<QToolButton>(form, "Image6")->isHidden());
  TypeInto(Combo(form, "ComuneITCombo"), "roma");
  Tab();
  EXPECT_EQ(form->Entry().cod_comune_nascita, "H501");
}

// Text reaches a box only through its filter, whatever way it arrives: Ctrl+V, Shift+Insert, the
// menu of a combo, a key with Alt; a paste into a full box replaces the selection and no more; no
// drops.
TEST_F(EntryForm, PastesAndModifiedKeysGoThroughTheFilter) {
  InsertPersona* form = NewForm();
  QApplication::clipboard()->setText("anna2 maria;");
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
  auto* atto = Box(form, "AttoMorteBox");
  TypeInto(atto, "123456789");
  atto->setSelection(0, 2);
  QApplication::clipboard()->setText("ab/cd");
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(atto->text(), "AB3456789");
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

// A refused subject keeps what was typed, the fields of the failed rules painted, and gives the same
// warning twice; correcting a field clears its paint.
TEST_F(EntryForm, ARefusedSubjectIsMarkedAndKept) {
  InsertPersona* form = NewForm();
  TypeInto(Box(form, "CognomeBox"), "rossi");
  TypeInto(Box(form, "GiornoBox"), "5");
  Push(form, "Command1");
  EXPECT_TRUE(Said().startsWith("ATTENZIONE! Sono stati riscontrati i seguenti errori:\n\n- Nome non inserito")) << Said();
  EXPECT_EQ(Box(form, "GiornoBox")->text(), "05");
  EXPECT_EQ(Background(Box(form, "NomeBox")), kHighlightColour);
  EXPECT_EQ(Background(Find<QRadioButton>(form, "Option2")), kHighlightColour);
  EXPECT_EQ(Background(Box(form, "CognomeBox")), kWhite);
  Push(form, "Command1");
  EXPECT_EQ(Texts(), QStringList(2, Said()));
  TypeInto(Box(form, "NomeBox"), "m");
  EXPECT_EQ(Background(Box(form, "NomeBox")), kWhite);
  EXPECT_EQ(session->table().Count(), 0);

  // A full table says so instead of opening the form.
  Settle();
  answer = QMessageBox::Yes;  // its typing is let go
  form->close();
  window->model().AppendRows(std::vector<SubjectRow>(SubjectTable::kMaxSubjects, testing::ValidItalianRow()));
  EXPECT_FALSE(window->model().Append(testing::ValidItalianRow()));
  Click(Find<QPushButton>(window.get(), "Command3"));
  Settle();
  EXPECT_EQ(window->subjectForm(), nullptr);
  EXPECT_EQ(Said(), "La comunicazione contiene già 32767 soggetti, il numero massimo: non è possibile inserirne altri.");
}

// A double click opens the row's subject on the clicked column, and "Inserisci" rewrites that row
// only: wherever the row stands by then, and nothing when it went. A form with typing in it comes
// back rather than being replaced by another row's.
TEST_F(EntryForm, EditingRewritesOnlyTheRowTheFormWasOpenedFor) {
  Principale& w = FourRows();
  InsertPersona* form = EditByDoubleClick(w, 2, kComuneEsteroNascita);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), " Inserimento Soggetto 2");
  EXPECT_EQ(Box(form, "MeseBox")->text(), "03");
  EXPECT_EQ(Box(form, "AnnoBox")->text(), "1950");
  EXPECT_FALSE(Combo(form, "ComuneITCombo")->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), Box(form, "ComuneSTBox"));
  Click(Box(form, "AttoMorteBox"));
  Press(Qt::Key_Backspace);
  Press(Qt::Key_Backspace);
  TypeText("99");
  Push(form, "Command1");
  EXPECT_TRUE(messages.empty()) << Texts().join("|");
  EXPECT_EQ(Stored(2, kAttoMorte), "99");
  EXPECT_EQ(Stored(1, kAttoMorte), "12");
  EXPECT_EQ(w.model().RowColour(2), kWhite);

  form = EditByDoubleClick(w, 3, kAttoMorte);
  TypeText("5");
  EditByDoubleClick(w, 2, kCognome);
  EXPECT_EQ(w.subjectForm(), form);  // the typing is never thrown away
  ClickCell(w, 1, kCognome);
  answer = QMessageBox::Yes;
  Click(Find<QPushButton>(&w, "Command5"));  // row 1 goes: C is row 2 now
  Activate(form);
  Push(form, "Command1");
  EXPECT_EQ(Stored(2, kNomePadre), "C");
  EXPECT_EQ(Stored(2, kAttoMorte), "125");
  EXPECT_EQ(Stored(3, kAttoMorte), "12");

  form = EditByDoubleClick(w, 3, kAttoMorte);
  TypeText("7");
  Click(Find<QPushButton>(&w, "Command5"));  // the selected row is 3 still: its subject goes
  const SubjectTable before = session->table();
  Activate(form);
  Push(form, "Command1");
  for (int r = 1; r <= 2; ++r) EXPECT_EQ(session->table().Row(r), before.Row(r));
  EXPECT_TRUE(messages.back().text.startsWith("Il soggetto in modifica è stato eliminato dalla tabella"));
  EXPECT_NE(w.subjectForm(), nullptr);
}

}  // namespace
}  // namespace nerovale::ui
