// The main window: the notice number, deleting a row, a new notice, "Crea File XML" and its checks,
// the calendar and "Guida".
#include <QAction>
#include <QCalendarWidget>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "notice_fixture.h"
#include "ui/small_windows.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

using testing::NamedRow;

class MainWindow : public testing::WindowTest {};

// The number takes nine digits and nothing else however they arrive (typed, with Alt or AltGr,
// pasted by keys or by the menu); the tenth is refused with a warning; Backspace deletes.
TEST_F(MainWindow, NumberBoxTakesNineDigitsOnlyWhateverWayTheyArrive) {
  Principale& w = Open();
  auto* numero = Find<QLineEdit>(&w, "TxtNumeroRichiesta");
  TypeInto(numero, "12a3/4.56789");
  EXPECT_EQ(numero->text(), "123456789");
  EXPECT_TRUE(messages.empty());  // letters below nine digits go silently
  TypeText("0");
  EXPECT_EQ(numero->text(), "123456789");
  EXPECT_EQ(Texts(), QStringList{"Max 9 Cifre"});
  EXPECT_EQ(messages.back().icon, Icon::kWarning);
  Press(Qt::Key_Backspace);
  EXPECT_EQ(numero->text(), "12345678");
  Press(Qt::Key_A, Qt::ControlModifier);
  Press(Qt::Key_Delete);
  TypeText("12");
  TypeText("ab", Qt::AltModifier);
  TypeText("-", Qt::AltModifier | Qt::ControlModifier);  // AltGr on Windows
  EXPECT_EQ(numero->text(), "12");
  QApplication::clipboard()->setText("4/5.6x7");
  Press(Qt::Key_V, Qt::ControlModifier);
  ChooseFromMenu(numero, "edit-paste");  // as much as the box has room for
  EXPECT_EQ(numero->text(), "124567456");
}

// "Elimina Soggetto" asks first; the rows below move up whole (separators inside a cell included)
// with their numbers and colours, and go to the clipboard in the grid clipboard format; No, or no
// subject selected, changes nothing.
TEST_F(MainWindow, DeletingARowMovesTheRowsBelowUp) {
  Principale& w = Open();
  for (const char* name : {"A", "B", "C", "D"}) ASSERT_TRUE(w.model().Append(NamedRow(name)));
  SubjectRow odd = NamedRow("C\vX");
  odd[kNomePadre] = "P\fQ";
  ASSERT_TRUE(w.model().Overwrite(3, odd));
  w.model().PaintRow(4, kErrorRowColour);
  w.SetCurrentCell(2, 3);
  answer = QMessageBox::Yes;
  Choose(&w, "Command5");
  EXPECT_EQ(Texts(), QStringList{"Eliminare la riga numero 2 ?"});
  ASSERT_EQ(session->table().Count(), 3);
  EXPECT_EQ(w.indiceSoggetti(), 3);
  EXPECT_EQ(session->table().Cell(2, kCognome), "C\vX");
  EXPECT_EQ(w.model().index(1, kNomePadre - 1).data().toString(), "P\fQ");  // as the grid shows it
  EXPECT_EQ(session->table().Cell(3, kNumero), "3");
  EXPECT_EQ(w.model().RowColour(3), kErrorRowColour);
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("[GRIDCLIP]\f")) << QApplication::clipboard()->text();

  answer = QMessageBox::No;
  w.SetCurrentCell(1, 1);
  Choose(&w, "Command5");
  answer = QMessageBox::Yes;
  w.SetCurrentCell(0, 1);  // no subject selected: nothing is asked
  Choose(&w, "Command5");
  EXPECT_EQ(messages.size(), 2U);
  EXPECT_EQ(session->table().Count(), 3);
}

// A short config.ini still names the sender (the values before the gap) though the table stays
// hidden; "Nuova Comunicazione" shows it, and empties it after a question, keeping number and date.
TEST_F(MainWindow, NewNoticeKeepsNumberAndDate) {
  Principale& w = Open("H501\r\nBIANCHI\r\nLUCIA\r\n\r\n");
  EXPECT_FALSE(Find<QTableView>(&w, "MSFlexGrid1")->isVisible());
  Choose(&w, "CG");
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtSedeComune")->text(), "ROMA");
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtNomeReferente")->text(), "LUCIA");
  TypeHeader(w, "77", "05122026");
  ASSERT_TRUE(w.model().Append(NamedRow("A")));
  session->SetImportoFile(true);
  answer = QMessageBox::Yes;  // to the question about the subject in no notice
  Choose(&w, "CG");
  EXPECT_EQ(messages.size(), 1U);
  EXPECT_EQ(session->table().Count(), 0);
  EXPECT_FALSE(session->importoFile());
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtNumeroRichiesta")->text(), "77");
  EXPECT_EQ(w.NoticeDateText(), "05/12/2026");
}

