#include "output/notice_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include <sys/resource.h>

#include "core/dates.h"
#include "core/system_files.h"
#include "notice_fixture.h"
#include "temp_dir.h"

namespace nerovale::output {
namespace {

Moment At(int hour, int minute) { return {*dates::MakeDate(5, 12, 2026), hour, minute}; }

class NoticeOutput : public ::testing::Test {
 protected:
  testing::TempDir dir;
  SubjectTable table;
  NoticeFolderMaker folders;
  std::filesystem::path schema = std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / "validate.xsd";

  NoticeOutcome Write(const Moment& now, const std::filesystem::path& directory = {}, const Progress& progress = {}) {
    return WriteNotice({{"H501", "BIANCHI", "LUCIA"}, {"123", "30/11/2026"}, table, schema},
                       directory.empty() ? dir.path() : directory, now, folders, progress);
  }
  std::vector<std::string> Entries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// One folder per notice, named by the minute, with a suffix when that name is taken (even by a
// folder holding something else).
TEST_F(NoticeOutput, ValidNoticesLeaveOneFolderEachWithOneFile) {
  for (const auto& row : {testing::ValidItalianRow(), testing::ValidForeignRow()}) EXPECT_TRUE(table.Add(row));
  const NoticeOutcome outcome = Write(At(14, 30));
  ASSERT_TRUE(outcome.valid) << outcome.message;
  EXPECT_EQ(outcome.fault, NoticeFault::kNone);
  EXPECT_EQ(outcome.message,
            "XML validato e salvato con successo!\r\nIl file si trova nella directory selezionata dentro la cartella "
            "\r\n'Nerovale_20261205,1430'");
  EXPECT_EQ(Entries(), std::vector<std::string>{"Nerovale_20261205,1430"});
  EXPECT_EQ(outcome.file, dir / "Nerovale_20261205,1430" / "nerovale_123_20261130.xml");
  EXPECT_TRUE(std::filesystem::exists(outcome.file));
  EXPECT_EQ(NoticeFileName({"7", ""}), "nerovale_7_.xml");  // never reads beyond the text

  EXPECT_TRUE(Write(At(14, 30)).valid);
  dir.Write("Nerovale_20261205,1430(3)/altro.txt", "x");
  EXPECT_TRUE(Write(At(14, 30)).valid);
  EXPECT_TRUE(Write(At(14, 31)).valid);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"Nerovale_20261205,1430", "Nerovale_20261205,1430(2)",
                                                 "Nerovale_20261205,1430(3)", "Nerovale_20261205,1430(4)",
                                                 "Nerovale_20261205,1431"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "Nerovale_20261205,1430(3)"), {}), 1);

  // A working directory whose name is not UTF-8: the schema's location is written as a URI that the
  // parser reads back to the same bytes.
  const std::filesystem::path working = dir / "caff\xE8 50%";
  std::filesystem::create_directories(working / "ref");
  std::filesystem::copy_file(schema, working / "ref" / "validate.xsd");
  schema = SchemaPath(working);
  EXPECT_TRUE(CheckSchema(schema));
  const NoticeOutcome elsewhere = Write(At(14, 30), working);
  ASSERT_TRUE(elsewhere.valid) << elsewhere.message;
  EXPECT_NE(testing::ReadFile(elsewhere.file).find("/caff%E8%2050%25/ref/validate.xsd\">"), std::string::npos);
}

TEST_F(NoticeOutput, FailedValidationRemovesOnlyWhatItMade) {
  dir.Write("Nerovale_20261205,1430/earlier.xml", "<kept/>");
  SubjectRow row = testing::ValidItalianRow();
  EXPECT_TRUE(table.Add(row));
  row[kSesso] = "X";
  EXPECT_TRUE(table.Add(row));
  const NoticeOutcome outcome = Write(At(14, 30));
  EXPECT_FALSE(outcome.valid);
  EXPECT_EQ(outcome.fault, NoticeFault::kRefused);
  EXPECT_EQ(outcome.message.rfind("ATTENZIONE! LA VALIDAZIONE DEL FILE NON E' ANDATA A BUON FINE!\r\nSoggetto 2 (riga "
                                  "53 del file): Element 'SESSO'", 0), 0U) << outcome.message;
  EXPECT_EQ(Entries(), std::vector<std::string>{"Nerovale_20261205,1430"});  // its "(2)" went
  EXPECT_EQ(testing::ReadFile(dir / "Nerovale_20261205,1430" / "earlier.xml"), "<kept/>");
}

