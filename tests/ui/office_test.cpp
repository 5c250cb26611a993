// One office, many notices: one window per working folder, and the register of notices as the window
// records and consults it.
#include <QMenu>
#include <QTableView>
#include <QTableWidget>

#include <csignal>
#include <functional>
#include <map>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "notice_fixture.h"
#include "register/register.h"
#include "signature/digest.h"
#include "ui/register_window.h"
#include "ui/working_folder.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

namespace fs = std::filesystem;

class Office : public testing::WindowTest {
 protected:
  // Every file of a folder with its bytes and the time they last changed.
  static std::map<std::string, std::pair<std::string, fs::file_time_type>> Snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file()) files[entry.path().string()] = {testing::ReadFile(entry.path()), entry.last_write_time()};
    }
    return files;
  }
  // The program itself, started offscreen in a folder.
  static pid_t StartProgram(const fs::path& folder) {
    const pid_t child = ::fork();
    if (child == 0) {
      if (::chdir(folder.c_str()) != 0) ::_exit(127);
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1), ::dup2(null, 2);
      ::execl(NEROVALE_PROGRAM, NEROVALE_PROGRAM, static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return child;
  }
};

// A second start in a folder where the program runs says so, with the exclamation, and changes no
// file; another folder is free; once the first program is killed its lock is taken without a question.
TEST_F(Office, OneProgramPerWorkingFolder) {
  dir.Write("config.ini", "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");
  const pid_t first = StartProgram(dir.path());
  const auto lock_file = dir / std::string(files::kLockFileName);
  ASSERT_TRUE(QTest::qWaitFor([&] { return testing::ReadFile(lock_file) == std::to_string(first) + "\n"; }, 20'000));
  const auto before = Snapshot(dir.path());
  {
    files::WorkingFolderLock second;
    EXPECT_FALSE(ClaimWorkingFolder(second, dir.path()));
    EXPECT_EQ(Texts(), QStringList{"Nerovale è già aperto in questa cartella."});
    EXPECT_EQ(messages.back().icon, Icon::kWarning);
    EXPECT_EQ(Snapshot(dir.path()), before);
    testing::TempDir other;
    files::WorkingFolderLock elsewhere;
    EXPECT_TRUE(ClaimWorkingFolder(elsewhere, other.path()));
  }
  ::kill(first, SIGKILL);
  ::waitpid(first, nullptr, 0);
  files::WorkingFolderLock after_crash;
  EXPECT_TRUE(ClaimWorkingFolder(after_crash, dir.path()));
  EXPECT_EQ(messages.size(), 1U);
  EXPECT_EQ(testing::ReadFile(lock_file), std::to_string(::getpid()) + "\n");
}

// Each validated notice is recorded; the next one is asked about a number used this year and about
// subjects sent before (both "No" by default, which stops it, the repeated rows painted), and the
// success message offers an empty table with the next number proposed.
TEST_F(Office, TheRegisterGuardsTheNextNoticeAndOffersAnEmptyTable) {
  Principale& w = Open();
  auto* numero = Find<QLineEdit>(&w, "TxtNumeroRichiesta");
  EXPECT_EQ(numero->text(), "");  // nothing registered: nothing proposed
  const QString today = QString::fromStdString(dates::FormatDdMmYyyy(clock.Today()));
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  answer = QMessageBox::No;
  TypeHeader(w, "12", QString(today).remove('/'));
  CreateNotice(w);
  ASSERT_EQ(messages.back().text.left(37), "XML validato e salvato con successo!\n") << Said();
  EXPECT_TRUE(Said().endsWith("\n\nSvuotare la tabella per la prossima comunicazione?"));
  EXPECT_EQ(messages.back().default_button, QMessageBox::No);
  const auto notices = registry::FileRegister(dir / "registro.sqlite", clock)->Notices().value;
  ASSERT_EQ(notices.size(), 1U);
  EXPECT_EQ(session->table().Count(), 1);

  messages.clear();
  Choose(&w, "Command1");
  EXPECT_EQ(Texts(), QStringList{"Il numero 12 è già stato usato per la comunicazione del " + today + " (file " +
                                 QString::fromStdString(notices[0].File().string()) + "). Continuare?"});
  EXPECT_EQ(messages.back().default_button, QMessageBox::No);
  EXPECT_EQ(w.creaFiles(), nullptr);

  messages.clear();
  numero->clear();
  TypeInto(numero, "13");
  Choose(&w, "Command1");
  EXPECT_EQ(Texts(), QStringList{"I seguenti soggetti sono già stati comunicati:\nriga 1: ROSSI MARIO, comunicazione 12 "
                                 "del " + today + "\nContinuare comunque?"});
  EXPECT_EQ(messages.back().default_button, QMessageBox::No);
  EXPECT_EQ(w.model().RowColour(1), kRepeatedRowColour);
  EXPECT_EQ(w.creaFiles(), nullptr);

  answer = QMessageBox::Yes;  // sent again all same, and the table emptied after
  CreateNotice(w);
  EXPECT_EQ(registry::FileRegister(dir / "registro.sqlite", clock)->Notices().value.size(), 2U);
  EXPECT_EQ(session->table().Count(), 0);
  EXPECT_EQ(numero->text(), "14");
}

// Typing in the open entry form is never dropped without a question (No by default): not by "Esci" or
// the close box, not by "Nuova Comunicazione", not by "Crea File XML" (which would make the notice
// without that subject), not by the form's "Annulla" or Escape; "Sì" lets it go.
TEST_F(Office, TypingInTheOpenFormIsNotDroppedWithoutAQuestion) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  TypeHeader(w, "12");
  InsertPersona* form = NewForm(w);
  ASSERT_NE(form, nullptr);
  TypeInto(Find<QLineEdit>(form, "CognomeBox"), "verdi");
  const QString question = "I dati del soggetto in corso di inserimento non sono stati salvati. ";
  answer = QMessageBox::No;
  const struct {
    std::function<void()> act;
    QString ends;
  } attempts[] = {
      {[&] { Choose(&w, "Command2"); }, "Chiudere comunque?"},
      {[&] { w.close(); }, "Chiudere comunque?"},
      {[&] { Choose(&w, "CG"); }, "Iniziare comunque una nuova comunicazione?"},
      {[&] { Choose(&w, "Command1"); }, "Creare il file senza questo soggetto?"},
      {[&] { Click(Find<QAbstractButton>(form, "Command3")); }, "Chiudere comunque?"},
      {[&] { Activate(form), Press(Qt::Key_Escape); }, "Chiudere comunque?"},
  };
  for (const auto& attempt : attempts) {
    messages.clear();
    attempt.act();
    Settle();
    EXPECT_EQ(Texts(), QStringList{question + attempt.ends});
    EXPECT_EQ(messages.back().default_button, QMessageBox::No);
    ASSERT_EQ(w.subjectForm(), form) << attempt.ends;
    EXPECT_TRUE(form->isVisible() && w.isVisible()) << attempt.ends;
    EXPECT_EQ(w.creaFiles(), nullptr);
    EXPECT_EQ(session->table().Count(), 1);
  }
  answer = QMessageBox::Yes;
  messages.clear();
  Activate(form);
  Press(Qt::Key_Escape);
  Settle();
  EXPECT_EQ(w.subjectForm(), nullptr);
  EXPECT_EQ(messages.size(), 1U);
}

}  // namespace
}  // namespace nerovale::ui