// "Crea File XML" says what the checks found, in their order: an incomplete sender, the header (with
// the critical icon), then, after the wait window, the rows no form checked, painted with their
// reasons over them, and no save dialog opens. A change made while the save dialog is open is checked
// again at its "OK": the notice carries the table and the number as they stand then.
TEST_F(MainWindow, CreaFileXmlWritesOnlyWhatTheChecksPassed) {
  Choose(&Open("Z999\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n"), "Command1");
  EXPECT_EQ(Texts(), QStringList{"I dati del Comune e del Referente non sono completi:\n- Comune con codice \"Z999\" non "
                                 "presente nella tabella dei comuni\nCompletarli da \"Configurazione\" → \"Modifica "
                                 "Configurazione Utente\" prima di creare il file XML."});
  Principale& w = Open();
  Choose(&w, "Command1");
  EXPECT_EQ(messages.back().icon, Icon::kCritical);
  EXPECT_TRUE(Said().endsWith("- Nessun Soggetto inserito")) << Said();
  SubjectRow bad = testing::ValidItalianRow();
  bad[kSesso] = "m";
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  ASSERT_TRUE(w.model().Append(bad));
  session->SetImportoFile(true);
  TypeHeader(w, "12");
  Choose(&w, "Command1");
  EXPECT_NE(w.attesa(), nullptr);
  WaitForTheCheck(w);
  const QString faulty = "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 2";
  EXPECT_EQ(Said(), faulty);
  EXPECT_EQ(w.model().RowColour(1), kWhite);
  EXPECT_EQ(w.model().RowColour(2), kErrorRowColour);
  EXPECT_EQ(w.model().index(1, 5).data(Qt::ToolTipRole).toString(), "Sesso non specificato o diverso da M e F");
  EXPECT_EQ(w.indiceSoggetti(), 2);
  EXPECT_EQ(w.creaFiles(), nullptr);

  answer = QMessageBox::Yes;
  Choose(&w, "Command5");  // row 2 goes
  CreaFiles* dialog = SaveDialog(w);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(w.model().Append(bad));
  Click(Find<QPushButton>(dialog, "Command1"));
  EXPECT_EQ(Said(), faulty);
  EXPECT_EQ(w.model().RowColour(2), kErrorRowColour);
  EXPECT_TRUE(Names(dir / "out").empty());
  Settle();
  EXPECT_EQ(w.creaFiles(), nullptr);

  Choose(&w, "Command5");
  ASSERT_NE(SaveDialog(w), nullptr);
  TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), "3");
  Click(Find<QPushButton>(w.creaFiles(), "Command1"));
  EXPECT_TRUE(Said().startsWith("XML validato e salvato con successo!")) << Said();
  const auto written = Names(dir / "out");
  ASSERT_EQ(written.size(), 1U);
  EXPECT_NE(testing::ReadFile(dir / "out" / written[0] / "nerovale_123_20261130.xml").find("<NUMERO_RICHIESTA>123<"),
            std::string::npos);
}

// The calendar opens only while the date box is enabled, modal and in Italian; Enter writes the day.
TEST_F(MainWindow, CalendarSpeaksItalianAndWritesTheDateOnlyWhenTheBoxIsEnabled) {
  Find<QToolButton>(&Open(""), "Image1")->click();  // no configuration: the boxes stay disabled
  EXPECT_EQ(window->findChild<CalendarDialog*>(), nullptr);
  Principale& w = Open();
  Click(Find<QToolButton>(&w, "Image1"));
  auto* picker = w.findChild<CalendarDialog*>();
  ASSERT_NE(picker, nullptr);
  EXPECT_TRUE(picker->isModal());
  EXPECT_EQ(picker->calendar()->locale().monthName(12), "dicembre");
  picker->calendar()->setSelectedDate(QDate(2026, 12, 5));
  picker->calendar()->setFocus();
  Activate(picker);
  Press(Qt::Key_Return);
  EXPECT_EQ(w.NoticeDateText(), "05/12/2026");
}

// Without the manual, or without a program that opens it (the offscreen desktop has none), "Guida"
// says where the file is.
TEST_F(MainWindow, GuidaSaysWhereTheManualIsWhenItCannotBeOpened) {
  Principale& w = Open();
  const QString manual = QString::fromStdString((dir / "docs" / "Nerovale-Manuale_Utente.pdf").string());
  Choose(&w, "guida");
  dir.Write("docs/Nerovale-Manuale_Utente.pdf", "%PDF-1.4\n");
  Choose(&w, "guida");
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_TRUE(messages[0].text.startsWith("Il manuale non è stato trovato")) << messages[0].text;
  EXPECT_TRUE(messages[1].text.startsWith("Non è stato possibile aprire il manuale")) << messages[1].text;
  for (const auto& m : messages) EXPECT_TRUE(m.text.endsWith(manual)) << m.text;
}

}  // namespace
}  // namespace nerovale::ui
