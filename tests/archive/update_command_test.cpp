// nerovale-tabelle on an application folder of its own: the function the command runs, then the command.
#include "archive/update_command.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <sstream>

#include "archive_fixture.h"

namespace nerovale::archive {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

const dates::Date kToday = *dates::MakeDate(15, 3, 2024);
constexpr const char* kOldTable = "ABANO TERME,A001\r\nCALLIANO,B418\r\nROMA,H501\r\n";
constexpr const char* kBackup = "FileCodComuni.txt.20240315";
const std::string kBackup2 = std::string(kBackup) + "_2";

// An application folder with a table of three lines and the archive extract as anpr.csv.
class TableUpdate : public ::testing::Test {
 protected:
  testing::TempDir app;
  std::string output, errors;
  fs::path installed;  // the installed data folder, none unless a test makes one

  TableUpdate() {
    app.Write("ref/FileCodComuni.txt", kOldTable);
    app.Write("anpr.csv", testing::ArchiveExtract());
  }
  int Run(const std::vector<std::string>& args, const std::string& answer = "") {
    std::istringstream in(answer);
    std::ostringstream out, err;
    const int status = RunTableUpdate(args, {app.path(), kToday, in, out, err, installed});
    output = out.str(), errors = err.str();
    return status;
  }
  // Root, as CI runs, ignores permissions; a limit on the size of the files this process writes makes
  // a write fail for anyone, past the point the test chooses.
  int RunUnderFileSizeLimit(rlim_t bytes, const std::vector<std::string>& args) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{bytes, old.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const int status = Run(args);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    return status;
  }
  ::testing::AssertionResult Printed(const std::string& text) const {
    if (output.find(text) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "printed:\n" << output;
  }
  fs::path Ref(const std::string& name = "FileCodComuni.txt") const { return app / "ref" / name; }
  std::string Table() const { return ReadFile(Ref()); }
  std::vector<std::string> RefFiles() const { return testing::Names(app / "ref"); }
  void ExpectUnchanged(const std::string& why) const {
    EXPECT_EQ(Table(), kOldTable) << why;
    EXPECT_EQ(RefFiles(), std::vector<std::string>{"FileCodComuni.txt"}) << why;  // no copy, no temporary file
  }
};

// A confirmed update shows what changes, keeps the table as the day began in a dated copy and writes
// the new one sorted, in Windows-1252; run again, it finds nothing to change.
TEST_F(TableUpdate, ConfirmedReplacementKeepsTheTableTheDayBeganWith) {
  EXPECT_EQ(Run({"anpr.csv"}, "s\n"), kDone) << errors;
  EXPECT_TRUE(Printed("Tabella attuale " + Ref().string() + ": 3 righe\nNuova tabella: 17"));
  EXPECT_TRUE(Printed("Righe aggiunte (nomi nuovi): 14\n    ABANO,A001\n"));
  EXPECT_TRUE(Printed("Righe tolte (nomi che non ci sono più): 0\nNomi con codici cambiati: 1\n"
                      "    CALLIANO: B418 -> B419\nRighe tenute (l'archivio non le elenca): 1\n    ROMA,H501\n"));
  EXPECT_EQ(RefFiles(), (std::vector<std::string>{"FileCodComuni.txt", kBackup, "FileValiditaComuni.txt"}));
  EXPECT_EQ(ReadFile(Ref(kBackup)), kOldTable);
  // Beside it, every name with its code, province and period, the name each code is shown under marked.
  EXPECT_TRUE(Printed("Validità dei nomi scritta: " + Ref("FileValiditaComuni.txt").string()));
  const std::string validity = ReadFile(Ref("FileValiditaComuni.txt"));
  EXPECT_TRUE(validity.starts_with("ABANO,A001,PD,1866-11-19,1924-11-13,N\r\nABANO TERME,A001,PD,1924-11-14,9999-12-31,S\r\n"))
      << validity;
  EXPECT_NE(validity.find("\r\nDOBERD\xD2,D312,GO,"), std::string::npos) << validity;
  const std::string table = Table();
  EXPECT_TRUE(table.starts_with("ABANO,A001\r\nABANO TERME,A001\r\nARIZZANO,A409\r\n")) << table;
  EXPECT_NE(table.find("\r\nDOBERD\xD2,D312\r\n"), std::string::npos);  // Windows-1252
  EXPECT_TRUE(table.ends_with("\r\nS\xC8N JAN DI FASSA,M390\r\nVIGO DI FASSA,L893\r\n"));

  EXPECT_EQ(Run({"--si", "anpr.csv"}), kDone);
  EXPECT_TRUE(Printed("La tabella è già aggiornata"));
}

// A copy of the day counts only when it holds the table as it is: a copy cut by a killed run is left
// as it is and the table is kept under the next name; temporary files of killed runs go first.
TEST_F(TableUpdate, ACutCopyOrAKilledRunNeverCostsTheOldTable) {
  app.Write(std::string("ref/") + kBackup, "");  // what a kill during the copy left with older versions
  app.Write("ref/FileCodComuni.txt.tmp-0123456789ab", "ABANO");
  app.Write(std::string("ref/") + kBackup + ".tmp-abcdefabcdef", "");
  app.Write("ref/FileCodComuni.txt.tmp-mine", "kept: not a name of ours");
  app.Write("ref/FileCodComuni.txt.mine.tmp-0123456789ab", "kept: not a temporary file of the table or a copy");
  EXPECT_EQ(Run({"--prova", "anpr.csv"}), kDone);  // a trial changes nothing, not even a leftover
  EXPECT_EQ(RefFiles().size(), 6U);
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kDone) << errors;
  EXPECT_TRUE(Printed("Rimosso il file temporaneo di un aggiornamento interrotto: " +
                      Ref("FileCodComuni.txt.tmp-0123456789ab").string()));
  EXPECT_EQ(RefFiles(), (std::vector<std::string>{"FileCodComuni.txt", kBackup, kBackup2,
                                                  "FileCodComuni.txt.mine.tmp-0123456789ab", "FileCodComuni.txt.tmp-mine",
                                                  "FileValiditaComuni.txt"}));
  EXPECT_TRUE(Printed("Tabella precedente conservata in " + Ref(kBackup2).string() + "\n"));
  EXPECT_EQ(ReadFile(Ref(kBackup)) + "|" + ReadFile(Ref(kBackup2)), std::string("|") + kOldTable);

