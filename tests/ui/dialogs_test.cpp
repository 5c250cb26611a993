// The small windows as the operator meets them: the user data dialog at the first start and later, the
// palette, the import dialog, the save dialog and the folder lists.
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

// At the first start "Esci" writes nothing; "OK" with the municipality typed and looked up on leaving,
// the names typed (à from the keyboard), writes five lines and brings the main window up.
TEST_F(Dialogs, TheFirstStart) {
  Principale& none = Open("");
  ASSERT_NE(none.datiUtente(), nullptr);
  EXPECT_FALSE(none.isVisible());
  EXPECT_EQ(Find<QPushButton>(none.datiUtente(), "Command2")->text(), "Esci");
  Click(Find<QPushButton>(none.datiUtente(), "Command2"));
  EXPECT_FALSE(std::filesystem::exists(dir / "config.ini"));
  window.reset();

  Principale& w = Open("H501\r\n\r\n\r\n");  // a code but no contact person: first start
  DatiUtente* dialog = w.datiUtente();
  ASSERT_NE(dialog, nullptr);
  auto* combo = Find<QComboBox>(dialog, "Combo1");
  EXPECT_EQ(combo->currentText(), "ROMA");
  Activate(dialog);
  EXPECT_EQ(QApplication::focusWidget(), combo);
  Press(Qt::Key_A, Qt::ControlModifier);
  TypeText("milano");
  Tab();
  EXPECT_EQ(Find<QLineEdit>(dialog, "Text3")->text(), "F205");
  TypeText("d'àmico");
  Tab(2);  // past the palette
  TypeText("   ");  // blanks are no name
  Click(Find<QPushButton>(dialog, "Command1"));
  EXPECT_EQ(messages.back().text, "Inserire il Nome del Referente");
  TypeText("anna");
  Click(Find<QPushButton>(dialog, "Command1"));
  EXPECT_EQ(testing::ReadFile(dir / "config.ini"), "F205\r\nD'\xC0MICO\r\n   ANNA\r\n\r\n\r\n");
  EXPECT_TRUE(w.isVisible());
  EXPECT_NE(w.splash(), nullptr);
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtSedeComune")->text(), "MILANO");
}

// Later the dialog changes the sender: the municipality is filtered and looked up whenever it is left,
// a name takes the palette's letter through its filter, "Annulla" changes nothing.
TEST_F(Dialogs, ChangingTheSender) {
  Principale& w = Open();
  Choose(&w, "modConfig");
  DatiUtente* dialog = w.datiUtente();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), " Modifica Dati Configurazione Utente");
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

  auto* nome = Find<QLineEdit>(dialog, "Text2");
  Click(Find<QToolButton>(dialog, "Image2"));
  auto* palette = dialog->findChild<Diacritici*>();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->findChildren<ClickableLabel*>().size(), 31);
  Click(Find<QLabel>(palette, "Label12"));
  EXPECT_EQ(nome->text(), "LUCIAÉ");
  Click(Find<QPushButton>(dialog, "Command2"));  // Annulla
  EXPECT_EQ(session->config().NomeReferente, "LUCIA");
  EXPECT_TRUE(w.isVisible());

  Choose(&w, "modConfig");
  QApplication::clipboard()->setText("anna2 maria;#");
  ChooseFromMenu(Find<QLineEdit>(w.datiUtente(), "Text2"), "select-all");
  ChooseFromMenu(Find<QLineEdit>(w.datiUtente(), "Text2"), "edit-paste");
  Click(Find<QPushButton>(w.datiUtente(), "Command1"));
  EXPECT_EQ(testing::ReadFile(dir / "config.ini"), "H501\r\nBIANCHI\r\nANNA MARIA\r\n\r\n\r\n");
}

// The import appends a file's rows, remembers its folder in config.ini, and refuses a bad file whole.
TEST_F(Dialogs, TheImportDialog) {
  Principale& w = Open();
  const auto folder = dir / "exports";
  dir.Write("exports/good.csv", testing::kGoodCsv);
  dir.Write("exports/bad.csv", "a;b\r\n");
  session->config().CartellaImport = folder.string();
  Choose(&w, "Command7");
  auto* files = Find<QListWidget>(w.importaFile(), "File1");
  ASSERT_EQ(files->count(), 2);
  Click(Find<QPushButton>(w.importaFile(), "Command1"));
  EXPECT_EQ(messages.back().text, "Selezionare un file");
  files->setCurrentRow(1);  // good.csv
  Click(Find<QPushButton>(w.importaFile(), "Command1"));
  EXPECT_EQ(session->table().Count(), 2);
  EXPECT_TRUE(session->importoFile());
  EXPECT_EQ(w.CurrentRow(), 2);
  EXPECT_EQ(testing::ReadFile(dir / "config.ini"), "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n" + folder.string() + "\r\n");

  Choose(&w, "Command7");
  Find<QListWidget>(w.importaFile(), "File1")->setCurrentRow(0);  // bad.csv
  Click(Find<QPushButton>(w.importaFile(), "Command1"));
  EXPECT_EQ(messages.back().icon, Icon::kCritical);
  EXPECT_TRUE(messages.back().text.startsWith("Errore nel file importato alla riga 1\n"));
  EXPECT_EQ(session->table().Count(), 2);
}

// "OK" of the save dialog writes the notice with the wait window up and a busy cursor, says so, and
// remembers the folder; a remembered folder that is gone leaves the list where it opens.
TEST_F(Dialogs, TheSaveDialog) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), "123");
  w.SetNoticeDate("30/11/2026");
  session->config().CartellaFileXml = (dir / "missing").string();
  Choose(&w, "Command1");
  CreaFiles* dialog = w.creaFiles();
  ASSERT_NE(dialog, nullptr);
  std::filesystem::create_directories(dir / "out");
  ASSERT_TRUE(dialog->browser()->Open(QString::fromStdString((dir / "out").string())));
  Activate(dialog);
  bool busy = false;
  QTimer::singleShot(0, [&] {
    const auto* wait = w.findChild<QWidget*>("attesa");
    busy = wait != nullptr && wait->isVisible() && QApplication::overrideCursor() != nullptr &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
  });
  Click(Find<QPushButton>(dialog, "Command1"));
  EXPECT_TRUE(busy);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().icon, Icon::kNone);
  EXPECT_TRUE(messages.back().text.startsWith("XML validato e salvato con successo!"));
  EXPECT_NE(testing::ReadFile(dir / "config.ini").find((dir / "out").string()), std::string::npos);

  FolderBrowser browser;  // a drive that cannot be opened
  const QString before = browser.currentPath();
  browser.ChooseDrive("/no/such/volume");
  EXPECT_EQ(messages.back().text, "Drive non disponibile");
  EXPECT_EQ(browser.currentPath(), before);
}

}  // namespace
}  // namespace nerovale::ui
