#include <QAction>
#include <QCalendarWidget>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "csv_fixture.h"
#include "notice_fixture.h"
#include "ui/file_dialogs.h"
#include "ui/folder_browser.h"
#include "ui/qt_text.h"
#include "ui/small_windows.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

using testing::NamedRow;

class MainWindow : public testing::WindowTest {
 protected:
  void Add(Principale& w, std::initializer_list<const char*> names) {
    for (const char* name : names) ASSERT_TRUE(w.model().Append(NamedRow(name)));
  }
  // The number and date of a notice, typed.
  void TypeHeader(Principale& w, const QString& numero, const QString& data) {
    TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), numero);
    TypeInto(Find<QLineEdit>(&w, "MaskEdBox1"), data);
  }
  int NoticeFolders(const std::filesystem::path& where) {
    int folders = 0;
    for (const auto& entry : std::filesystem::directory_iterator(where)) folders += entry.is_directory();
    return folders;
  }
};

TEST_F(MainWindow, NumberBoxTakesNineDigitsOnlyWhateverWayTheyArrive) {
  Principale& w = Open();
  auto* numero = Find<QLineEdit>(&w, "TxtNumeroRichiesta");
  TypeInto(numero, "12a3/4.56789");
  EXPECT_EQ(numero->text(), "123456789");
  EXPECT_TRUE(messages.empty());  // letters below nine digits go silently
  TypeText("0");
  EXPECT_EQ(numero->text(), "123456789");
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].text, "Max 9 Cifre");
  EXPECT_EQ(messages[0].icon, Icon::kWarning);
  Press(Qt::Key_Backspace);
  EXPECT_EQ(numero->text(), "12345678");

  // Alt+letter, a paste by keys or by the menu: nothing but digits reaches the file name.
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

// "Elimina Soggetto" asks first; the rows below move up with their colours and go to the clipboard
// in the grid clipboard format; separators inside a cell neither shift nor lose a subject; No, or no
// subject selected, changes nothing.
TEST_F(MainWindow, DeletingARowMovesTheRowsBelowUp) {
  Principale& w = Open();
  Add(w, {"A", "B", "C", "D"});
  SubjectRow odd = NamedRow("C\vX");
  odd[kNomePadre] = "P\fQ";
  ASSERT_TRUE(w.model().Overwrite(3, odd));
  w.model().PaintRow(4, kErrorRowColour);
  w.SetCurrentCell(2, 3);
  answer = QMessageBox::Yes;
  Choose(&w, "Command5");
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].text, "Eliminare la riga numero 2 ?");
  ASSERT_EQ(session->table().Count(), 3);
  EXPECT_EQ(w.indiceSoggetti(), 3);
  EXPECT_EQ(session->table().Cell(2, kCognome), "C\vX");
  EXPECT_EQ(w.model().index(1, kNomePadre - 1).data().toString(), "P\fQ");  // as the grid shows it
  EXPECT_EQ(session->table().Cell(3, kNumero), "3");
  EXPECT_EQ(w.model().RowColour(3), kErrorRowColour);
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("[GRIDCLIP]\f")) << QApplication::clipboard()->text().toStdString();

  answer = QMessageBox::No;
  w.SetCurrentCell(1, 1);
  Choose(&w, "Command5");
  w.SetCurrentCell(0, 1);  // no subject selected: nothing is asked, the captions stay
  answer = QMessageBox::Yes;
  const auto asked = messages.size();
  Choose(&w, "Command5");
  EXPECT_EQ(messages.size(), asked);
  EXPECT_EQ(session->table().Count(), 3);
  QApplication::clipboard()->setText("[GRIDCLIP]\fX\tY\v\f");  // a grid paste of such text is refused whole
  EXPECT_FALSE(w.PasteToGrid(2, 1));
  EXPECT_EQ(session->table().Cell(2, kCognome), "C\vX");
}

// A short config.ini still names the sender: the values before the gap.
TEST_F(MainWindow, TheSenderOfAShortConfigIsShown) {
  Principale& w = Open("H501\r\nBIANCHI\r\nLUCIA\r\n\r\n");
  EXPECT_FALSE(Find<QTableView>(&w, "MSFlexGrid1")->isVisible());  // the load stopped at the gap
  Choose(&w, "CG");
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtSedeComune")->text(), "ROMA");
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtNomeReferente")->text(), "LUCIA");
}

TEST_F(MainWindow, NewNoticeKeepsNumberAndDate) {
  Principale& w = Open();
  TypeHeader(w, "77", "05122026");
  Add(w, {"A"});
  session->SetImportoFile(true);
  answer = QMessageBox::Yes;  // to the question about the subject not in a notice
  w.findChild<QAction*>("CG")->trigger();
  EXPECT_EQ(session->table().Count(), 0);
  EXPECT_FALSE(session->importoFile());
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtNumeroRichiesta")->text(), "77");
  EXPECT_EQ(w.NoticeDateText(), "05/12/2026");
}

