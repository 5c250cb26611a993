// The draft of the notice in progress as the window keeps it: through a crash, at the next start, when
// subjects are dropped or sent, when it cannot be written or moved aside, and at a stop signal.
#include <QAction>
#include <QPushButton>

#include <functional>

#include "core/draft.h"
#include "csv_fixture.h"
#include "notice_fixture.h"
#include "ui/draft_keeper.h"
#include "ui/small_windows.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class DraftWindow : public testing::WindowTest {
 protected:
  std::filesystem::path DraftFile() const { return dir / "bozza.nerovale"; }
  bool DraftExists() const { return std::filesystem::exists(DraftFile()); }
  std::size_t DraftRows() const { return draft::Read(DraftFile()).draft.rows.size(); }

  // A new main window over the same folder, as after a crash (no close, no last save); a draft found
  // at start is offered once the splash goes.
  Principale& Restart() {
    messages.clear();
    Principale& w = Open();
    EXPECT_TRUE(messages.empty());
    Click(Find<QPushButton>(w.splash(), "Command1"));  // "Entra"
    return w;
  }
  // The table with its colours, the number and the date, as the window shows them.
  std::tuple<std::vector<SubjectRow>, std::vector<QColor>, QString, QString> Shown(Principale& w) {
    std::vector<SubjectRow> rows;
    std::vector<QColor> colours;
    for (int r = 1; r <= session->table().Count(); ++r) {
      rows.push_back(session->table().Row(r));
      colours.push_back(w.model().RowColour(r));
    }
    return {rows, colours, Find<QLineEdit>(&w, "TxtNumeroRichiesta")->text(), w.NoticeDateText()};
  }
};

// Subjects typed in the form and imported from a file are on the disk within a second, as they are
// shown; a stop signal (the session ends) closes the window without a question and keeps them; the
// next start offers them back as they were shown.
TEST_F(DraftWindow, NothingTypedOrImportedIsLostAtAStopOrACrash) {
  Principale& w = Open();
  TypeHeader(w, "42", "05122026");
  TypeValidSubject(NewForm(w));
  Click(Find<QPushButton>(w.subjectForm(), "Command1"));
  EXPECT_EQ(DraftRows(), 1U);  // on the disk as the form closes
  Import(w, "two.csv", testing::kGoodCsv);
  w.model().PaintRow(2, kErrorRowColour);
  ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.draftKeeper().Pending(); }, 3 * DraftKeeper::kDelayMs));
  EXPECT_EQ(QColor::fromRgb(draft::Read(DraftFile()).draft.colours.at(1)), kErrorRowColour);
  const auto before = Shown(w);
  messages.clear();  // the import's report
  w.StopBySignal();
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(DraftRows(), 3U);

  answer = QMessageBox::Yes;
  Principale& again = Restart();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].text.startsWith("È stata trovata una comunicazione non terminata con 3 soggetti (salvata il "));
  EXPECT_EQ(Shown(again), before);
  EXPECT_EQ(std::get<3>(before), "05/12/2026");
  EXPECT_TRUE(session->importoFile());  // every restored row is checked before a notice
}

// Typing in the open entry form reaches the draft within a second; after a crash the form opens
// again over the restored table, for its row, with what was typed and still unsaved; closed with
// "Sì", it leaves the draft.
TEST_F(DraftWindow, TheTypingOfAnEditComesBackForItsRowAfterACrash) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  ASSERT_TRUE(w.model().Append(testing::ValidForeignRow()));  // born in Paris, the year alone known
  w.SetCurrentCell(2, 1);
  Click(Find<QPushButton>(&w, "Command4"));  // "Modifica Soggetto"
  Activate(w.subjectForm());
  TypeInto(Find<QLineEdit>(w.subjectForm(), "PaternitaBox"), "luigi");
  TypeInto(Find<QLineEdit>(w.subjectForm(), "AttoMorteBox"), "3");
  const validation::SubjectForm edited = w.subjectForm()->Entry();
  ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.draftKeeper().Pending(); }, 3 * DraftKeeper::kDelayMs));

  answer = QMessageBox::Yes;
  Principale& again = Restart();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].text.contains("con 2 soggetti e i dati di un soggetto in corso di inserimento ("));
  InsertPersona* form = again.subjectForm();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), " Inserimento Soggetto 2");
  EXPECT_EQ(form->Entry(), edited);
  EXPECT_TRUE(form->HasUnsavedTyping());
  Click(Find<QPushButton>(form, "Command3"));  // "Annulla", and "Sì"
  EXPECT_FALSE(draft::Read(DraftFile()).draft.form.has_value());
  EXPECT_EQ(DraftRows(), 2U);
}

