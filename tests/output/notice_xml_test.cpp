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

// The names of the children, each followed by its own children in brackets: "A(B C) D".
std::string Shape(const Element& e) {
  std::string shape;
  for (const auto& c : e.children)
    shape += (shape.empty() ? "" : " ") + c.name + (c.children.empty() ? "" : "(" + Shape(c) + ")");
  return shape;
}

// The texts of the elements without children, in order, each followed by "|".
std::string Texts(const Element& e) {
  std::string texts = e.children.empty() ? e.text + "|" : "";
  for (const auto& c : e.children) texts += Texts(c);
  return texts;
}

TEST(NoticeXml, TreeOfATwoSubjectNotice) {
  const Sender sender{"H501", "D'ÀVILA & <FIGLI>", "LUCIA"};  // read back unescaped
  const CommunicationHeader header{"0123", "30/11/2026"};
  SubjectTable table;
  EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  EXPECT_TRUE(table.Add(testing::ValidForeignRow()));
  const std::string xml = BuildNoticeXml({sender, header, table, "/app/ref/validate.xsd"});
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DATI_CHIAMATA_NEROVALE "
                      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                      "xsi:noNamespaceSchemaLocation=\"/app/ref/validate.xsd\">\n", 0), 0U);
  const Element root = Parse(xml);
  const std::string subject =
      "DATI_ANAGRAFICI(PROG_ANAGRAFICA PERS_COGNOME PERS_NOME SESSO CODI_LUOGO_NASCITA CODI_STATO_ESTERO_NAS "
      "DESC_COMUNE_ESTERO DATA_NASCITA(GIORNO MESE ANNO) CODI_FISCALE PERS_PATERNITA DATI_DECESSO(CODI_LUOGO_MORTE "
      "CODI_STATO_ESTERO_MORTE DESC_COMUNE_ESTERO_MORTE NUME_ATTO_MORTE DATA_MORTE(GIORNO MESE ANNO) "
      "CODI_LUOGO_ATTO_MORTE ANNO_PROT_DECESSO NUME_PROT_DECESSO))";
  EXPECT_EQ(Shape(root), "DATI_COMUNE(SEDE_COMUNE) DATI_REFERENTE(COGNOME_REFERENTE NOME_REFERENTE) "
                         "DATI_RICHIESTA(NUMERO_RICHIESTA DATA_RICHIESTA(GIORNO MESE ANNO)) ANAGRAFICHE(" +
                             subject + " " + subject + ")");
  // The number keeps its leading zero. Born in Italy: Z000, no foreign town, the birth date as it
  // stands in the cell. Born abroad: the year alone. The death's month keeps its zero.
  EXPECT_EQ(Texts(root), "H501|D'ÀVILA & <FIGLI>|LUCIA|0123|30|11|2026|"
                         "1|ROSSI|MARIO|M|H501|Z000||5|3|1950|RSSMRA50C05H501F||F205|Z000||12|10|01|2024|F205|2024|7|"
                         "2|ROSSI|MARIO|M||Z110|PARIGI|||1950|||F205|Z000||12|10|01|2024|F205|2024|7|");
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

TEST(NoticeXmlBytes, AsTheStoredNotice) {
  const std::string stored = testing::ReadFile(std::filesystem::path(NEROVALE_TEST_DATA_DIR) / "awkward_notice.xml");
  testing::TempDir dir;
  EXPECT_EQ(AwkwardNotice(), stored);
  EXPECT_EQ(AwkwardNotice(dir / "notice.xml"), stored);
  // A table without subjects: the one element without a child closes itself.
  const std::string empty = BuildNoticeXml({Sender{}, CommunicationHeader{}, SubjectTable{}, ""});
  EXPECT_NE(empty.find("\n  <ANAGRAFICHE/>\n</DATI_CHIAMATA_NEROVALE>\n"), std::string::npos);
}

}  // namespace
}  // namespace nerovale::output
