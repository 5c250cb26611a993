// nerovale-tabelle on an application folder of its own: the function the command runs, then the
// command itself.
#include "archive/update_command.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
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

// An application folder with a table of three lines and the archive extract as anpr.csv.
class TableUpdate : public ::testing::Test {
 protected:
  testing::TempDir app;
  std::string output, errors;

  TableUpdate() {
    app.Write("ref/FileCodComuni.txt", kOldTable);
    app.Write("anpr.csv", testing::ArchiveExtract());
  }
  int Run(const std::vector<std::string>& args, const std::string& answer = "") {
    std::istringstream in(answer);
    std::ostringstream out, err;
    const int status = RunTableUpdate(args, {app.path(), kToday, in, out, err});
    output = out.str();
    errors = err.str();
    return status;
  }
  // Root, as CI runs, ignores permissions; a limit on the size of the files this process writes makes
  // a write fail for anyone, past the point the test chooses.
  int RunUnderFileSizeLimit(rlim_t bytes, const std::vector<std::string>& args) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = bytes;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const int status = Run(args);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    return status;
  }
  bool Printed(const std::string& text) const { return output.find(text) != std::string::npos; }
  std::string Table() const { return ReadFile(app / "ref/FileCodComuni.txt"); }
  std::vector<std::string> RefFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(app / "ref")) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  void ExpectUnchanged(const std::string& why) const {
    EXPECT_EQ(Table(), kOldTable) << why;
    EXPECT_EQ(RefFiles(), std::vector<std::string>{"FileCodComuni.txt"}) << why;  // no copy, no temporary file
  }
};

TEST_F(TableUpdate, ConfirmedReplacementKeepsTheTableTheDayBeganWith) {
  EXPECT_EQ(Run({"anpr.csv"}, "s\n"), kDone) << errors;
  EXPECT_TRUE(Printed("Tabella attuale " + (app / "ref/FileCodComuni.txt").string() + ": 3 righe\nNuova tabella: 17"));
  EXPECT_TRUE(Printed("Righe aggiunte (nomi nuovi): 14\n    ABANO,A001\n")) << output;
  EXPECT_TRUE(Printed("Righe tolte (nomi che non ci sono più): 0\nNomi con codici cambiati: 1\n"
                      "    CALLIANO: B418 -> B419\nRighe tenute (l'archivio non le elenca): 1\n    ROMA,H501\n"));
  EXPECT_EQ(RefFiles(), (std::vector<std::string>{"FileCodComuni.txt", kBackup}));
  EXPECT_EQ(ReadFile(app / "ref" / kBackup), kOldTable);
  const std::string table = Table();
  EXPECT_TRUE(table.starts_with("ABANO,A001\r\nABANO TERME,A001\r\nARIZZANO,A409\r\n")) << table;
  EXPECT_NE(table.find("\r\nDOBERD\xD2,D312\r\n"), std::string::npos);  // Windows-1252
  EXPECT_TRUE(table.ends_with("\r\nS\xC8N JAN DI FASSA,M390\r\nVIGO DI FASSA,L893\r\n"));

  EXPECT_EQ(Run({"--si", "anpr.csv"}), kDone);
  EXPECT_TRUE(Printed("La tabella è già aggiornata")) << output;
  app.Write("anpr.csv", testing::Replaced(testing::ArchiveExtract(), "\"VIGO DI FASSA\"", "\"VIGO\""));
  const std::string first_update = Table();
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kDone);
  EXPECT_TRUE(Printed("Righe aggiunte (nomi nuovi): 1\n    VIGO,L893\n")) << output;
  // The table the day began with stays; the one of the first update is kept beside it.
  EXPECT_TRUE(Printed("Tabella precedente conservata in " + (app / "ref" / kBackup).string() + "_2\n")) << output;
  EXPECT_EQ(ReadFile(app / "ref" / kBackup), kOldTable);
  EXPECT_EQ(ReadFile(app / "ref" / (std::string(kBackup) + "_2")), first_update);
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
                      (app / "ref/FileCodComuni.txt.tmp-0123456789ab").string()))
      << output;
  EXPECT_EQ(RefFiles(), (std::vector<std::string>{"FileCodComuni.txt", kBackup, std::string(kBackup) + "_2",
                                                  "FileCodComuni.txt.mine.tmp-0123456789ab", "FileCodComuni.txt.tmp-mine"}));
  EXPECT_EQ(ReadFile(app / "ref" / kBackup), "");
  EXPECT_EQ(ReadFile(app / "ref" / (std::string(kBackup) + "_2")), kOldTable);

  // A run killed after its copy and before the table: the copy holds the table and is taken as it is.
  const std::string updated = Table();
  app.Write("ref/FileCodComuni.txt.20240315_3", updated);
  app.Write("anpr.csv", testing::Replaced(testing::ArchiveExtract(), "\"VIGO DI FASSA\"", "\"VIGO\""));
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kDone) << errors;
  EXPECT_TRUE(Printed("La tabella precedente era già conservata, uguale, in " + (app / "ref").string() +
                      "/FileCodComuni.txt.20240315_3"))
      << output;
  EXPECT_EQ(RefFiles().size(), 6U);

  // A link is no copy, not even one to the table itself, which is about to change.
  for (const auto& entry : fs::directory_iterator(app / "ref")) {
    if (entry.path().filename() != "FileCodComuni.txt") fs::remove(entry.path());
  }
  const std::string before = Table();
  fs::create_symlink("FileCodComuni.txt", app / "ref" / kBackup);
  app.Write("anpr.csv", testing::Replaced(testing::ArchiveExtract(), "\"VIGO DI FASSA\"", "\"VIGO NUOVO\""));
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kDone) << errors;
  EXPECT_EQ(ReadFile(app / "ref" / (std::string(kBackup) + "_2")), before) << output;
}

