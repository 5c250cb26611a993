// The notice: its bytes, their validation against the schema, and the output step that writes it into
// a folder of its own.
#include "output/notice_output.h"

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "core/dates.h"
#include "core/system_files.h"
#include "notice_fixture.h"
#include "output/notice_xml.h"
#include "output/schema_validation.h"
#include "temp_dir.h"

namespace nerovale::output {
namespace {

// A notice of awkward content: every ASCII character but NUL in one cell, letters outside ASCII of
// two, three and four bytes, empty elements, a month/year, a year-only and odd birth dates, a
// 9-digit number, and a schema path that an attribute must escape.
std::string AwkwardNotice(const std::filesystem::path& file = {}) {
  std::string ascii;
  for (int c = 1; c < 128; ++c) ascii += static_cast<char>(c);
  const Sender sender{"H501", "D'ANGELO & <FIGLI>", "\"ÈVA\" ]]> ß"};
  const CommunicationHeader header{"123456789", "01/02/2026"};
  SubjectTable table;
  SubjectRow row = testing::ValidItalianRow();
  row[kCognome] = ascii, row[kNome] = "NICOLÒ € 𝄞", row[kNomePadre] = "a\r\nb\tc";
  EXPECT_TRUE(table.Add(row));
  row = testing::ValidForeignRow();
  row[kDataNascita] = "03/1931", row[kComuneEsteroNascita] = "SÃO PAULO";
  row[kAnnoProtocollo] = row[kNumeroProtocollo] = "";
  EXPECT_TRUE(table.Add(row));
  row[kDataNascita] = "1950", row[kDataDecesso] = "1/2/2024/9";
  EXPECT_TRUE(table.Add(row));
  row[kDataNascita] = "12345", row[kDataDecesso] = "";
  EXPECT_TRUE(table.Add(row));
  EXPECT_TRUE(table.Add(SubjectRow{}));
  const Notice notice{sender, header, table, "/srv/Città & \"figli\" <1>\t\n/ref/validate.xsd"};
  if (file.empty()) return BuildNoticeXml(notice);
  EXPECT_TRUE(SaveNoticeXml(notice, file));
  return testing::ReadFile(file);
}

// Written in memory or to a file, the notice has the stored notice's bytes: every element in its
// place, the text escaped as libxml2 escapes it, each form of a date split into its parts.
TEST(NoticeXmlBytes, AsTheStoredNotice) {
  const std::string stored = testing::ReadFile(std::filesystem::path(NEROVALE_TEST_DATA_DIR) / "awkward_notice.xml");
  testing::TempDir dir;
  EXPECT_EQ(AwkwardNotice(), stored);
  EXPECT_EQ(AwkwardNotice(dir / "notice.xml"), stored);
  // A table without subjects: the one element without a child closes itself. The number keeps its
  // leading zero.
  const std::string empty = BuildNoticeXml({Sender{}, CommunicationHeader{"0123", ""}, SubjectTable{}, ""});
  EXPECT_NE(empty.find("<NUMERO_RICHIESTA>0123</NUMERO_RICHIESTA>"), std::string::npos);
  EXPECT_NE(empty.find("\n  <ANAGRAFICHE/>\n</DATI_CHIAMATA_NEROVALE>\n"), std::string::npos);
}

// A TCP listener on the loopback that must never be called.
struct SilentListener {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};  // any free port
  SilentListener() {
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(fd, 4);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  }
  ~SilentListener() { ::close(fd); }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/" + path;
  }
  bool Called() const { return ::accept(fd, nullptr, nullptr) >= 0; }
};

Moment At(int hour, int minute) { return {*dates::MakeDate(5, 12, 2026), hour, minute}; }

// A notice of the subjects of table, written by the output step into dir, or as text and validated.
class NoticeOutput : public ::testing::Test {
 protected:
  testing::TempDir dir;
  SubjectTable table;
  NoticeFolderMaker folders;
  std::filesystem::path schema = std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / "validate.xsd";
  const Sender sender{"H501", "BIANCHI", "LUCIA"};
  const CommunicationHeader header{"123", "30/11/2026"};

  NoticeOutcome Write(const Moment& now, const std::filesystem::path& directory = {}, const Progress& progress = {}) {
    return WriteNotice({sender, header, table, schema}, directory.empty() ? dir.path() : directory, now, folders,
                       progress);
  }
  std::string Xml() { return BuildNoticeXml({sender, header, table, schema}); }
  ValidationResult Check(const std::string& xml) { return ValidateFile(dir.Write("notice.xml", xml)); }
  static std::string Replace(std::string xml, const std::string& from, const std::string& to) {
    const auto at = xml.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? xml : xml.replace(at, from.size(), to);
  }
  std::vector<std::string> Entries() const { return testing::Names(dir.path()); }
};
using Schema = NoticeOutput;  // the validation of a notice's text

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

// A notice the schema refuses is named as refused, with the subject and line at fault; its file and
// folder go, and an earlier notice's folder of the same minute stays.
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

