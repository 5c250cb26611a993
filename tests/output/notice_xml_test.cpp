#include "output/notice_xml.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <vector>

#include "notice_fixture.h"
#include "temp_dir.h"

namespace nerovale::output {
namespace {

struct Element {
  std::string name, text;
  std::vector<Element> children;
  const Element& operator[](std::size_t i) const { return children.at(i); }
};

Element Read(xmlNode* node) {
  Element e{reinterpret_cast<const char*>(node->name), {}, {}};
  for (xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) e.children.push_back(Read(child));
    if (child->type == XML_TEXT_NODE) e.text += reinterpret_cast<const char*>(child->content);
  }
  return e;
}

Element Parse(const std::string& xml) {
  std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
      xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, "UTF-8", XML_PARSE_NOBLANKS), xmlFreeDoc);
  EXPECT_NE(doc, nullptr);
  return Read(xmlDocGetRootElement(doc.get()));
}

std::vector<std::string> Names(const Element& e) {
  std::vector<std::string> names;
  for (const auto& c : e.children) names.push_back(c.name);
  return names;
}

class NoticeXml : public ::testing::Test {
 protected:
  Sender sender{"H501", "BIANCHI", "LUCIA"};
  CommunicationHeader header{"0123", "30/11/2026"};
  SubjectTable table;
  std::string Build() { return BuildNoticeXml({sender, header, table, "/app/ref/validate.xsd"}); }
};

TEST_F(NoticeXml, TreeOfATwoSubjectNotice) {
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  EXPECT_TRUE(table.Add(testing::ValidForeignRow()));
  const std::string xml = Build();
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0U);
  EXPECT_NE(xml.find("<DATI_CHIAMATA_NEROVALE xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                     "xsi:noNamespaceSchemaLocation=\"/app/ref/validate.xsd\">"),
            std::string::npos);
  const Element root = Parse(xml);
  EXPECT_EQ(Names(root), (std::vector<std::string>{"DATI_COMUNE", "DATI_REFERENTE", "DATI_RICHIESTA", "ANAGRAFICHE"}));
  EXPECT_EQ(root[0][0].text, "H501");
  EXPECT_EQ(root[2][0].text, "0123");  // leading zeros kept
  EXPECT_EQ(root[2][1][0].text, "30");
  EXPECT_EQ(root[2][1][2].text, "2026");
  const Element& subjects = root[3];
  ASSERT_EQ(subjects.children.size(), 2U);
  for (std::size_t i = 0; i < 2; ++i) {
    const Element& s = subjects[i];
    EXPECT_EQ(s[0].text, std::to_string(i + 1));
    EXPECT_EQ(Names(s), (std::vector<std::string>{"PROG_ANAGRAFICA", "PERS_COGNOME", "PERS_NOME", "SESSO",
                                                  "CODI_LUOGO_NASCITA", "CODI_STATO_ESTERO_NAS", "DESC_COMUNE_ESTERO",
                                                  "DATA_NASCITA", "CODI_FISCALE", "PERS_PATERNITA", "DATI_DECESSO"}));
    EXPECT_EQ(Names(s[10]), (std::vector<std::string>{"CODI_LUOGO_MORTE", "CODI_STATO_ESTERO_MORTE",
                                                      "DESC_COMUNE_ESTERO_MORTE", "NUME_ATTO_MORTE", "DATA_MORTE",
                                                      "CODI_LUOGO_ATTO_MORTE", "ANNO_PROT_DECESSO", "NUME_PROT_DECESSO"}));
  }
  // Born in Italy: an empty foreign town, Z000; the birth date as it stands in the cell.
  EXPECT_EQ(subjects[0][6].text, "");
  EXPECT_EQ(subjects[0][5].text, "Z000");
  EXPECT_EQ(subjects[0][7][0].text, "5");
  EXPECT_EQ(subjects[0][7][1].text, "3");
  // Born abroad with the year alone.
  EXPECT_EQ(subjects[1][7][0].text, "");
  EXPECT_EQ(subjects[1][7][1].text, "");
  EXPECT_EQ(subjects[1][7][2].text, "1950");
  EXPECT_EQ(subjects[1][10][4][1].text, "01");
}

TEST_F(NoticeXml, MonthYearBirthEscapingAndAccents) {
  SubjectRow row = testing::ValidForeignRow();
  row[kDataNascita] = "03/1931";
  row[kCognome] = "D'ÀVILA & <FIGLI>";
  row[kComuneEsteroNascita] = "SÃO PAULO";
  EXPECT_TRUE(table.Add(row));
  const std::string xml = Build();
  EXPECT_NE(xml.find("<PERS_COGNOME>D'ÀVILA &amp; &lt;FIGLI&gt;</PERS_COGNOME>"), std::string::npos);
  EXPECT_NE(xml.find("S\xC3\x83O PAULO"), std::string::npos);
  const Element subject = Parse(xml)[3][0];
  EXPECT_EQ(subject[1].text, "D'ÀVILA & <FIGLI>");
  EXPECT_EQ(subject[7][0].text, "");
  EXPECT_EQ(subject[7][1].text, "03");
  EXPECT_EQ(subject[7][2].text, "1931");
}

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
  row[kCognome] = ascii;
  row[kNome] = "NICOLÒ € 𝄞";
  row[kNomePadre] = "a\r\nb\tc";
  EXPECT_TRUE(table.Add(row));
  row = testing::ValidForeignRow();
  row[kDataNascita] = "03/1931";
  row[kComuneEsteroNascita] = "SÃO PAULO";
  row[kAnnoProtocollo] = row[kNumeroProtocollo] = "";
  EXPECT_TRUE(table.Add(row));
  row[kDataNascita] = "1950";
  row[kDataDecesso] = "1/2/2024/9";
  EXPECT_TRUE(table.Add(row));
  row[kDataNascita] = "12345";
  row[kDataDecesso] = "";
  EXPECT_TRUE(table.Add(row));
  EXPECT_TRUE(table.Add(SubjectRow{}));
  const Notice notice{sender, header, table, "/srv/Città & \"figli\" <1>\t\n/ref/validate.xsd"};
  if (file.empty()) return BuildNoticeXml(notice);
  EXPECT_TRUE(SaveNoticeXml(notice, file));
  return testing::ReadFile(file);
}

TEST(NoticeXmlBytes, AsTheStoredNotice) {
  const std::string stored = testing::ReadFile(std::filesystem::path(NEROVALE_TEST_DATA_DIR) / "awkward_notice.xml");
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(AwkwardNotice(), stored);
  testing::TempDir dir;
  EXPECT_EQ(AwkwardNotice(dir / "notice.xml"), stored);
  // A table without subjects: the one element without a child closes itself.
  const Sender nobody;
  const CommunicationHeader none;
  EXPECT_NE(BuildNoticeXml({nobody, none, SubjectTable{}, ""}).find("\n  <ANAGRAFICHE/>\n</DATI_CHIAMATA_NEROVALE>\n"),
            std::string::npos);
}

}  // namespace
}  // namespace nerovale::output
