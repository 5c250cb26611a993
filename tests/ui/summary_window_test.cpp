// The summary offered after a validated notice, and the manual behind "Guida".
#include <QAction>
#include <QPrinter>
#include <QPushButton>

#include "notice_fixture.h"
#include "pdf_text.h"
#include "ui/file_dialogs.h"
#include "ui/folder_browser.h"
#include "ui/summary_print.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class SummaryWindow : public testing::WindowTest {
 protected:
  ~SummaryWindow() override { SetPrintHook({}); }
};

// "Stampa riepilogo" saves the summary beside the notice folder, which keeps its one file, and prints
// the same pages through the print dialog (here a PDF printer) as the file holds.
TEST_F(SummaryWindow, StampaRiepilogoSavesBesideTheNoticeFolderAndPrints) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), "123");
  w.SetNoticeDate("30/11/2026");
  Choose(&w, "Command1");
  CreaFiles* dialog = w.creaFiles();
  ASSERT_NE(dialog, nullptr);
  std::filesystem::create_directories(dir / "out");
  ASSERT_TRUE(dialog->browser()->Open(QString::fromStdString((dir / "out").string())));
  const auto printed = dir / "stampa.pdf";
  SetPrintHook([&printed](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(printed.string()));
    return true;
  });
  answer = kExtraButton;
  Find<QPushButton>(dialog, "Command1")->click();

  ASSERT_EQ(messages.size(), 2U) << Texts().join("|").toStdString();
  EXPECT_TRUE(messages[0].text.startsWith("XML validato e salvato con successo!"));
  EXPECT_EQ(messages[0].extra_button, "Stampa riepilogo");
  const auto summary = dir / "out" / "nerovale_123_20261130_riepilogo.pdf";
  EXPECT_EQ(messages[1].text.toStdString(),
            "Il riepilogo della comunicazione è stato salvato nel file\n'" + summary.string() + "'\ne inviato alla stampante.");
  std::vector<std::filesystem::path> in_out, in_folder;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "out")) in_out.push_back(entry.path());
  ASSERT_EQ(in_out.size(), 2U);  // the notice folder and the summary
  const auto folder = std::filesystem::is_directory(in_out[0]) ? in_out[0] : in_out[1];
  for (const auto& entry : std::filesystem::directory_iterator(folder)) in_folder.push_back(entry.path().filename());
  EXPECT_EQ(in_folder, std::vector<std::filesystem::path>{"nerovale_123_20261130.xml"});

  for (const auto& pdf : {summary, printed}) {
    const std::string text = testing::PdfText(pdf);
    EXPECT_NE(text.find("ROSSI MARIO"), std::string::npos) << pdf << text;
    EXPECT_NE(text.find("pagina 1 di 1"), std::string::npos) << pdf << text;
  }
}

// Without the manual, or without a program that opens it (the offscreen desktop has none), "Guida"
// says where the file is.
TEST_F(SummaryWindow, GuidaSaysWhereTheManualIsWhenItCannotBeOpened) {
  Principale& w = Open();
  QAction* guida = w.findChild<QAction*>("guida");
  ASSERT_NE(guida, nullptr);
  const auto manual = dir / "docs" / "Nerovale-Manuale_Utente.pdf";
  guida->trigger();
  dir.Write("docs/Nerovale-Manuale_Utente.pdf", "%PDF-1.4\n");
  guida->trigger();
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_TRUE(messages[0].text.startsWith("Il manuale non è stato trovato")) << messages[0].text.toStdString();
  EXPECT_TRUE(messages[1].text.startsWith("Non è stato possibile aprire il manuale")) << messages[1].text.toStdString();
  for (const auto& m : messages) EXPECT_TRUE(m.text.endsWith(QString::fromStdString(manual.string())));
}

}  // namespace
}  // namespace nerovale::ui