// "Crea File XML" says what the checks found: an incomplete sender, then the header with its critical
// icon, then imported rows, painted with their reasons over them; no save dialog opens.
TEST_F(MainWindow, CreaFileXmlSaysWhatTheChecksFound) {
  Principale& unknown = Open("Z999\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");
  Choose(&unknown, "Command1");
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].text,
            "I dati del Comune e del Referente non sono completi:\n- Comune con codice \"Z999\" non presente nella "
            "tabella dei comuni\nCompletarli da \"Configurazione\" → \"Modifica Configurazione Utente\" prima di "
            "creare il file XML.");
  window.reset();
  messages.clear();

  Principale& w = Open();
  Choose(&w, "Command1");
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].icon, Icon::kCritical);
  EXPECT_TRUE(messages[0].text.endsWith("- Nessun Soggetto inserito")) << messages[0].text.toStdString();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  SubjectRow bad = testing::ValidItalianRow();
  bad[kSesso] = "m";
  ASSERT_TRUE(w.model().Append(bad));
  session->SetImportoFile(true);
  TypeHeader(w, "12", "30112026");
  Choose(&w, "Command1");
  EXPECT_NE(w.attesa(), nullptr);
  WaitForTheCheck(w);
  EXPECT_EQ(messages.back().text, "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 2");
  EXPECT_EQ(w.model().RowColour(2), kErrorRowColour);
  EXPECT_EQ(w.model().RowColour(1), kWhite);
  EXPECT_EQ(w.model().index(1, 5).data(Qt::ToolTipRole).toString(), "Sesso non specificato o diverso da M e F");
  EXPECT_EQ(w.indiceSoggetti(), 2);
  EXPECT_EQ(w.creaFiles(), nullptr);
}

// What the save dialog writes is what the checks passed, with the table as it stands.
TEST_F(MainWindow, AChangeAfterTheCheckIsCheckedAgainBeforeWriting) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  TypeHeader(w, "12", "30112026");
  Click(Find<QPushButton>(&w, "Command1"));
  CreaFiles* dialog = w.creaFiles();
  ASSERT_NE(dialog, nullptr);
  std::filesystem::create_directories(dir / "out");
  ASSERT_TRUE(dialog->browser()->Open(QString::fromStdString((dir / "out").string())));

  // With the dialog open, a file with a faulty row is imported.
  dir.Write("exports/bad.csv", "rossi,mario,x,5/3/1950,roma,,,,,10/1/2024,,milano,,12,milano,2024,7\r\n");
  session->config().CartellaImport = (dir / "exports").string();
  Choose(&w, "Command7");
  Find<QListWidget>(w.importaFile(), "File1")->setCurrentRow(0);
  Click(Find<QPushButton>(w.importaFile(), "Command1"));
  ASSERT_EQ(session->table().Count(), 2);

  Click(Find<QPushButton>(dialog, "Command1"));
  EXPECT_EQ(messages.back().text, "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 2");
  EXPECT_EQ(w.model().RowColour(2), kErrorRowColour);
  EXPECT_EQ(NoticeFolders(dir / "out"), 0);
  Settle();
  EXPECT_EQ(w.creaFiles(), nullptr);

  // A number changed after the check is the one the file carries.
  answer = QMessageBox::Yes;
  w.SetCurrentCell(2, 1);
  Choose(&w, "Command5");
  Click(Find<QPushButton>(&w, "Command1"));
  WaitForTheCheck(w);
  ASSERT_NE(w.creaFiles(), nullptr);
  ASSERT_TRUE(w.creaFiles()->browser()->Open(QString::fromStdString((dir / "out").string())));
  TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), "3");
  Click(Find<QPushButton>(w.creaFiles(), "Command1"));
  EXPECT_TRUE(messages.back().text.startsWith("XML validato e salvato con successo!")) << messages.back().text.toStdString();
  ASSERT_EQ(NoticeFolders(dir / "out"), 1);
  for (const auto& folder : std::filesystem::directory_iterator(dir / "out")) {
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
      EXPECT_TRUE(file.path().filename().string().starts_with("nerovale_123_")) << file.path();
      EXPECT_NE(testing::ReadFile(file).find("<NUMERO_RICHIESTA>123</NUMERO_RICHIESTA>"), std::string::npos);
    }
  }
}

TEST_F(MainWindow, EnterOnTheClearConfirmationCancels) {
  Principale& w = Open();
  Add(w, {"A"});
  Click(Find<QPushButton>(&w, "Command6"));
  AvvisoTabella* avviso = w.avvisoTabella();
  ASSERT_NE(avviso, nullptr);
  auto* annulla = Find<QPushButton>(avviso, "Command2");
  EXPECT_TRUE(annulla->isDefault());
  Activate(avviso);
  Press(Qt::Key_Return);
  EXPECT_EQ(session->table().Count(), 1);
  Settle();
  EXPECT_EQ(w.avvisoTabella(), nullptr);
}

TEST_F(MainWindow, CalendarSpeaksItalianAndWritesTheDateOnlyWhenTheBoxIsEnabled) {
  Principale& w = Open("");  // no configuration: the boxes stay disabled
  auto* calendar = Find<QToolButton>(&w, "Image1");
  calendar->click();
  EXPECT_EQ(w.findChild<CalendarDialog*>(), nullptr);
  w.close();
  window.reset();

  Principale& configured = Open();
  Click(Find<QToolButton>(&configured, "Image1"));
  auto* picker = configured.findChild<CalendarDialog*>();
  ASSERT_NE(picker, nullptr);
  EXPECT_TRUE(picker->isModal());
  EXPECT_EQ(picker->calendar()->locale().monthName(12), "dicembre");
  picker->calendar()->setSelectedDate(QDate(2026, 12, 5));
  picker->calendar()->setFocus();
  Activate(picker);
  Press(Qt::Key_Return);  // Enter picks the selected day
  EXPECT_EQ(configured.NoticeDateText(), "05/12/2026");
}

}  // namespace
}  // namespace nerovale::ui