namespace nerovale::ui {
namespace {

// "Registro" (Alt+R, Enter): the notices newest first, a file gone or changed since it was registered
// marked; a search by the start of a surname or codice fiscale finds the subjects of every notice and
// shows the notice that carried each.
TEST_F(Office, TheRegisterWindowListsFindsAndMarks) {
  auto reg = registry::FileRegister(dir / "registro.sqlite", clock);
  const auto record = [&](const char* numero, int minute, const std::string& cognome, const std::string& bytes) {
    const auto file = dir.Write(std::string("n") + numero + "/nerovale_" + numero + "_20261130.xml", bytes);
    SubjectRow subject = testing::ValidItalianRow();
    subject[kCognome] = cognome;
    subject[kCodiceFiscale] = cognome == "ROSSI" ? "RSSMRA50C05H501F" : "";
    ASSERT_TRUE(reg->Record({numero, "30/11/2026", "H501", "BIANCHI", "LUCIA", {clock.Today(), 9, minute, 0},
                             file.parent_path().string(), file.filename().string(), signature::Sha256Hex(bytes),
                             bytes.size(), {subject}})
                    .status);
  };
  record("1", 1, "ROSSI", "<a>uno</a>");
  record("2", 2, "VERDI", "<a>due</a>");
  record("3", 3, "ROSSINI", "<a>tre</a>");
  dir.Write("n2/nerovale_2_20261130.xml", "<a>DUE</a>");  // changed, same size
  fs::remove(dir / "n3/nerovale_3_20261130.xml");
  Principale& w = Open();
  Activate(&w);
  QTest::keyClick(&w, Qt::Key_R, Qt::AltModifier);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->objectName(), "registroMenu");
  QTest::keyClick(menu, Qt::Key_Return);  // the open menu has the keyboard
  QCoreApplication::processEvents();
  auto* window = w.findChild<Registro*>();
  ASSERT_NE(window, nullptr);
  const QAbstractItemModel* notices = window->notices()->model();
  ASSERT_EQ(notices->rowCount(), 3);
  const auto cell = [&](int row, int column) { return notices->index(row, column).data().toString(); };
  EXPECT_EQ(QStringList({cell(0, 0), cell(1, 0), cell(2, 0)}), QStringList({"3", "2", "1"}));
  EXPECT_EQ(QStringList({cell(0, 6), cell(1, 6), cell(2, 6)}),
            QStringList({"File mancante", "File modificato dopo la registrazione", ""}));
  EXPECT_EQ(cell(2, 3), "1");

  Click(window->search());
  TypeText("rossi");
  ASSERT_EQ(window->hits()->rowCount(), 2);  // ROSSI and ROSSINI
  window->hits()->selectRow(1);
  const int chosen = window->notices()->currentIndex().row();
  EXPECT_EQ(window->hits()->item(1, 4)->text(), cell(chosen, 0) + " del 30/11/2026");
  EXPECT_EQ(window->ChosenFolder().toStdString(), (dir / ("n" + cell(chosen, 0).toStdString())).string());
  window->search()->clear();
  TypeText("rssmra");
  ASSERT_EQ(window->hits()->rowCount(), 1);
  EXPECT_EQ(window->hits()->item(0, 0)->text(), "ROSSI");
}

}  // namespace
}  // namespace nerovale::ui
