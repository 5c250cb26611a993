#include "output/schema_validation.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "notice_fixture.h"
#include "output/notice_xml.h"
#include "temp_dir.h"

namespace nerovale::output {
namespace {

using testing::TempDir;

// A TCP listener on the loopback that must never be called.
class SilentListener {
 public:
  SilentListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 4);
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    ::fcntl(fd_, F_SETFL, O_NONBLOCK);
  }
  ~SilentListener() { ::close(fd_); }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + "/" + path; }
  bool Called() const {
    const int client = ::accept(fd_, nullptr, nullptr);
    if (client >= 0) ::close(client);
    return client >= 0;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class Schema : public ::testing::Test {
 protected:
  TempDir dir;
  Sender sender{"H501", "BIANCHI", "LUCIA"};
  CommunicationHeader header{"123", "30/11/2026"};
  SubjectTable table;
  std::filesystem::path schema = std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / "validate.xsd";

  std::string Xml() { return BuildNoticeXml({sender, header, table, schema}); }
  ValidationResult Check(const std::string& xml) { return ValidateFile(dir.Write("notice.xml", xml)); }
  static std::string Replace(std::string xml, const std::string& from, const std::string& to) {
    const auto at = xml.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? xml : xml.replace(at, from.size(), to);
  }
};

TEST_F(Schema, AcceptsValidNoticesAndRejectsBrokenOnes) {
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  SubjectRow month_year = testing::ValidForeignRow();
  month_year[kDataNascita] = "03/1931";
  EXPECT_TRUE(table.Add(month_year));
  EXPECT_TRUE(table.Add(testing::ValidForeignRow()));
  const std::string xml = Xml();
  const auto valid = Check(xml);
  ASSERT_TRUE(valid.valid) << valid.reason;

  struct Case {
    const char* why;
    std::string xml;
  } broken[] = {
      {"missing element", Replace(xml, "<PERS_NOME>MARIO</PERS_NOME>", "")},
      {"wrong order", Replace(xml, "<PERS_COGNOME>ROSSI</PERS_COGNOME>\n      <PERS_NOME>MARIO</PERS_NOME>",
                              "<PERS_NOME>MARIO</PERS_NOME>\n      <PERS_COGNOME>ROSSI</PERS_COGNOME>")},
      {"SESSO X", Replace(xml, "<SESSO>M</SESSO>", "<SESSO>X</SESSO>")},
      {"5-character code", Replace(xml, "<CODI_LUOGO_NASCITA>H501</CODI_LUOGO_NASCITA>",
                                   "<CODI_LUOGO_NASCITA>H5011</CODI_LUOGO_NASCITA>")},
      {"no subject", BuildNoticeXml({sender, header, SubjectTable{}, schema})},
      {"lower-case codice fiscale", Replace(xml, "RSSMRA50C05H501F", "rssmra50c05h501f")},
      {"not well formed", xml.substr(0, xml.size() / 2)},
      {"undeclared entity", Replace(xml, "<PERS_NOME>MARIO", "<PERS_NOME>&nome;MARIO")},
  };
  for (const auto& c : broken) {
    const auto result = Check(c.xml);
    EXPECT_FALSE(result.valid) << c.why;
    EXPECT_EQ(result.fault, NoticeFault::kRefused) << c.why;
    EXPECT_FALSE(result.reason.empty()) << c.why;
    EXPECT_EQ(result.reason.find('\n'), std::string::npos) << c.why;
  }
  EXPECT_EQ(ValidateFile(dir / "missing.xml").reason,
            "Impossibile leggere il file " + (dir / "missing.xml").string() + ": il file o la cartella non esiste");
  const std::string doctype = "<!DOCTYPE DATI_CHIAMATA_NEROVALE>\n<DATI_CHIAMATA_NEROVALE";
  EXPECT_EQ(Check(Replace(xml, "<DATI_CHIAMATA_NEROVALE", doctype)).reason,
            "Il file contiene una dichiarazione DOCTYPE, non ammessa in una comunicazione");
}

// The reason names the subject an error lies in (the n-th DATI_ANAGRAFICI, from its start tag to its
// end tag) and the error's true line, with the thousands marked.
TEST_F(Schema, NamesTheSubjectAndTheTrueLine) {
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  const std::string xml = Xml();
  const auto second = xml.find("<DATI_ANAGRAFICI>", xml.find("<DATI_ANAGRAFICI>") + 1);
  const auto death = xml.find("<DATI_DECESSO>", second);
  const std::string death_block = xml.substr(death, xml.find("</DATI_DECESSO>", death) + 15 - death);
  struct Case {
    std::string from;
    std::string to;
    const char* reason;
  } cases[] = {
      {"<PROG_ANAGRAFICA>2</PROG_ANAGRAFICA>", "<X/>", "Soggetto 2 (riga 50 del file): Element 'X'"},
      {"<SESSO>M</SESSO>", "<SESSO>X</SESSO>", "Soggetto 2 (riga 53 del file): Element 'SESSO'"},
      {"<NUME_PROT_DECESSO>7</NUME_PROT_DECESSO>", "", "Soggetto 2 (riga 77 del file): Element 'DATI_DECESSO'"},
      // Judged at the subject's end tag.
      {death_block, "", "Soggetto 2 (riga 65 del file): Element 'DATI_ANAGRAFICI'"},
      {"<DATI_ANAGRAFICI>", "<X/><DATI_ANAGRAFICI>", "Riga 49 del file: Element 'X'"},  // between two subjects
  };
  for (const auto& c : cases) {
    std::string changed = xml;
    changed.replace(changed.find(c.from, second), c.from.size(), c.to);
    const auto result = Check(changed);
    EXPECT_EQ(result.fault, NoticeFault::kRefused) << c.reason;
    EXPECT_EQ(result.reason.rfind(c.reason, 0), 0U) << result.reason;
  }

  // Past line 65,535, where a line number of 16 bits stops.
  for (int i = 0; i < 2497; ++i) EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  std::string large = Xml();
  const auto at = large.find("<SESSO>M</SESSO>", large.find("<PROG_ANAGRAFICA>2500</PROG_ANAGRAFICA>"));
  large.replace(at, 16, "<SESSO>X</SESSO>");
  ASSERT_EQ(std::count(large.begin(), large.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1, 74993);
  EXPECT_EQ(Check(large).reason.rfind("Soggetto 2500 (riga 74.993 del file): Element 'SESSO'", 0), 0U);
}

TEST_F(Schema, NeverTouchesTheNetwork) {
  SilentListener listener;
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  const std::string xml = Xml();

  // A schema that includes a remote one.
  const auto remote_include = dir.Write("include.xsd",
                                        "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
                                        "<xs:include schemaLocation=\"" + listener.Url("other.xsd") + "\"/></xs:schema>");
  EXPECT_FALSE(Check(Replace(xml, schema.string(), remote_include.string())).valid);
  // A remote schema location.
  EXPECT_FALSE(Check(Replace(xml, schema.string(), listener.Url("validate.xsd"))).valid);
  // An external entity.
  const std::string with_entity = Replace(xml, "<DATI_CHIAMATA_NEROVALE",
                                          "<!DOCTYPE DATI_CHIAMATA_NEROVALE [<!ENTITY ext SYSTEM \"" +
                                              listener.Url("entity") + "\">]>\n<DATI_CHIAMATA_NEROVALE");
  const auto entity = Check(Replace(with_entity, "<PERS_NOME>MARIO", "<PERS_NOME>&ext;MARIO"));
  EXPECT_FALSE(entity.valid);
  EXPECT_FALSE(entity.reason.empty());
  EXPECT_FALSE(listener.Called());
}

}  // namespace
}  // namespace nerovale::output