// A new subject typed in part (the birth date without its month) is kept at a stop signal, with no
// subject in the table, and comes back as a new subject; so does the typing of a row that the draft
// no longer has. Left behind with "Sì" over an empty table, the form takes the draft with it.
TEST_F(DraftWindow, TheTypingOfANewSubjectComesBackAfterAStop) {
  Principale& w = Open();
  Click(Find<QLineEdit>(NewForm(w), "CognomeBox"));
  for (auto [typed, tabs] : {std::pair{"verdi", 4}, {" ", 1}, {"5", 2}, {"1950", 0}}) {  // surname, sex, day, year
    TypeText(typed);
    Tab(tabs);
  }
  const validation::SubjectForm typed = w.subjectForm()->Entry();
  EXPECT_EQ(typed.cognome + typed.sesso + typed.giorno + "|" + typed.mese + "|" + typed.anno, "VERDIM5||1950");
  w.StopBySignal();
  ASSERT_TRUE(draft::Read(DraftFile()).draft.form.has_value());

  answer = QMessageBox::Yes;
  Principale& again = Restart();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].text.startsWith(
      "È stata trovata una comunicazione non terminata con i dati di un soggetto in corso di inserimento (salvata il "));
  ASSERT_NE(again.subjectForm(), nullptr);
  EXPECT_EQ(again.subjectForm()->windowTitle(), " Inserimento Soggetto 1");
  EXPECT_EQ(again.subjectForm()->Entry(), typed);
  Click(Find<QPushButton>(again.subjectForm(), "Command3"));
  EXPECT_FALSE(DraftExists());

  SubjectTable one;
  ASSERT_TRUE(one.Add(testing::ValidItalianRow()));
  dir.Write("bozza.nerovale", draft::Format(clock.Now(), {"1", ""}, one, {}, draft::OpenForm{5, typed.Cells()}));
  // What writes killed half way left beside the draft and config.ini goes at the start.
  const auto cut_draft = dir.Write(files::TemporaryNameFor(dir / "bozza.nerovale").filename().string(), "Nerovale");
  const auto cut_config = dir.Write(files::TemporaryNameFor(dir / "config.ini").filename().string(), "H5");
  Principale& gone = Restart();
  EXPECT_FALSE(std::filesystem::exists(cut_draft) || std::filesystem::exists(cut_config));
  ASSERT_NE(gone.subjectForm(), nullptr);
  EXPECT_EQ(gone.subjectForm()->windowTitle(), " Inserimento Soggetto 2");
  EXPECT_EQ(gone.subjectForm()->Entry(), typed);
}

// At start a draft is restored (a date typed in part comes back digit by digit), put aside with "No",
// or put aside as damaged; a draft put aside is moved, never changed.
TEST_F(DraftWindow, AtStartADraftIsRestoredPutAsideOrReportedAsDamaged) {
  SubjectTable table;
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  EXPECT_TRUE(table.Add(testing::ValidForeignRow()));
  const std::string text =
      draft::Format({*dates::MakeDate(4, 12, 2026), 8, 7, 0}, {"7", "_1/1_/2026"}, table, {{draft::kWhite, 0xFFC0C0}});
  const QString question =
      "È stata trovata una comunicazione non terminata con 2 soggetti (salvata il 04/12/2026 alle 08:07). Ripristinarla?";
  const std::tuple<std::string, QMessageBox::StandardButton, QString, std::string> cases[] = {
      {text, QMessageBox::Yes, question, ""},
      {text, QMessageBox::No, question, "bozza_non_ripristinata_"},
      {text.substr(0, text.size() - 3), QMessageBox::Ok,
       "La comunicazione non terminata salvata nel file bozza.nerovale non può essere ripristinata: il file è "
       "incompleto: manca la riga finale.\nIl file è stato spostato in bozza_danneggiata_",
       "bozza_danneggiata_"},
  };
  for (const auto& [content, reply, message, aside] : cases) {
    dir.Write("bozza.nerovale", content);
    answer = reply;
    Principale& w = Restart();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_TRUE(messages[0].text.startsWith(message)) << messages[0].text.toStdString();
    if (aside.empty()) {
      EXPECT_EQ(Shown(w), std::make_tuple(std::vector{table.Row(1), table.Row(2)},
                                          std::vector{kWhite, kErrorRowColour}, QString("7"), QString("_1/1_/2026")));
      continue;
    }
    EXPECT_EQ(session->table().Count(), 0);
    EXPECT_FALSE(DraftExists());
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      if (!entry.path().filename().string().starts_with("bozza_")) continue;
      EXPECT_TRUE(entry.path().filename().string().starts_with(aside)) << entry.path();
      EXPECT_EQ(testing::ReadFile(entry.path()), content);
      std::filesystem::remove(entry.path());
    }
  }
}

