#include <QAction>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "csv_fixture.h"
#include "notice_fixture.h"
#include "ui/qt_text.h"
#include "ui/small_windows.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

using testing::NamedRow;

class MainWindow : public testing::WindowTest {};

TEST_F(MainWindow, NumberBoxTakesNineDigitsOnly) {
  Principale& w = Open();
  auto* numero = Find<QLineEdit>(&w, "TxtNumeroRichiesta");
  QTest::keyClicks(numero, "12a3/4.56789");
  EXPECT_EQ(numero->text(), "123456789");
  EXPECT_TRUE(messages.empty());  // letters below nine digits go silently
  QTest::keyClicks(numero, "0");
  EXPECT_EQ(numero->text(), "123456789");
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].text, "Max 9 Cifre");
  EXPECT_EQ(messages[0].icon, Icon::kWarning);
  QTest::keyClick(numero, Qt::Key_Backspace);
  EXPECT_EQ(numero->text(), "12345678");

  numero->clear();
  QApplication::clipboard()->setText("4/5.6x7");
  QTest::keyClick(numero, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(numero->text(), "4567");  // a pasted slash or dot never reaches the file name
}

TEST_F(MainWindow, DeletingRowTwoOfFourMovesTheRowsUpWithTheirColours) {
  Principale& w = Open();
  for (const char* name : {"A", "B", "C", "D"}) state->table.Add(NamedRow(name));
  w.TableChanged();
  w.PaintRow(4, kErrorRowColour);
  w.SetCurrentCell(2, 3);
  answer = QMessageBox::Yes;
  w.DeleteSubjectRow();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].text, "Eliminare la riga numero 2 ?");
  EXPECT_EQ(state->table.Count(), 3);
  EXPECT_EQ(w.indiceSoggetti, 3);
  EXPECT_EQ(state->table.Cell(2, kCognome), "C");
  EXPECT_EQ(state->table.Cell(3, kCognome), "D");
  EXPECT_EQ(state->table.Cell(3, kNumero), "3");
  EXPECT_EQ(w.model().RowColour(2), kWhite);
  EXPECT_EQ(w.model().RowColour(3), kErrorRowColour);
  const QString clip = QApplication::clipboard()->text();
  EXPECT_TRUE(clip.startsWith("[GRIDCLIP]\fC\vNC\v")) << clip.toStdString();
  EXPECT_EQ(clip.count('\f'), 3);  // the marker and the two moved rows

  // The last row goes without touching the clipboard; No changes nothing.
  QApplication::clipboard()->setText("untouched");
  w.SetCurrentCell(3, 1);
  w.DeleteSubjectRow();
  EXPECT_EQ(state->table.Count(), 2);
  EXPECT_EQ(QApplication::clipboard()->text(), "untouched");
  answer = QMessageBox::No;
  w.SetCurrentCell(1, 1);
  w.DeleteSubjectRow();
  EXPECT_EQ(state->table.Count(), 2);

  w.SetCurrentCell(0, 1);  // no subject selected: nothing happens, the captions stay
  answer = QMessageBox::Yes;
  const auto asked = messages.size();
  w.DeleteSubjectRow();
  EXPECT_EQ(messages.size(), asked);
  EXPECT_EQ(state->table.Cell(0, kCognome), "Cognome *");
}

TEST_F(MainWindow, NewNoticeKeepsNumberAndDate) {
  Principale& w = Open();
  QTest::keyClicks(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), "77");
  auto* date = Find<QLineEdit>(&w, "MaskEdBox1");
  QFocusEvent focus(QEvent::FocusIn);
  QApplication::sendEvent(date, &focus);  // the mask arrives with the first focus
  QTest::keyClicks(date, "05122026");
  state->table.Add(NamedRow("A"));
  state->importoFile = true;
  w.findChild<QAction*>("CG")->trigger();
  EXPECT_EQ(state->table.Count(), 0);
  EXPECT_FALSE(state->importoFile);
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtNumeroRichiesta")->text(), "77");
  EXPECT_EQ(w.NoticeDateText(), "05/12/2026");
}

