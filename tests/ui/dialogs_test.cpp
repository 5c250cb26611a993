// The small windows as the operator meets them: the user data dialog at the first start and later, the
// palette, the import dialog, the save dialog with the summary it offers, and the folder lists.
#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>

#include "csv_fixture.h"
#include "notice_fixture.h"
#include "pdf_text.h"
#include "ui/dati_utente.h"
#include "ui/small_windows.h"
#include "ui/window_texts.h"
#include "ui/summary_print.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class Dialogs : public testing::WindowTest {
 protected:
  ~Dialogs() override { SetPrintHook({}); }
};

// At the first start "Esci" writes nothing; "OK" with the municipality typed and looked up on leaving,
// the names typed (à from the keyboard), writes five lines and brings the main window up.
TEST_F(Dialogs, TheFirstStart) {
  Principale& none = Open("");
  ASSERT_NE(none.datiUtente(), nullptr);
  EXPECT_FALSE(none.isVisible());
  EXPECT_EQ(none.datiUtente()->findChild<QLabel*>("LabelCartella"), nullptr) << "a program folder goes unsaid";
  EXPECT_EQ(Find<QPushButton>(none.datiUtente(), "Command2")->text(), "Esci");
  Click(Find<QPushButton>(none.datiUtente(), "Command2"));
  EXPECT_FALSE(std::filesystem::exists(dir / "config.ini"));

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
  EXPECT_EQ(Said(), "Inserire il Nome del Referente");
  TypeText("anna");
  Click(Find<QPushButton>(dialog, "Command1"));
  EXPECT_EQ(testing::ReadFile(dir / "config.ini"), "F205\r\nD'\xC0MICO\r\n   ANNA\r\n\r\n\r\n");
  EXPECT_TRUE(w.isVisible());
  EXPECT_NE(w.splash(), nullptr);
  EXPECT_EQ(Find<QLineEdit>(&w, "TxtSedeComune")->text(), "MILANO");

  // Started from the menu: the user's own folder, with the installed tables, is said at the first start.
  testing::TempDir home;
  const std::string old_home = qEnvironmentVariable("HOME").toStdString();
  qputenv("HOME", QByteArray::fromStdString(home.path().string()));
  session::NoticeSession in_home(home / "Nerovale", clock, dir.path());
  DatiUtente first(in_home, false, nullptr), change(in_home, true, nullptr);
  qputenv("HOME", QByteArray::fromStdString(old_home));
  auto* said = first.findChild<QLabel*>("LabelCartella");
  ASSERT_NE(said, nullptr);
  EXPECT_EQ(said->text().toStdString(), UserFolderText((home / "Nerovale").string()));
  EXPECT_EQ(change.findChild<QLabel*>("LabelCartella"), nullptr);
  EXPECT_GT(Find<QComboBox>(&first, "Combo1")->count(), 7000) << "the installed table of municipalities";
}

// Later the dialog changes the sender: the municipality is filtered and looked up whenever it is left,
// a name takes the palette's letter, "Annulla" changes nothing.
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
  EXPECT_EQ(Said(), "Inserire il Comune");
  QApplication::clipboard()->setText("roma1;");
  ChooseFromMenu(combo, "select-all");
  ChooseFromMenu(combo, "edit-paste");
  EXPECT_EQ(combo->currentText(), "ROMA");
  Click(Find<QToolButton>(dialog, "Image2"));
  auto* palette = dialog->findChild<Diacritici*>();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->findChildren<ClickableLabel*>().size(), 31);
  Click(Find<QLabel>(palette, "Label12"));
  EXPECT_EQ(Find<QLineEdit>(dialog, "Text2")->text(), "LUCIAÉ");
  Click(Find<QPushButton>(dialog, "Command2"));  // Annulla
  EXPECT_EQ(session->config().NomeReferente, "LUCIA");
  EXPECT_TRUE(w.isVisible());
}

// The import asks for a file, appends a file's rows and remembers its folder in config.ini, and
// refuses a bad file whole.
TEST_F(Dialogs, TheImportDialog) {
  Principale& w = Open();
  dir.Write("exports/bad.csv", "a;b\r\n");
  Choose(&w, "Command7");
  Click(Find<QPushButton>(w.importaFile(), "Command1"));
  EXPECT_EQ(Said(), "Selezionare un file");
  Import(w, "good.csv", testing::kGoodCsv);
  EXPECT_EQ(session->table().Count(), 2);
  EXPECT_TRUE(session->importoFile());
  EXPECT_EQ(w.CurrentRow(), 2);
  EXPECT_EQ(testing::ReadFile(dir / "config.ini"), "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n" + (dir / "exports").string() + "\r\n");
  Import(w, "bad.csv");
  EXPECT_EQ(messages.back().icon, Icon::kCritical);
  EXPECT_TRUE(Said().startsWith("Errore nel file importato alla riga 1\n")) << Said();
  EXPECT_EQ(session->table().Count(), 2);
}

// "OK" of the save dialog (its remembered folder gone) writes the notice with the wait window up and a
// busy cursor, says so, and remembers the folder. "Stampa riepilogo" then saves the summary beside the
// notice folder, which keeps its one file, and prints through the print dialog (here a PDF printer)
// the pages the file holds. A drive that cannot be opened is said.
TEST_F(Dialogs, TheSaveDialogAndTheSummary) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  TypeHeader(w, "123");
  session->config().CartellaFileXml = (dir / "missing").string();
  CreaFiles* dialog = SaveDialog(w);
  ASSERT_NE(dialog, nullptr);
  const auto printed = dir / "stampa.pdf";
  SetPrintHook([&printed](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(printed.string()));
    return true;
  });
  answer = kExtraButton;
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
  ASSERT_EQ(messages.size(), 2U) << Texts().join("|");
  EXPECT_TRUE(messages[0].text.startsWith("XML validato e salvato con successo!"));
  EXPECT_EQ(messages[0].icon, Icon::kNone);
  EXPECT_EQ(messages[0].extra_button, "Stampa riepilogo");
  EXPECT_NE(testing::ReadFile(dir / "config.ini").find((dir / "out").string()), std::string::npos);
  const auto listed = Names(dir / "out");  // the notice folder and the summary
  ASSERT_EQ(listed.size(), 2U);
  EXPECT_EQ(Names(dir / "out" / listed[0]), std::vector<std::string>{"nerovale_123_20261130.xml"});
  const auto summary = dir / "out" / "nerovale_123_20261130_riepilogo.pdf";
  EXPECT_EQ(messages[1].text.toStdString(),
            "Il riepilogo della comunicazione è stato salvato nel file\n'" + summary.string() + "'\ne inviato alla stampante.");
  for (const auto& pdf : {summary, printed}) {
    const std::string text = testing::PdfText(pdf);
    EXPECT_NE(text.find("ROSSI MARIO"), std::string::npos) << pdf << text;
    EXPECT_NE(text.find("pagina 1 di 1"), std::string::npos) << pdf << text;
  }

  FolderBrowser browser;
  const QString before = browser.currentPath();
  browser.ChooseDrive("/no/such/volume");
  EXPECT_EQ(Said(), "Drive non disponibile");
  EXPECT_EQ(browser.currentPath(), before);
}

}  // namespace
}  // namespace nerovale::ui
