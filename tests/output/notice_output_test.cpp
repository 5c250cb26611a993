#include "output/notice_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>

#include <sys/resource.h>
#include <unistd.h>

#include "core/dates.h"
#include "core/system_files.h"
#include "notice_fixture.h"
#include "temp_dir.h"

namespace nerovale::output {
namespace {

using testing::TempDir;

Moment At(int hour, int minute) { return {*dates::MakeDate(5, 12, 2026), hour, minute}; }

constexpr std::string_view kFailure = "ATTENZIONE! LA VALIDAZIONE DEL FILE NON E' ANDATA A BUON FINE!\r\n";
constexpr std::string_view kNotSaved = "ATTENZIONE! IL FILE XML NON E' STATO SALVATO!\r\n";

// What the code under test writes to the standard error while it runs.
std::string StandardError(const std::function<void()>& run) {
  std::fflush(stderr);
  const int saved = ::dup(2);
  std::FILE* capture = std::tmpfile();
  ::dup2(::fileno(capture), 2);
  run();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  std::rewind(capture);
  std::string text;
  for (int c; (c = std::fgetc(capture)) != EOF;) text += static_cast<char>(c);
  std::fclose(capture);
  return text;
}

class NoticeOutput : public ::testing::Test {
 protected:
  TempDir dir;
  Sender sender{"H501", "BIANCHI", "LUCIA"};
  CommunicationHeader header{"123", "30/11/2026"};
  SubjectTable table;
  NoticeFolderMaker folders;
  std::filesystem::path schema = std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / "validate.xsd";

  NoticeOutcome Write(const Moment& now, const std::filesystem::path& directory = {}, const Progress& progress = {}) {
    return WriteNotice({sender, header, table, schema}, directory.empty() ? dir.path() : directory, now, folders,
                       progress);
  }
  std::vector<std::string> Entries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(NoticeOutput, ValidNoticeLeavesOneFolderWithOneFile) {
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  EXPECT_TRUE(table.Add(testing::ValidForeignRow()));
  const NoticeOutcome outcome = Write(At(14, 30));
  ASSERT_TRUE(outcome.valid) << outcome.message;
  EXPECT_EQ(outcome.fault, NoticeFault::kNone);
  EXPECT_EQ(outcome.message,
            "XML validato e salvato con successo!\r\nIl file si trova nella directory selezionata dentro la cartella "
            "\r\n'Nerovale_20261205,1430'");
  EXPECT_EQ(Entries(), std::vector<std::string>{"Nerovale_20261205,1430"});
  EXPECT_EQ(outcome.file, dir / "Nerovale_20261205,1430" / "nerovale_123_20261130.xml");
  EXPECT_TRUE(std::filesystem::exists(outcome.file));
}

TEST_F(NoticeOutput, FoldersAcrossTheSameMinuteTheNextAndAnExistingSuffix) {
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  EXPECT_TRUE(Write(At(14, 30)).valid);
  EXPECT_TRUE(Write(At(14, 30)).valid);
  dir.Write("Nerovale_20261205,1430(3)/altro.txt", "x");  // a folder of that name, holding something else
  EXPECT_TRUE(Write(At(14, 30)).valid);
  EXPECT_TRUE(Write(At(14, 31)).valid);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"Nerovale_20261205,1430", "Nerovale_20261205,1430(2)",
                                                 "Nerovale_20261205,1430(3)", "Nerovale_20261205,1430(4)",
                                                 "Nerovale_20261205,1431"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "Nerovale_20261205,1430(3)"), {}), 1);
}

TEST_F(NoticeOutput, FailedValidationRemovesOnlyWhatItMade) {
  dir.Write("Nerovale_20261205,1430/earlier.xml", "<kept/>");
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  SubjectRow row = testing::ValidItalianRow();
  row[kSesso] = "X";
  EXPECT_TRUE(table.Add(row));
  const NoticeOutcome outcome = Write(At(14, 30));
  EXPECT_FALSE(outcome.valid);
  EXPECT_EQ(outcome.fault, NoticeFault::kRefused);
  EXPECT_EQ(outcome.message.rfind(std::string(kFailure) + "Soggetto 2 (riga 53 del file): Element 'SESSO'", 0), 0U)
      << outcome.message;
  EXPECT_EQ(Entries(), std::vector<std::string>{"Nerovale_20261205,1430"});  // its "(2)" went
  EXPECT_EQ(testing::ReadFile(dir / "Nerovale_20261205,1430" / "earlier.xml"), "<kept/>");
}

