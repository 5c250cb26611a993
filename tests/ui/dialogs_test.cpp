#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "csv_fixture.h"
#include "notice_fixture.h"
#include "ui/dati_utente.h"
#include "ui/file_dialogs.h"
#include "ui/folder_browser.h"
#include "ui/small_windows.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class Dialogs : public testing::WindowTest {};

TEST_F(Dialogs, FirstStartEsciWritesNothing) {
  Principale& w = Open("");
  DatiUtente* dialog = w.datiUtente();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(dialog->windowTitle(), " Inserimento Dati Configurazione Utente");
  auto* esci = Find<QPushButton>(dialog, "Command2");
  EXPECT_EQ(esci->text(), "Esci");
  esci->click();
  EXPECT_FALSE(std::filesystem::exists(dir / "config.ini"));
}

TEST_F(Dialogs, FirstStartOkWritesFiveLinesAndShowsTheMainWindow) {
  Principale& w = Open("H501\r\n\r\n\r\n");  // a code but no contact person: first start
  DatiUtente* dialog = w.datiUtente();
  ASSERT_NE(dialog, nullptr);
  auto* combo = Find<QComboBox>(dialog, "Combo1");
  EXPECT_EQ(combo->currentText(), "ROMA");
  EXPECT_EQ(Find<QLineEdit>(dialog, "Text3")->text(), "");  // the code follows the name on a choice or on leaving
  Activate(dialog);
  EXPECT_EQ(QApplication::focusWidget(), combo);  // the first of the tab order
  Press(Qt::Key_A, Qt::ControlModifier);
  TypeText("milano");
  Tab();
  EXPECT_EQ(Find<QLineEdit>(dialog, "Text3")->text(), "F205");
  TypeText("d'àmico");
  Tab();
  TypeText("anna");
  Click(Find<QPushButton>(dialog, "Command1"));
  EXPECT_EQ(testing::ReadFile(dir / "config.ini"), "F205\r\nD'\xC0MICO\r\nANNA\r\n\r\n\r\n");
  EXPECT_TRUE(w.isVisible());
  EXPECT_NE(w.splash(), nullptr);
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtSedeComune")->text(), "MILANO");
}

TEST_F(Dialogs, ChangeModeAndTheLimitOfTheNames) {
  Principale& w = Open();
  Choose(&w, "modConfig");
  DatiUtente* dialog = w.datiUtente();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), " Modifica Dati Configurazione Utente");
  EXPECT_EQ(Find<QLabel>(dialog, "Label2")->text(), " Modifica dei parametri di configurazione iniziale : \n");
  auto* cognome = Find<QLineEdit>(dialog, "Text1");
  EXPECT_EQ(cognome->text(), "BIANCHI");
  TypeInto(cognome, QString(65, 'a'));
  EXPECT_EQ(cognome->text().size(), 72);
  TypeText("b");
  EXPECT_EQ(messages.back().text, "Massimo 72 Caratteri");
  EXPECT_EQ(cognome->text().size(), 72);
  Click(Find<QPushButton>(dialog, "Command2"));  // Annulla: nothing changes, the program goes on
  EXPECT_EQ(session->config().CognomeReferente, "BIANCHI");
  EXPECT_TRUE(w.isVisible());
}

TEST_F(Dialogs, PaletteTypesIntoTheTargetThroughItsFilter) {
  Principale& w = Open();
  Choose(&w, "modConfig");
  auto* nome = Find<QLineEdit>(w.datiUtente(), "Text2");
  Find<QToolButton>(w.datiUtente(), "Image2")->click();
  auto* palette = w.findChild<Diacritici*>();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->CurrentBox, 20);
  EXPECT_EQ(palette->findChildren<ClickableLabel*>().size(), 31);
  EXPECT_EQ(Find<QLabel>(palette, "Label26")->text(), "ß");
  Click(Find<QLabel>(palette, "Label12"));
  EXPECT_EQ(nome->text(), "LUCIAÉ");
  Settle();
  EXPECT_EQ(w.findChild<Diacritici*>(), nullptr);
}

