#include "output/schema_validation.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "notice_fixture.h"
#include "output/notice_xml.h"
#include "temp_dir.h"

namespace nerovale::output {
namespace {

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

class Schema : public ::testing::Test {
 protected:
  testing::TempDir dir;
  SubjectTable table;
  std::filesystem::path schema = std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / "validate.xsd";

  std::string Xml() { return BuildNoticeXml({{"H501", "BIANCHI", "LUCIA"}, {"123", "30/11/2026"}, table, schema}); }
  ValidationResult Check(const std::string& xml) { return ValidateFile(dir.Write("notice.xml", xml)); }
  static std::string Replace(std::string xml, const std::string& from, const std::string& to) {
    const auto at = xml.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? xml : xml.replace(at, from.size(), to);
  }
};

// Broken notices are refused with a reason of one line, and nothing is fetched from the network:
// not a remote schema, nor one that a local schema includes, nor an external entity.
TEST_F(Schema, AcceptsValidNoticesAndRejectsBrokenOnesWithoutTheNetwork) {
  SilentListener listener;
  const std::string no_subject = Xml();
  SubjectRow month_year = testing::ValidForeignRow();
  month_year[kDataNascita] = "03/1931";
  for (const auto& row : {testing::ValidItalianRow(), month_year, testing::ValidForeignRow()})
    EXPECT_TRUE(table.Add(row));
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
      {"SESSO X", Replace(xml, "<SESSO>M</SESSO>", "<SESSO>X</SESSO>")},
      {"5-character code", Replace(xml, ">H501</CODI_LUOGO_NASCITA>", ">H5011</CODI_LUOGO_NASCITA>")},
      {"no subject", no_subject},
      {"lower-case codice fiscale", Replace(xml, "RSSMRA50C05H501F", "rssmra50c05h501f")},
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