// A fault around the notice is the environment's, named in Italian with the folder or file it hit;
// nothing is left behind and libxml2 prints nothing. The same schemas are refused when checked
// before any work.
TEST_F(NoticeOutput, FaultsAroundTheNoticeNameThePlaceAndTheCause) {
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  const auto not_a_directory = dir.Write("file.txt", "x");
  const auto not_a_schema =
      dir.Write("broken.xsd", "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:bad/>");
  const auto missing_schema = dir / "ref" / "validate.xsd";
  const std::string schema_fault = "Impossibile usare lo schema XML ", folder = "Nerovale_20261205,0905";
  struct Case { std::filesystem::path directory, schema; std::string in_reason; rlim_t file_size = RLIM_INFINITY; };
  const Case cases[] = {
      {not_a_directory, schema, "Impossibile creare la cartella " + (not_a_directory / folder).string() +
                                    ": un elemento del percorso non è una cartella"},
      {dir / "gone", schema, "/gone/" + folder + ": il file o la cartella non esiste"},
      {dir / std::string(300, 'n'), schema, ": il nome è troppo lungo"},
      // A file may grow only so far: the write fails as on a full disk.
      {dir.path(), schema,
       "Impossibile scrivere il file " + (dir / folder).string() + "/nerovale_123_20261130.xml.tmp-", 100},
      {dir.path(), missing_schema, schema_fault + missing_schema.string() + ": il file o la cartella non esiste"},
      {dir.path(), not_a_schema, schema_fault + not_a_schema.string() + ": Riga 1"},
  };
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in_reason);
    schema = c.schema;
    rlimit limit{c.file_size, previous.rlim_max};
    ::testing::internal::CaptureStderr();
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const NoticeOutcome outcome = Write(At(9, 5), c.directory);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(outcome.valid);
    EXPECT_EQ(outcome.fault, NoticeFault::kEnvironment);
    EXPECT_EQ(outcome.message.rfind("ATTENZIONE! IL FILE XML NON E' STATO SALVATO!\r\n", 0), 0U);  // not refused
    EXPECT_NE(outcome.message.find(c.in_reason), std::string::npos) << outcome.message;
    EXPECT_EQ(Entries(), (std::vector<std::string>{"broken.xsd", "file.txt"}));
  }
  std::signal(SIGXFSZ, previous_handler);

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(CheckSchema(missing_schema).message(), cases[4].in_reason);
  EXPECT_EQ(CheckSchema(not_a_schema).message().rfind(cases[5].in_reason, 0), 0U);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// What killed output steps left goes before the next notice into the same directory: temporary
// notice files in notice folders, and the folders they leave empty. Nothing else.
TEST_F(NoticeOutput, WhatAKilledStepLeftGoesAndNothingElse) {
  const std::string temporary = "nerovale_7_20261130.xml.tmp-0123456789ab";
  dir.Write("Nerovale_20261201,0900/" + temporary, "<DATI_CHIAMATA");   // cut by a kill
  std::filesystem::create_directory(dir / "Nerovale_20261201,0901(2)");  // killed before its file
  dir.Write("Nerovale_20261201,0902/nerovale_8_20261130.xml", "<valid/>");
  dir.Write("Nerovale_20261201,0902/" + temporary, "<DATI");
  dir.Write("Nerovale_20261201,0903/note.tmp-0123456789ab.txt", "x");   // not a temporary name
  dir.Write("Nerovale_altro/" + temporary, "x");                          // not a notice folder
  dir.Write("held/" + temporary, "x");
  std::filesystem::create_directory_symlink(dir / "held", dir / "Nerovale_20261201,0904");  // behind a link
  dir.Write("Nerovale_20261201,0905/" + temporary, "x");  // a step at work in another process
  files::FolderLock working;
  ASSERT_TRUE(working.Lock(dir / "Nerovale_20261201,0905"));

  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  const NoticeOutcome outcome = Write(At(14, 30));
  ASSERT_TRUE(outcome.valid) << outcome.message;
  std::vector<std::string> removed;
  for (const auto& path : outcome.unfinished_removed) removed.push_back(path.lexically_relative(dir.path()).string());
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<std::string>{"Nerovale_20261201,0900", "Nerovale_20261201,0900/" + temporary,
                                               "Nerovale_20261201,0901(2)", "Nerovale_20261201,0902/" + temporary}));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"Nerovale_20261201,0902", "Nerovale_20261201,0903",
                                                 "Nerovale_20261201,0904", "Nerovale_20261201,0905",
                                                 "Nerovale_20261205,1430", "Nerovale_altro", "held"}));
  EXPECT_EQ(testing::ReadFile(dir / "Nerovale_20261201,0902/nerovale_8_20261130.xml"), "<valid/>");
  for (const char* kept : {"Nerovale_altro/", "held/", "Nerovale_20261201,0905/"})
    EXPECT_TRUE(std::filesystem::exists(dir / (kept + temporary))) << kept;
}

// A stop asked for while the notice is written or read back ends the step at once; at no moment is
// there a file under the notice's name that is not whole and valid, and a stopped step leaves nothing.
TEST_F(NoticeOutput, AStopAtAnyMomentLeavesAValidNoticeOrNothing) {
  for (int i = 0; i < 1200; ++i) EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  int allowed = 0;
  for (;; ++allowed) {
    int asked = 0;
    const NoticeOutcome outcome = Write(At(14, 30), {}, [&] { return asked++ < allowed; });
    if (outcome.valid) break;
    EXPECT_EQ(outcome.fault, NoticeFault::kStopped) << allowed;
    EXPECT_EQ(outcome.message, StoppedText());
    EXPECT_EQ(Entries(), std::vector<std::string>{}) << allowed;
  }
  EXPECT_GT(allowed, 6);  // it was asked while writing and while reading back
}

}  // namespace
}  // namespace nerovale::output