TEST_F(MainWindow, HeaderWarningListsItsThreeLines) {
  Principale& w = Open();
  QFocusEvent focus(QEvent::FocusIn);
  QApplication::sendEvent(Find<QLineEdit>(&w, "MaskEdBox1"), &focus);  // the mask arrives with the first focus
  Find<QPushButton>(&w, "Command1")->click();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].icon, Icon::kCritical);
  EXPECT_EQ(messages[0].text,
            "ATTENZIONE! Sono stati riscontrati i seguenti errori:\n\n- Numero comunicazione non immesso o non "
            "valido\n- Data comunicazione non immessa o non valida\n- Nessun Soggetto inserito");
  EXPECT_EQ(state->header.data, "__/__/____");
}

TEST_F(MainWindow, ImportedRowsAreCheckedPaintedAndReported) {
  Principale& w = Open();
  state->table.Add(testing::ValidItalianRow());
  SubjectRow bad = testing::ValidItalianRow();
  bad[kSesso] = "m";
  state->table.Add(bad);
  w.TableChanged();
  state->importoFile = true;
  QTest::keyClicks(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), "12");
  w.SetNoticeDate("30/11/2026");
  w.RequestXml();
  EXPECT_NE(w.attesa(), nullptr);
  EXPECT_TRUE(Find<QTimer>(&w, "Timer1")->isActive());
  w.CheckImportedTable();  // the tick of Timer1
  EXPECT_FALSE(Find<QTimer>(&w, "Timer1")->isActive());
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().text, "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 2");
  EXPECT_EQ(w.model().RowColour(2), kErrorRowColour);
  EXPECT_EQ(w.model().RowColour(1), kWhite);
  EXPECT_EQ(w.indiceSoggetti, 2);
  EXPECT_EQ(w.creaFiles(), nullptr);
}

TEST_F(MainWindow, EraseTableWithACountAndWithZero) {
  Principale& w = Open();
  for (int i = 0; i < 7; ++i) state->table.Add(NamedRow(std::to_string(i)));
  w.TableChanged();
  state->importoFile = true;
  int prog = 3;
  w.EraseTable(prog);
  EXPECT_EQ(prog, 4);
  EXPECT_EQ(state->table.Count(), 3);
  EXPECT_EQ(w.CurrentRow(), 3);
  EXPECT_TRUE(state->importoFile);
  prog = 3;
  w.EraseTable(prog);
  EXPECT_EQ(state->table.Count(), 3);
  prog = 0;
  w.EraseTable(prog);
  EXPECT_EQ(state->table.Count(), 0);
  EXPECT_FALSE(state->importoFile);
}

TEST_F(MainWindow, EnterOnTheClearConfirmationCancels) {
  Principale& w = Open();
  state->table.Add(NamedRow("A"));
  w.TableChanged();
  Find<QPushButton>(&w, "Command6")->click();
  AvvisoTabella* avviso = w.avvisoTabella();
  ASSERT_NE(avviso, nullptr);
  auto* annulla = Find<QPushButton>(avviso, "Command2");
  EXPECT_TRUE(annulla->isDefault());
  QTest::keyClick(avviso, Qt::Key_Return);
  EXPECT_EQ(state->table.Count(), 1);
  Settle();
  EXPECT_EQ(w.avvisoTabella(), nullptr);
}

TEST_F(MainWindow, CalendarWritesTheDateOnlyWhenTheBoxIsEnabled) {
  Principale& w = Open("");  // no configuration: the boxes stay disabled
  auto* calendar = Find<QToolButton>(&w, "Image1");
  calendar->click();
  EXPECT_EQ(w.findChild<CalendarDialog*>(), nullptr);
  w.close();
  window.reset();

  Principale& configured = Open();
  Find<QToolButton>(&configured, "Image1")->click();
  auto* picker = configured.findChild<CalendarDialog*>();
  ASSERT_NE(picker, nullptr);
  EXPECT_TRUE(picker->isModal());
  picker->Pick(QDate(2026, 12, 5));
  EXPECT_EQ(configured.NoticeDateText(), "05/12/2026");
}

}  // namespace
}  // namespace nerovale::ui