// An answer is one short line: an input that never ends a line is no "sì", and is not read to its end.
TEST_F(TableUpdate, AnEndlessAnswerIsNoAnswer) {
  const std::string zeros(1 << 20, '\0');
  EXPECT_EQ(Run({"anpr.csv"}, zeros), kDeclined);
  EXPECT_EQ(Run({"anpr.csv"}, std::string(100, 's') + "\n"), kDeclined);
  ExpectUnchanged("endless answer");
}

TEST_F(TableUpdate, OnlyAYesReplacesAndATrialOnlyShows) {
  const struct {
    std::vector<std::string> args;
    std::string answer;
    int status;
  } cases[] = {
      {{"anpr.csv"}, "S\r\n", kDone},          {{"anpr.csv"}, " sì \n", kDone},
      {{"anpr.csv"}, "n\n", kDeclined},        {{"anpr.csv"}, "", kDeclined},  // no answer at all
      {{"--prova", "anpr.csv"}, "s\n", kDone},
  };
  for (const auto& c : cases) {
    app.Write("ref/FileCodComuni.txt", kOldTable);
    fs::remove(app / "ref" / kBackup);
    EXPECT_EQ(Run(c.args, c.answer), c.status) << c.answer;
    if (c.args[0] == "--prova") {
      EXPECT_TRUE(Printed("    ... e altre 4\nRighe tolte") && !Printed("Sostituire")) << output;
      ExpectUnchanged("--prova");
    } else if (c.status == kDeclined) {
      ExpectUnchanged(c.answer);
    } else {
      EXPECT_EQ(RefFiles().size(), 2U) << c.answer;
    }
  }
}

TEST_F(TableUpdate, RefusalsChangeNothing) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--si"}, "manca il file dell'archivio"},
      {{"--si", "--prova", "anpr.csv"}, "--si e --prova si escludono"},
      {{"--forza", "anpr.csv"}, "opzione sconosciuta --forza"},
      {{"--si", "altro.csv"}, "Impossibile leggere il file"},
      {{"--si", "bad.csv"}, "bad.csv non è l'archivio dei comuni: manca la colonna STATO"},
  };
  app.Write("bad.csv", testing::Replaced(testing::ArchiveExtract(), "\"STATO\"", "\"STATUS\""));
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), kFault) << c.message;
    EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
    ExpectUnchanged(c.message);
  }
}

TEST_F(TableUpdate, AMissingTableIsMadeAndAnUnusableOneRefused) {
  fs::remove(app / "ref/FileCodComuni.txt");
  EXPECT_EQ(Run({"--si", (app / "anpr.csv").string()}), kDone) << errors;
  EXPECT_TRUE(Printed(": assente\n"));
  EXPECT_EQ(RefFiles(), std::vector<std::string>{"FileCodComuni.txt"});

  fs::remove(app / "ref/FileCodComuni.txt");
  fs::create_directories(app / "ref/FileCodComuni.txt/x");  // a folder where the table should be
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kFault);
  EXPECT_NE(errors.find("Impossibile leggere la tabella " + (app / "ref/FileCodComuni.txt").string()),
            std::string::npos);
  EXPECT_TRUE(fs::is_directory(app / "ref/FileCodComuni.txt/x"));

  fs::remove_all(app / "ref");
  EXPECT_EQ(Run({"--si", "anpr.csv"}), kFault);
  EXPECT_NE(errors.find("manca la cartella " + (app / "ref").string()), std::string::npos) << errors;
  EXPECT_FALSE(fs::exists(app / "ref"));
}

TEST_F(TableUpdate, AFailedWriteLeavesTheOldTableAndNoCopy) {
  const struct {
    rlim_t limit;
    std::string message;
  } cases[] = {
      {0, "Impossibile salvare la copia della tabella " + (app / "ref/FileCodComuni.txt").string() +
              ", che non è stata cambiata: Impossibile scrivere il file " + (app / "ref" / kBackup).string()},
      // The copy fits, the longer new table does not.
      {std::string(kOldTable).size(), "Impossibile scrivere il file " + (app / "ref/FileCodComuni.txt").string()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunUnderFileSizeLimit(c.limit, {"--si", "anpr.csv"}), kFault);
    EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
    ExpectUnchanged(c.message);
  }
  // A copy of the day that was there before stays, whatever fails.
  app.Write(std::string("ref/") + kBackup, kOldTable);
  EXPECT_EQ(RunUnderFileSizeLimit(std::string(kOldTable).size(), {"--si", "anpr.csv"}), kFault);
  EXPECT_EQ(ReadFile(app / "ref" / kBackup), kOldTable);
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
  ASSERT_EQ(files.size(), 2U);
  EXPECT_EQ(files[1].size(), std::string(kBackup).size()) << files[1];  // dated today
}

}  // namespace
}  // namespace nerovale::archive