// A fault around the notice is the environment's, named in Italian with the folder or file it hit;
// nothing is left behind and libxml2 prints nothing.
TEST_F(NoticeOutput, FaultsAroundTheNoticeNameThePlaceAndTheCause) {
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  const auto not_a_directory = dir.Write("file.txt", "x");
  const auto not_a_schema =
      dir.Write("broken.xsd", "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:bad/>");
  const std::string long_name(300, 'n');
  struct Case {
    const char* why;
    std::filesystem::path directory;
    std::filesystem::path schema;
    std::string expected;  // in the reason
    rlim_t file_size_limit = RLIM_INFINITY;
  } cases[] = {
      {"not a directory", not_a_directory, schema,
       "Impossibile creare la cartella " + (not_a_directory / "Nerovale_20261205,0905").string() +
           ": un elemento del percorso non è una cartella"},
      {"gone", dir / "gone", schema, "/gone/Nerovale_20261205,0905: il file o la cartella non esiste"},
      {"name too long", dir / long_name, schema, ": il nome è troppo lungo"},
      {"write failure", dir.path(), schema,
       "Impossibile scrivere il file " + (dir / "Nerovale_20261205,0905").string() + "/nerovale_123_20261130.xml.tmp-",
       100},
      {"missing schema", dir.path(), dir / "ref" / "validate.xsd",
       "Impossibile usare lo schema XML " + (dir / "ref" / "validate.xsd").string() +
           ": il file o la cartella non esiste"},
      {"not a schema", dir.path(), not_a_schema,
       "Impossibile usare lo schema XML " + not_a_schema.string() + ": Riga 1"},
  };
  for (const auto& c : cases) {
    schema = c.schema;
    NoticeOutcome outcome;
    const std::string printed = StandardError([&] {
      // A file may grow only so far: the write fails as on a full disk.
      const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
      rlimit previous{};
      ::getrlimit(RLIMIT_FSIZE, &previous);
      rlimit limit = previous;
      limit.rlim_cur = c.file_size_limit;
      ::setrlimit(RLIMIT_FSIZE, &limit);
      outcome = Write(At(9, 5), c.directory);
      ::setrlimit(RLIMIT_FSIZE, &previous);
      std::signal(SIGXFSZ, previous_handler);
    });
    EXPECT_FALSE(outcome.valid) << c.why;
    EXPECT_EQ(outcome.fault, NoticeFault::kEnvironment) << c.why;
    EXPECT_EQ(outcome.message.rfind(kNotSaved, 0), 0U) << c.why;  // nothing was validated, nor refused
    EXPECT_NE(outcome.message.find(c.expected), std::string::npos) << c.why << ": " << outcome.message;
    EXPECT_EQ(printed, "") << c.why;
    EXPECT_EQ(Entries(), (std::vector<std::string>{"broken.xsd", "file.txt"})) << c.why;
  }

  // The same schemas, checked before any work.
  Status missing, broken;
  EXPECT_EQ(StandardError([&] {
              missing = CheckSchema(dir / "ref" / "validate.xsd");
              broken = CheckSchema(not_a_schema);
            }),
            "");
  EXPECT_EQ(missing.message(), "Impossibile usare lo schema XML " + (dir / "ref" / "validate.xsd").string() +
                                   ": il file o la cartella non esiste");
  EXPECT_EQ(broken.message().rfind("Impossibile usare lo schema XML " + not_a_schema.string() + ": Riga 1", 0), 0U);
  EXPECT_TRUE(CheckSchema(std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / "validate.xsd"));
}

// What killed output steps left goes before the next notice into the same directory: temporary
// notice files in notice folders, and the folders they leave empty. Nothing else: not a validated
// notice, not a file of another name, not a folder of another name or behind a link, not a folder
// that a living step holds.
TEST_F(NoticeOutput, WhatAKilledStepLeftGoesAndNothingElse) {
  const std::string temporary = "nerovale_7_20261130.xml.tmp-0123456789ab";
  dir.Write("Nerovale_20261201,0900/" + temporary, "<DATI_CHIAMATA");   // cut by a kill
  std::filesystem::create_directory(dir / "Nerovale_20261201,0901(2)");  // killed before its file
  dir.Write("Nerovale_20261201,0902/nerovale_8_20261130.xml", "<valid/>");
  dir.Write("Nerovale_20261201,0902/" + temporary, "<DATI");
  dir.Write("Nerovale_20261201,0903/note.tmp-0123456789ab.txt", "x");   // not a temporary name
  dir.Write("Nerovale_altro/" + temporary, "x");                          // not a notice folder
  dir.Write("held/" + temporary, "x");
  std::filesystem::create_directory_symlink(dir / "held", dir / "Nerovale_20261201,0904");
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
  for (const char* kept : {"Nerovale_altro/", "held/", "Nerovale_20261201,0905/"}) {
    EXPECT_TRUE(std::filesystem::exists(dir / (kept + temporary))) << kept;
  }
}

// A stop asked for while the notice is written or read back ends the step at once; at no moment is
// there a file under the notice's name that is not whole and valid, and a stopped step leaves nothing.
TEST_F(NoticeOutput, AStopAtAnyMomentLeavesAValidNoticeOrNothing) {
  for (int i = 0; i < 1200; ++i) EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  for (int allowed = 0;; ++allowed) {
    int asked = 0;
    const NoticeOutcome outcome = Write(At(14, 30), {}, [&] { return asked++ < allowed; });
    if (outcome.valid) {
      EXPECT_GT(allowed, 6);  // it was asked while writing and while reading back
      break;
    }
    EXPECT_EQ(outcome.fault, NoticeFault::kStopped) << allowed;
    EXPECT_EQ(outcome.message, StoppedText());
    EXPECT_EQ(Entries(), std::vector<std::string>{}) << allowed;
  }
}

// A working directory whose name is not UTF-8 still gives a valid notice: the schema's location is
// written as a URI that the parser reads back to the same bytes.
TEST_F(NoticeOutput, WorkingDirectoryThatIsNotUtf8) {
  const std::filesystem::path working = dir / "caff\xE8 50%";
  std::filesystem::create_directories(working / "ref");
  std::filesystem::copy_file(schema, working / "ref" / "validate.xsd");
  schema = SchemaPath(working);
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  std::filesystem::create_directory(dir / "out");
  const NoticeOutcome outcome = Write(At(14, 30), dir / "out");
  ASSERT_TRUE(outcome.valid) << outcome.message;
  EXPECT_NE(testing::ReadFile(outcome.file).find("/caff%E8%2050%25/ref/validate.xsd\">"), std::string::npos);
  EXPECT_TRUE(CheckSchema(schema));
}

TEST(NoticeFileName, FromTheHeaderCopies) {
  EXPECT_EQ(NoticeFileName({"123", "30/11/2026"}), "nerovale_123_20261130.xml");
  EXPECT_EQ(NoticeFileName({"7", ""}), "nerovale_7_.xml");  // never reads beyond the text
}

}  // namespace
}  // namespace nerovale::output
