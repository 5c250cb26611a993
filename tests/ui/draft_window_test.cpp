#include <QAction>
#include <QListWidget>
#include <QPushButton>

#include <functional>

#include "core/draft.h"
#include "csv_fixture.h"
#include "notice_fixture.h"
#include "ui/draft_keeper.h"
#include "ui/file_dialogs.h"
#include "ui/folder_browser.h"
#include "ui/insert_persona.h"
#include "ui/qt_text.h"
#include "ui/small_windows.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class DraftWindow : public testing::WindowTest {
 protected:
  std::filesystem::path DraftFile() const { return dir / "bozza.nerovale"; }
  bool DraftExists() const { return std::filesystem::exists(DraftFile()); }

  // A new main window over the same folder; a draft found at start is offered when the splash goes.
  Principale& Restart() {
    window.reset();  // no close, no last save: as a crash leaves it
    messages.clear();
    Principale& w = Open();
    EXPECT_TRUE(messages.empty());  // nothing asked while the splash is up
    Click(Find<QPushButton>(w.splash(), "Command1"));  // "Entra"
    return w;
  }

  void TypeHeader(Principale& w, const QString& numero, const QString& data) {
    TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), numero);
    TypeInto(Find<QLineEdit>(&w, "MaskEdBox1"), data);
  }

  // "Crea File XML", then "OK" in the save dialog.
  void CreateNotice(Principale& w) {
    Click(Find<QPushButton>(&w, "Command1"));
    ASSERT_NE(w.creaFiles(), nullptr);
    ASSERT_TRUE(w.creaFiles()->browser()->Open(QtText(dir.path().string())));
    Click(Find<QPushButton>(w.creaFiles(), "Command1"));
  }

  void ExpectQuestion(const QString& text) {
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().text, text);
    EXPECT_EQ(messages.back().buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(messages.back().default_button, QMessageBox::No);
  }

  // The table, its colours, the number and the date, as the window shows them.
  using Shown = std::tuple<std::vector<SubjectRow>, std::vector<QColor>, QString, QString>;
  Shown WhatIsShown(Principale& w) {
    Shown shown{{}, {}, Find<QLineEdit>(&w, "TxtNumeroRichiesta")->text(), w.NoticeDateText()};
    for (int r = 1; r <= session->table().Count(); ++r) {
      std::get<0>(shown).push_back(session->table().Row(r));
      std::get<1>(shown).push_back(w.model().RowColour(r));
    }
    return shown;
  }
};

// Subjects typed in the form and imported from a file survive a crash of the program.
TEST_F(DraftWindow, ACrashLosesNothingTypedOrImported) {
  Principale& w = Open();
  TypeHeader(w, "42", "05122026");
  Click(Find<QPushButton>(&w, "Command3"));
  Activate(w.subjectForm());
  TypeValidSubject(w.subjectForm());
  Click(Find<QPushButton>(w.subjectForm(), "Command1"));
  EXPECT_EQ(draft::Read(DraftFile()).draft.rows.size(), 1U);  // on the disk as the form closes
  dir.Write("exports/two.csv", testing::kGoodCsv);
  session->config().CartellaImport = (dir / "exports").string();
  Choose(&w, "Command7");
  Find<QListWidget>(w.importaFile(), "File1")->setCurrentRow(0);
  Click(Find<QPushButton>(w.importaFile(), "Command1"));
  w.model().PaintRow(2, kErrorRowColour);
  ASSERT_EQ(session->table().Count(), 3);
  ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.draftKeeper().Pending(); }, 3 * DraftKeeper::kDelayMs));
  const Shown before = WhatIsShown(w);

  answer = QMessageBox::Yes;
  Principale& again = Restart();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].text.startsWith("È stata trovata una comunicazione non terminata con 3 soggetti (salvata il "));
  EXPECT_EQ(WhatIsShown(again), before);
  EXPECT_EQ(std::get<3>(before), "05/12/2026");
  EXPECT_TRUE(session->importoFile());  // every restored row is checked before a notice
}