// Broken notices are refused with a reason of one line, and nothing is fetched from the network:
// not a remote schema, nor one that a local schema includes, nor an external entity.
TEST_F(Schema, AcceptsValidNoticesAndRejectsBrokenOnesWithoutTheNetwork) {
  SilentListener listener;
  const std::string no_subject = Xml();
  for (const auto& row : {testing::ValidItalianRow(), testing::ValidForeignRow()}) EXPECT_TRUE(table.Add(row));
  const std::string xml = Xml(), root = "<DATI_CHIAMATA_NEROVALE";
  const auto valid = Check(xml);
  ASSERT_TRUE(valid.valid) << valid.reason;

  const auto include = dir.Write("include.xsd", "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:include "
                                                "schemaLocation=\"" + listener.Url("other.xsd") + "\"/></xs:schema>");
  const std::string entity = "<!DOCTYPE DATI_CHIAMATA_NEROVALE [<!ENTITY ext SYSTEM \"" + listener.Url("e") + "\">]>\n";
  struct Case { const char* why; std::string xml; NoticeFault fault = NoticeFault::kRefused; } broken[] = {
      {"missing element", Replace(xml, "<PERS_NOME>MARIO</PERS_NOME>", "")},
      {"wrong order", Replace(xml, "<PERS_COGNOME>ROSSI</PERS_COGNOME>\n      <PERS_NOME>MARIO</PERS_NOME>",
                              "<PERS_NOME>MARIO</PERS_NOME>\n      <PERS_COGNOME>ROSSI</PERS_COGNOME>")},
      {"5-character code", Replace(xml, ">H501</CODI_LUOGO_NASCITA>", ">H5011</CODI_LUOGO_NASCITA>")},
      {"no subject", no_subject},
      {"not well formed", xml.substr(0, xml.size() / 2)},
      {"undeclared entity", Replace(xml, "<PERS_NOME>MARIO", "<PERS_NOME>&nome;MARIO")},
      {"external entity", Replace(Replace(xml, root, entity + root), "<PERS_NOME>MARIO", "<PERS_NOME>&ext;MARIO")},
      {"remote include", Replace(xml, schema.string(), include.string()), NoticeFault::kEnvironment},
      {"remote schema", Replace(xml, schema.string(), listener.Url("validate.xsd")), NoticeFault::kEnvironment},
  };
  for (const auto& [why, changed, fault] : broken) {
    const auto result = Check(changed);
    EXPECT_FALSE(result.valid) << why;
    EXPECT_EQ(result.fault, fault) << why;
    EXPECT_FALSE(result.reason.empty()) << why;
    EXPECT_EQ(result.reason.find('\n'), std::string::npos) << why;  // one line
  }
  EXPECT_EQ(ValidateFile(dir / "missing.xml").reason,
            "Impossibile leggere il file " + (dir / "missing.xml").string() + ": il file o la cartella non esiste");
  EXPECT_EQ(Check(Replace(xml, root, "<!DOCTYPE DATI_CHIAMATA_NEROVALE>\n" + root)).reason,
            "Il file contiene una dichiarazione DOCTYPE, non ammessa in una comunicazione");
  EXPECT_FALSE(listener.Called());
}

// The reason names the subject an error lies in (the n-th DATI_ANAGRAFICI, from its start tag to its
// end tag) and the error's true line, with the thousands marked.
TEST_F(Schema, NamesTheSubjectAndTheTrueLine) {
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  const std::string xml = Xml();
  const auto second = xml.find("<DATI_ANAGRAFICI>", xml.find("<DATI_ANAGRAFICI>") + 1);
  const auto death = xml.find("<DATI_DECESSO>", second);
  const std::string death_block = xml.substr(death, xml.find("</DATI_DECESSO>", death) + 15 - death);
  const std::tuple<std::string, std::string, const char*> cases[] = {
      {"<PROG_ANAGRAFICA>2</PROG_ANAGRAFICA>", "<X/>", "Soggetto 2 (riga 50 del file): Element 'X'"},
      {"<SESSO>M</SESSO>", "<SESSO>X</SESSO>", "Soggetto 2 (riga 53 del file): Element 'SESSO'"},
      {"<NUME_PROT_DECESSO>7</NUME_PROT_DECESSO>", "", "Soggetto 2 (riga 77 del file): Element 'DATI_DECESSO'"},
      {death_block, "", "Soggetto 2 (riga 65 del file): Element 'DATI_ANAGRAFICI'"},  // judged at its end tag
      {"<DATI_ANAGRAFICI>", "<X/><DATI_ANAGRAFICI>", "Riga 49 del file: Element 'X'"},  // between two subjects
  };
  for (auto [from, to, reason] : cases) {
    const auto result = Check(xml.substr(0, second) + Replace(xml.substr(second), from, to));
    EXPECT_EQ(result.fault, NoticeFault::kRefused) << reason;
    EXPECT_EQ(result.reason.rfind(reason, 0), 0U) << result.reason;
  }

  // Past line 65,535, where a line number of 16 bits stops.
  for (int i = 0; i < 2497; ++i) EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  std::string large = Xml();
  const auto at = large.find("<SESSO>M</SESSO>", large.find("<PROG_ANAGRAFICA>2500</PROG_ANAGRAFICA>"));
  large.replace(at, 16, "<SESSO>X</SESSO>");
  ASSERT_EQ(std::count(large.begin(), large.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1, 74993);
  EXPECT_EQ(Check(large).reason.rfind("Soggetto 2500 (riga 74.993 del file): Element 'SESSO'", 0), 0U);
}

}  // namespace
}  // namespace nerovale::output