TEST_F(Dialogs, ImportAppendsRowsRemembersTheFolderAndRefusesBadFiles) {
  Principale& w = Open();
  const auto folder = dir / "exports";
  dir.Write("exports/good.csv", testing::kGoodCsv);
  dir.Write("exports/bad.csv", "a;b\r\n");
  session->config().CartellaImport = folder.string();
  Choose(&w, "Command7");
  ImportaFile* dialog = w.importaFile();
  ASSERT_NE(dialog, nullptr);
  auto* files = Find<QListWidget>(dialog, "File1");
  ASSERT_EQ(files->count(), 2);
  Find<QPushButton>(dialog, "Command1")->click();
  EXPECT_EQ(messages.back().text, "Selezionare un file");

  files->setCurrentRow(1);  // good.csv
  Find<QPushButton>(dialog, "Command1")->click();
  EXPECT_EQ(session->table().Count(), 2);
  EXPECT_TRUE(session->importoFile());
  EXPECT_EQ(w.CurrentRow(), 2);
  EXPECT_EQ(testing::ReadFile(dir / "config.ini"), "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n" + folder.string() + "\r\n");

  Choose(&w, "Command7");
  files = Find<QListWidget>(w.importaFile(), "File1");
  files->setCurrentRow(0);  // bad.csv
  Find<QPushButton>(w.importaFile(), "Command1")->click();
  EXPECT_EQ(messages.back().icon, Icon::kCritical);
  EXPECT_TRUE(messages.back().text.startsWith("Errore nel file importato alla riga 1\n"));
  EXPECT_EQ(session->table().Count(), 2);

  // A control character in a value would shift the cells: the line is refused.
  dir.Write("exports/bad.csv", std::string(testing::kGoodCsv) + "rossi\tx,mario,m,5/3/1950,roma,,,,,10/1/2024,,roma,,12,roma,2024,7\r\n");
  Choose(&w, "Command7");
  Find<QListWidget>(w.importaFile(), "File1")->setCurrentRow(0);
  Find<QPushButton>(w.importaFile(), "Command1")->click();
  EXPECT_TRUE(messages.back().text.startsWith("Errore nel file importato alla riga 3\n"));
  EXPECT_EQ(session->table().Count(), 2);
}

// The municipality of the sender is looked up whenever Combo1 is left, whatever way text came in.
TEST_F(Dialogs, TheMunicipalityOfTheSenderIsFilteredAndLookedUpOnLeaving) {
  Principale& w = Open();
  Choose(&w, "modConfig");
  DatiUtente* dialog = w.datiUtente();
  auto* combo = Find<QComboBox>(dialog, "Combo1");
  auto* code = Find<QLineEdit>(dialog, "Text3");
  EXPECT_EQ(code->text(), "H501");
  Click(combo);
  Press(Qt::Key_End);
  TypeText("1;x");
  EXPECT_EQ(combo->currentText(), "ROMAX");
  Click(Find<QPushButton>(dialog, "Command1"));
  EXPECT_EQ(code->text(), "");
  EXPECT_EQ(messages.back().text, "Inserire il Comune");

  QApplication::clipboard()->setText("roma1;");
  ChooseFromMenu(combo, "select-all");
  ChooseFromMenu(combo, "edit-paste");
  EXPECT_EQ(combo->currentText(), "ROMA");
  QApplication::clipboard()->setText("anna2 maria;#");
  ChooseFromMenu(Find<QLineEdit>(dialog, "Text2"), "select-all");
  ChooseFromMenu(Find<QLineEdit>(dialog, "Text2"), "edit-paste");
  Click(Find<QPushButton>(dialog, "Command1"));
  EXPECT_EQ(testing::ReadFile(dir / "config.ini"), "H501\r\nBIANCHI\r\nANNA MARIA\r\n\r\n\r\n");
}

TEST_F(Dialogs, CreaFilesWritesTheNoticeAndRemembersTheFolder) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), "123");
  w.SetNoticeDate("30/11/2026");
  session->config().CartellaFileXml = (dir / "missing").string();  // gone: the list stays where it opens
  Choose(&w, "Command1");
  CreaFiles* dialog = w.creaFiles();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), " Salva file XML");
  std::filesystem::create_directories(dir / "out");
  ASSERT_TRUE(dialog->browser()->Open(QString::fromStdString((dir / "out").string())));
  // While the notice is written and read back, the event loop runs with the wait window shown and
  // a busy cursor; both are gone when the outcome is told.
  bool busy = false;
  QTimer::singleShot(0, [&] {
    const auto* wait = w.findChild<QWidget*>("attesa");
    busy = wait != nullptr && wait->isVisible() && QApplication::overrideCursor() != nullptr &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
  });
  Find<QPushButton>(dialog, "Command1")->click();
  EXPECT_TRUE(busy);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  Settle();
  EXPECT_EQ(w.findChild<QWidget*>("attesa"), nullptr);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().icon, Icon::kNone) << messages.back().text.toStdString();
  EXPECT_TRUE(messages.back().text.startsWith("XML validato e salvato con successo!"));
  EXPECT_EQ(session->config().CartellaFileXml, (dir / "out").string());
  EXPECT_NE(testing::ReadFile(dir / "config.ini").find((dir / "out").string()), std::string::npos);
  int folders = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "out")) folders += entry.is_directory();
  EXPECT_EQ(folders, 1);
}

TEST_F(Dialogs, UnavailableDriveIsReported) {
  FolderBrowser browser;
  const QString before = browser.currentPath();
  browser.ChooseDrive("/no/such/volume");
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().text, "Drive non disponibile");
  EXPECT_EQ(browser.currentPath(), before);
}

}  // namespace
}  // namespace nerovale::ui