TEST_F(DraftWindow, AtStartADraftIsRestoredPutAsideOrReportedAsDamaged) {
  SubjectTable table;
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  EXPECT_TRUE(table.Add(testing::ValidForeignRow()));
  const std::string text =
      draft::Format({*dates::MakeDate(4, 12, 2026), 8, 7, 0}, {"7", "_1/1_/2026"}, table, {{draft::kWhite, 0xFFC0C0}});
  const QString question =
      "È stata trovata una comunicazione non terminata con 2 soggetti (salvata il 04/12/2026 alle 08:07). Ripristinarla?";
  const struct {
    std::string content;
    QMessageBox::StandardButton answer;
    QString message;
    std::string aside;  // the start of the name it is moved to
  } cases[] = {
      {text, QMessageBox::Yes, question, ""},
      {text, QMessageBox::No, question, "bozza_non_ripristinata_"},
      {text.substr(0, text.size() - 3), QMessageBox::Ok,
       "La comunicazione non terminata salvata nel file bozza.nerovale non può essere ripristinata: il file è "
       "incompleto: manca la riga finale.\nIl file è stato spostato in bozza_danneggiata_",
       "bozza_danneggiata_"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.aside);
    dir.Write("bozza.nerovale", c.content);
    answer = c.answer;
    Principale& w = Restart();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_TRUE(messages[0].text.startsWith(c.message)) << messages[0].text.toStdString();
    if (c.aside.empty()) {  // a date typed in part comes back with each digit in its place
      EXPECT_EQ(WhatIsShown(w), Shown({table.Row(1), table.Row(2)}, {kWhite, kErrorRowColour}, "7", "_1/1_/2026"));
      continue;
    }
    EXPECT_EQ(session->table().Count(), 0);
    EXPECT_FALSE(DraftExists());
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      if (!entry.path().filename().string().starts_with("bozza_")) continue;
      EXPECT_TRUE(entry.path().filename().string().starts_with(c.aside)) << entry.path();
      EXPECT_EQ(testing::ReadFile(entry.path()), c.content);  // moved, never changed
      std::filesystem::remove(entry.path());
    }
  }
}

// "Esci", the close box and "Nuova Comunicazione" ask before subjects that are in no validated
// notice go, No being the default; the draft goes only with a "Sì".
TEST_F(DraftWindow, ThreeWaysOfDroppingSubjectsAskFirst) {
  const QString exit = "I 2 soggetti inseriti non sono stati salvati in un file XML. Uscire comunque?";
  const struct {
    std::function<void(Principale&)> act;
    QString question;
  } ways[] = {
      // A plain click: Click would wait for the focus of a button whose window has closed.
      {[this](Principale& w) { QTest::mouseClick(Find<QPushButton>(&w, "Command2"), Qt::LeftButton); }, exit},
      {[](Principale& w) { w.close(); }, exit},
      {[](Principale& w) { w.findChild<QAction*>("CG")->trigger(); },
       "I 2 soggetti inseriti non sono stati salvati in un file XML. Iniziare una nuova comunicazione?"},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.question.toStdString());
    Principale& empty = Open();
    way.act(empty);  // nothing to lose: nothing asked
    EXPECT_TRUE(messages.empty());
    window.reset();

    Principale& w = Open();
    ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
    ASSERT_TRUE(w.model().Append(testing::ValidForeignRow()));
    w.draftKeeper().SaveNow();
    answer = QMessageBox::No;
    way.act(w);
    ExpectQuestion(way.question);
    EXPECT_EQ(session->table().Count(), 2);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(DraftExists());

    answer = QMessageBox::Yes;
    way.act(w);
    EXPECT_FALSE(DraftExists());
    EXPECT_NE(w.isVisible(), way.question == exit);
    w.draftKeeper().SaveNow();  // the empty notice brings no draft back
    EXPECT_FALSE(DraftExists());
    window.reset();
    messages.clear();
  }

  // "Elimina tutti i Soggetti" has its own question; its "Si" takes the draft too.
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  w.draftKeeper().SaveNow();
  Click(Find<QPushButton>(&w, "Command6"));
  Click(Find<QPushButton>(w.avvisoTabella(), "Command1"));
  EXPECT_FALSE(DraftExists());
}