  // A run killed after its copy and before the table: the copy holds the table and is taken as it is.
  app.Write("ref/FileCodComuni.txt.20240315_3", Table());
  app.Write("anpr.csv", testing::Replaced(testing::ArchiveExtract(), "\"VIGO DI FASSA\"", "\"VIGO\""));
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kDone) << errors;
  EXPECT_TRUE(Printed("La tabella precedente era già conservata, uguale, in " + Ref(kBackup).string() + "_3"));
  EXPECT_EQ(RefFiles().size(), 7U);

  // A link is no copy, not even one to the table itself, which is about to change.
  const std::string before = Table();
  for (const auto& name : RefFiles()) fs::remove(Ref(name));
  app.Write("ref/FileCodComuni.txt", before);
  fs::create_symlink("FileCodComuni.txt", Ref(kBackup));
  app.Write("anpr.csv", testing::Replaced(testing::ArchiveExtract(), "\"VIGO DI FASSA\"", "\"VIGO NUOVO\""));
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kDone) << errors;
  EXPECT_EQ(ReadFile(Ref(kBackup2)), before) << output;
}

// An answer is one short line: no answer at all, or an input that never ends a line, is no "sì" (and
// is not read to its end).
TEST_F(TableUpdate, OnlyAYesReplacesAndATrialOnlyShows) {
  const std::tuple<std::vector<std::string>, std::string, int> cases[] = {
      {{"anpr.csv"}, "S\r\n", kDone}, {{"anpr.csv"}, " sì \n", kDone}, {{"anpr.csv"}, "n\n", kDeclined},
      {{"anpr.csv"}, "", kDeclined}, {{"anpr.csv"}, std::string(1 << 20, '\0'), kDeclined},
      {{"anpr.csv"}, std::string(100, 's') + "\n", kDeclined}, {{"--prova", "anpr.csv"}, "s\n", kDone},
  };
  for (const auto& [args, answer, status] : cases) {
    app.Write("ref/FileCodComuni.txt", kOldTable);
    fs::remove(Ref(kBackup));
    fs::remove(Ref("FileValiditaComuni.txt"));
    EXPECT_EQ(Run(args, answer), status) << answer.substr(0, 9);
    if (args[0] == "--prova") {
      EXPECT_TRUE(Printed("    ... e altre 4\nRighe tolte") && !Printed("Sostituire"));
      ExpectUnchanged("--prova");
    } else if (status == kDeclined) {
      ExpectUnchanged(answer.substr(0, 9));
    } else {
      EXPECT_EQ(RefFiles().size(), 3U) << answer;
    }
  }
}