// "Esci", the close box and "Nuova Comunicazione" ask before subjects that are in no validated notice
// go, No being the default; the draft goes only with a "Sì", as with "Elimina tutti i Soggetti",
// whose question Enter answers with "Annulla".
TEST_F(DraftWindow, DroppingSubjectsAsksFirst) {
  const QString exit = "I 2 soggetti inseriti non sono stati salvati in un file XML. Uscire comunque?";
  const std::pair<std::function<void(Principale&)>, QString> ways[] = {
      // A plain click: Click would wait for the focus of a button whose window has closed.
      {[this](Principale& w) { QTest::mouseClick(Find<QPushButton>(&w, "Command2"), Qt::LeftButton); }, exit},
      {[](Principale& w) { w.close(); }, exit},
      {[](Principale& w) { w.findChild<QAction*>("CG")->trigger(); },
       "I 2 soggetti inseriti non sono stati salvati in un file XML. Iniziare una nuova comunicazione?"},
  };
  for (const auto& [act, question] : ways) {
    act(Open());  // nothing to lose: nothing asked
    EXPECT_TRUE(messages.empty());
    Principale& w = Open();
    ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
    ASSERT_TRUE(w.model().Append(testing::ValidForeignRow()));
    w.draftKeeper().SaveNow();
    answer = QMessageBox::No;
    act(w);
    EXPECT_EQ(Said(), question);
    EXPECT_EQ(messages.back().default_button, QMessageBox::No);
    EXPECT_TRUE(w.isVisible() && DraftExists() && session->table().Count() == 2);
    answer = QMessageBox::Yes;
    act(w);
    EXPECT_FALSE(DraftExists());
    EXPECT_NE(w.isVisible(), question == exit);
    w.draftKeeper().SaveNow();  // the empty notice brings no draft back
    EXPECT_FALSE(DraftExists());
    messages.clear();
  }
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  w.draftKeeper().SaveNow();
  Click(Find<QPushButton>(&w, "Command6"));
  ASSERT_NE(w.avvisoTabella(), nullptr);
  EXPECT_TRUE(Find<QPushButton>(w.avvisoTabella(), "Command2")->isDefault());
  Activate(w.avvisoTabella());
  Press(Qt::Key_Return);  // Enter keeps them
  EXPECT_TRUE(DraftExists() && session->table().Count() == 1);
  Settle();
  EXPECT_EQ(w.avvisoTabella(), nullptr);
  Click(Find<QPushButton>(&w, "Command6"));
  Click(Find<QPushButton>(w.avvisoTabella(), "Command1"));
  EXPECT_FALSE(DraftExists());
  EXPECT_EQ(session->table().Count(), 0);
}

// A validated notice takes the draft, a refused one keeps it; a change after the notice brings it back.
TEST_F(DraftWindow, AValidatedNoticeTakesTheDraftAndAFailedOneKeepsIt) {
  Principale& w = Open();
  SubjectRow refused = testing::ValidItalianRow();
  refused[kSesso] = "X";  // passes no schema
  ASSERT_TRUE(w.model().Append(refused));
  TypeHeader(w, "12");
  w.draftKeeper().SaveNow();
  CreateNotice(w);
  EXPECT_TRUE(Said().startsWith("ATTENZIONE! LA VALIDAZIONE DEL FILE NON E' ANDATA A BUON FINE!")) << Said();
  EXPECT_TRUE(DraftExists());
  ASSERT_TRUE(w.model().Overwrite(1, testing::ValidItalianRow()));
  CreateNotice(w);
  EXPECT_TRUE(Said().startsWith("XML validato e salvato con successo!")) << Said();
  EXPECT_FALSE(DraftExists());
  TypeInto(Find<QLineEdit>(&w, "TxtNumeroRichiesta"), "3");
  ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.draftKeeper().Pending(); }, 3 * DraftKeeper::kDelayMs));
  EXPECT_FALSE(DraftExists());  // nothing brings it back while the table is what the notice holds
  ASSERT_TRUE(w.model().Append(testing::ValidForeignRow()));
  w.draftKeeper().SaveNow();
  EXPECT_TRUE(DraftExists());
  ASSERT_TRUE(w.model().Remove(2));
  answer = QMessageBox::Yes;  // ROSSI went with notice 12 already: sent again all the same
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
  EXPECT_EQ(DraftRows(), 2U);
}

// A damaged draft that cannot be moved aside (its dated name would pass the longest path the system
// takes) is said once and never overwritten; the changes wait until it has gone.
TEST_F(DraftWindow, ADamagedDraftThatCannotBeMovedIsNeverOverwritten) {
  std::filesystem::path deep = dir.path();
  while (deep.string().size() < 4058) deep /= std::string(std::min<std::size_t>(200, 4058 - deep.string().size() - 1), 'd');
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

}  // namespace
}  // namespace nerovale::ui