TEST_F(DraftWindow, AValidatedNoticeTakesTheDraftAndAFailedOneKeepsIt) {
  Principale& w = Open();
  SubjectRow refused = testing::ValidItalianRow();
  refused[kSesso] = "X";  // passes no schema
  ASSERT_TRUE(w.model().Append(refused));
  TypeHeader(w, "12", "30112026");
  w.draftKeeper().SaveNow();
  CreateNotice(w);
  EXPECT_TRUE(messages.back().text.startsWith("ATTENZIONE! LA VALIDAZIONE DEL FILE NON E' ANDATA A BUON FINE!"));
  EXPECT_TRUE(DraftExists());

  ASSERT_TRUE(w.model().Overwrite(1, testing::ValidItalianRow()));
  CreateNotice(w);
  EXPECT_TRUE(messages.back().text.startsWith("XML validato e salvato con successo!"));
  EXPECT_FALSE(DraftExists());
  TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), "3");
  ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.draftKeeper().Pending(); }, 3 * DraftKeeper::kDelayMs));
  EXPECT_FALSE(DraftExists());  // nothing brings it back while the table is what the notice holds

  // A change after the notice is unsaved again: the draft returns, and "Esci" asks.
  ASSERT_TRUE(w.model().Append(testing::ValidForeignRow()));
  w.draftKeeper().SaveNow();
  EXPECT_TRUE(DraftExists());
  answer = QMessageBox::No;
  w.close();
  ExpectQuestion("I 2 soggetti inseriti non sono stati salvati in un file XML. Uscire comunque?");
  ASSERT_TRUE(w.model().Remove(2));
  CreateNotice(w);
  const auto asked = messages.size();
  w.close();  // all in a validated notice: nothing to ask
  EXPECT_EQ(messages.size(), asked);
  EXPECT_FALSE(w.isVisible());
}

// A draft that cannot be written is told once, not at every change, and tried again.
TEST_F(DraftWindow, AFailedSaveIsToldOnce) {
  Principale& w = Open();
  std::filesystem::create_directories(DraftFile() / "busy");  // nothing can be renamed over a full folder
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
    w.draftKeeper().SaveNow();
  }
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].text.startsWith("La comunicazione in corso non può essere salvata nel file bozza.nerovale"));
  std::filesystem::remove_all(DraftFile());
  w.draftKeeper().SaveNow();
  EXPECT_EQ(draft::Read(DraftFile()).draft.rows.size(), 2U);
}

// A damaged draft that cannot be moved aside (here its dated name would pass the longest path the
// system takes) is said once and never overwritten: the changes wait until it has gone.
TEST_F(DraftWindow, ADamagedDraftThatCannotBeMovedIsNeverOverwritten) {
  std::filesystem::path deep = dir.path();
  while (deep.string().size() < 4058) deep /= std::string(std::min<std::size_t>(200, 4058 - deep.string().size() - 1), 'd');
  ASSERT_EQ(deep.string().size(), 4058U);
  std::filesystem::create_directories(deep);
  std::filesystem::copy(dir / "ref", deep / "ref");
  const std::string damaged = "Nerovale bozza\t1\n";
  const auto in_deep = [&](const char* name) { return (deep.lexically_relative(dir.path()) / name).string(); };
  dir.Write(in_deep("bozza.nerovale"), damaged);
  dir.Write(in_deep("config.ini"), "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");

  session::NoticeSession deep_session(deep, clock);
  Principale w(deep_session);
  w.show();
  w.Start();
  Click(Find<QPushButton>(w.splash(), "Command1"));
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].text.contains("Il file resta com'è e non viene sostituito")) << messages[0].text.toStdString();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  w.draftKeeper().SaveNow();
  w.draftKeeper().SaveNow();
  EXPECT_EQ(testing::ReadFile(deep / "bozza.nerovale"), damaged);
  EXPECT_EQ(messages.size(), 1U);

  std::filesystem::remove(deep / "bozza.nerovale");  // taken away by hand: saving goes on
  ASSERT_TRUE(w.model().Append(testing::ValidForeignRow()));
  w.draftKeeper().SaveNow();
  EXPECT_EQ(draft::Read(deep / "bozza.nerovale").draft.rows.size(), 2U);
  w.StopBySignal();
}

// A stop signal (the session ends) closes the window without a question and keeps the draft.
TEST_F(DraftWindow, AStopSignalKeepsTheDraftAndAsksNothing) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  TypeHeader(w, "42", "05122026");
  w.StopBySignal();
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(draft::Read(DraftFile()).draft.rows.size(), 1U);
  EXPECT_EQ(draft::Read(DraftFile()).draft.header.numero, "42");
}

}  // namespace
}  // namespace nerovale::ui