// Wrong arguments, an archive that cannot be read or is refused, a copy or a new table that cannot be
// written: the command fails naming the cause, and the table stays as it was, without a copy. A copy
// of the day that was there before stays, whatever fails.
TEST_F(TableUpdate, AFaultChangesNothing) {
  app.Write("bad.csv", testing::Replaced(testing::ArchiveExtract(), "\"STATO\"", "\"STATUS\""));
  const rlim_t any = RLIM_INFINITY, old_size = std::string(kOldTable).size();
  const std::tuple<std::vector<std::string>, rlim_t, std::string> cases[] = {
      {{"--si"}, any, "manca il file dell'archivio"},
      {{"--si", "--prova", "anpr.csv"}, any, "--si e --prova si escludono"},
      {{"--forza", "anpr.csv"}, any, "opzione sconosciuta --forza"},
      {{"--si", "altro.csv"}, any, "Impossibile leggere il file"},
      {{"--si", "bad.csv"}, any, "bad.csv non è l'archivio dei comuni: manca la colonna STATO"},
      {{"--si", "anpr.csv"}, 0, "Impossibile salvare la copia della tabella " + Ref().string() +
                                    ", che non è stata cambiata: Impossibile scrivere il file " + Ref(kBackup).string()},
      // The copy fits, the longer new table does not.
      {{"--si", "anpr.csv"}, old_size, "Impossibile scrivere il file " + Ref().string()},
  };
  for (const auto& [args, limit, message] : cases) {
    EXPECT_EQ(RunUnderFileSizeLimit(limit, args), kFault) << message;
    EXPECT_NE(errors.find(message), std::string::npos) << errors;
    ExpectUnchanged(message);
  }
  app.Write(std::string("ref/") + kBackup, kOldTable);
  EXPECT_EQ(RunUnderFileSizeLimit(old_size, {"--si", "anpr.csv"}), kFault);
  EXPECT_EQ(ReadFile(Ref(kBackup)), kOldTable);
}

// A missing table is made (an archive given by its full path); a folder where the table should be,
// or no ref folder at all, is refused and left as it is.
TEST_F(TableUpdate, AMissingTableIsMadeAndAnUnusableOneRefused) {
  fs::remove(Ref());
  EXPECT_EQ(Run({"--si", (app / "anpr.csv").string()}), kDone) << errors;
  EXPECT_TRUE(Printed(": assente\n"));
  EXPECT_EQ(RefFiles(), (std::vector<std::string>{"FileCodComuni.txt", "FileValiditaComuni.txt"}));

  fs::remove(Ref());
  fs::create_directories(app / "ref/FileCodComuni.txt/x");  // a folder where the table should be
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kFault);
  EXPECT_NE(errors.find("Impossibile leggere la tabella " + Ref().string()), std::string::npos);
  EXPECT_TRUE(fs::is_directory(app / "ref/FileCodComuni.txt/x"));

  fs::remove_all(app / "ref");
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kFault);
  EXPECT_NE(errors.find("manca la cartella " + (app / "ref").string()), std::string::npos) << errors;
  EXPECT_FALSE(fs::exists(app / "ref"));
}

// Without ref/ in the working folder the command updates the table the programs would read then,
// the installed one, and says so; without the rights to write there it changes nothing.
TEST_F(TableUpdate, WithoutRefTheInstalledTableIsTheOneUpdated) {
  testing::TempDir root;
  installed = root / "usr/share/nerovale";
  fs::create_directories(installed);
  fs::rename(app / "ref", installed / "ref");
  const fs::path table = installed / "ref" / "FileCodComuni.txt";
  EXPECT_EQ(Run({"--prova", "anpr.csv"}), kDone) << errors;
  EXPECT_TRUE(Printed("Tabella attuale " + table.string() + ": 3 righe"));
  if (geteuid() != 0) {  // root writes anywhere
    fs::permissions(installed / "ref", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(Run({"--si", "anpr.csv"}), kFault);
    EXPECT_NE(errors.find("la tabella installata " + table.string() + " si cambia soltanto con i diritti"),
              std::string::npos) << errors;
    fs::permissions(installed / "ref", fs::perms::owner_write, fs::perm_options::add);
  }
  EXPECT_EQ(ReadFile(table), kOldTable);
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kDone) << errors;
  EXPECT_TRUE(Printed("Tabella sostituita: " + table.string()));
  EXPECT_EQ(ReadFile(installed / "ref" / kBackup), kOldTable);
  EXPECT_FALSE(fs::exists(app / "ref"));
}

// The command itself in its working directory: the wiring of main.
TEST_F(TableUpdate, TheCommandWorksInItsFolder) {
  const auto run = [&](const std::string& arguments) {
    const std::string command =
        "cd '" + app.path().string() + "' && '" NEROVALE_TABELLE "' " + arguments + " < /dev/null > out.txt 2>&1";
    const int status = std::system(command.c_str());
    output = ReadFile(app / "out.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run("--help"), kDone);
  EXPECT_TRUE(Printed("Codici di uscita"));
  EXPECT_EQ(run(""), kFault);
  EXPECT_EQ(run("anpr.csv"), kDeclined);  // no answer on standard input
  ExpectUnchanged("declined");
  EXPECT_EQ(run("--si anpr.csv"), kDone) << output;
  const auto files = RefFiles();
  ASSERT_EQ(files.size(), 3U);
  EXPECT_EQ(files[1].size(), std::string(kBackup).size()) << files[1];  // dated today
}

}  // namespace
}  // namespace nerovale::archive
