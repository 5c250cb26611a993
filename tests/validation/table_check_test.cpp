#include "validation/table_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "codicefiscale/codice_fiscale.h"
#include "notice_fixture.h"
#include "place_fixture.h"

namespace nerovale::validation {
namespace {

const dates::Date kToday = *dates::MakeDate(6, 12, 2026);

SubjectRow ImportedItalian() { return testing::ValidItalianRow(); }

SubjectRow ImportedForeign() {
  SubjectRow r = ImportedItalian();
  r[kDataNascita] = "1950", r[kComuneNascita] = "", r[kCodComuneNascita] = "", r[kComuneEsteroNascita] = "PARIGI";
  r[kNazioneNascita] = "FRANCIA", r[kCodNazioneNascita] = "Z110", r[kCodiceFiscale] = "";
  r[kDataDecesso] = "12/05/2020";
  return r;
}

class TableCheck : public ::testing::Test {
 protected:
  testing::FixturePlaces places;
  bool Passes(const SubjectRow& row) { return SubjectRowPasses(row, kToday, places); }
};

TEST_F(TableCheck, RowsThatPassAndRowsThatFail) {
  struct Case {
    const char* why;
    std::function<void(SubjectRow&)> change;
    bool foreign;
    bool passes;
  } cases[] = {
      {"valid Italian row", [](SubjectRow&) {}, false, true},
      {"valid foreign row with a year", [](SubjectRow&) {}, true, true},
      {"month/year is the first of the month; code checked against 1 March", [](SubjectRow& r) { r[kDataNascita] = "03/1950"; r[kCodiceFiscale] = "RSSMRA50C01Z110" + codicefiscale::CarattereControllo("RSSMRA50C01Z110"); }, true, true},
      {"year form with a code (16)", [](SubjectRow& r) { r[kCodiceFiscale] = "RSSMRA50C05H501F"; }, true, false},
      {"death in the birth year", [](SubjectRow& r) { r[kDataDecesso] = "01/01/1950"; }, true, true},
      {"death before the birth year", [](SubjectRow& r) { r[kDataDecesso] = "31/12/1949"; }, true, false},
      {"death equal to birth", [](SubjectRow& r) { r[kDataDecesso] = "05/03/1950"; }, false, false},
      {"death in the future passes", [](SubjectRow& r) { r[kDataDecesso] = "01/01/2030"; }, false, true},
      {"birth today fails (strict)", [](SubjectRow& r) { r[kDataNascita] = "06/12/2026"; r[kCodiceFiscale] = ""; }, true, false},
      {"birth 1899 is no year form", [](SubjectRow& r) { r[kDataNascita] = "1899"; }, true, false},
      {"birth year after this year", [](SubjectRow& r) { r[kDataNascita] = "2027"; }, true, false},
      {"empty protocol year", [](SubjectRow& r) { r[kAnnoProtocollo] = ""; }, false, false},
      {"protocol year 20", [](SubjectRow& r) { r[kAnnoProtocollo] = "20"; }, false, false},
      {"empty protocol number", [](SubjectRow& r) { r[kNumeroProtocollo] = ""; }, false, false},
      {"10-character code abroad (13)", [](SubjectRow& r) { r[kDataNascita] = "05/03/1950"; r[kCodiceFiscale] = "RSSMRA50C0"; }, true, false},
      {"lower-case m", [](SubjectRow& r) { r[kSesso] = "m"; }, false, false},
      {"hyphen in the surname passes", [](SubjectRow& r) { r[kCognome] = "ROSSI-BIANCHI"; }, true, true},
      {"hyphen in the name fails", [](SubjectRow& r) { r[kNome] = "MARIA-LUISA"; }, true, false},
      {"Ò passes", [](SubjectRow& r) { r[kNome] = "NICOLÒ"; }, true, true},
      {"ò fails", [](SubjectRow& r) { r[kNome] = "NICOLò"; }, true, false},
      {"surname with a leading blank is judged untrimmed", [](SubjectRow& r) { r[kCognome] = " ROSSI"; }, true, true},
      {"Z000 without an Italian birth code (22)", [](SubjectRow& r) { r[kCodComuneNascita] = ""; }, false, false},
      {"Italian birth code with a foreign country (17)", [](SubjectRow& r) { r[kCodComuneNascita] = "H501"; }, true, false},
      {"foreign death country with a death code (21)", [](SubjectRow& r) { r[kCodNazioneDecesso] = "Z110"; }, true, false},
      {"Italian death without its code (20)", [](SubjectRow& r) { r[kCodComuneDecesso] = ""; }, true, false},
      {"foreign town with Z000 (19)", [](SubjectRow& r) { r[kComuneEsteroNascita] = "PARIGI"; }, false, false},
      {"born in Italy with a year (18)", [](SubjectRow& r) { r[kDataNascita] = "1950"; r[kCodiceFiscale] = ""; }, false, false},
      {"born in Italy without a code (23)", [](SubjectRow& r) { r[kCodiceFiscale] = ""; }, false, false},
      {"inconsistent code (24)", [](SubjectRow& r) { r[kNome] = "LUIGI"; }, false, false},
      {"death date as month/year", [](SubjectRow& r) { r[kDataDecesso] = "05/2020"; }, true, false},
      {"day and month swapped", [](SubjectRow& r) { r[kDataDecesso] = "5/13/2020"; }, true, false},
      {"3-character country code", [](SubjectRow& r) { r[kCodNazioneNascita] = "Z11"; }, true, false},
      {"ten-character certificate", [](SubjectRow& r) { r[kAttoMorte] = "1234567890"; }, true, false},
  };
  for (const auto& c : cases) {
    SubjectRow row = c.foreign ? ImportedForeign() : ImportedItalian();
    c.change(row);
    EXPECT_EQ(Passes(row), c.passes) << c.why;
  }
}

TEST_F(TableCheck, EveryRowIsJudgedAndListed) {
  SubjectTable table;
  for (int i = 0; i < 6; ++i) table.Add(ImportedItalian());
  table.SetCell(2, kDataDecesso, "xx/yy");
  table.SetCell(5, kDataNascita, "31/02/1950");
  table.SetCell(6, kDataDecesso, "");
  const auto failed = ValidateSubjectTable(table, kToday, places);
  EXPECT_EQ(failed, (std::vector<int>{2, 5, 6}));
  EXPECT_EQ(ReportFailedRows({2, 5}), "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 2 , 5");
  EXPECT_EQ(ReportFailedRows({3}), "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 3");
}

TEST(HeaderCheck, RulesAndWarning) {
  const auto all = ValidateCommunicationHeader("", "", 0);
  EXPECT_EQ(all.warning,
            "ATTENZIONE! Sono stati riscontrati i seguenti errori:\r\n"
            "\r\n- Numero comunicazione non immesso o non valido"
            "\r\n- Data comunicazione non immessa o non valida"
            "\r\n- Nessun Soggetto inserito");
  EXPECT_TRUE(ValidateCommunicationHeader("123", "30/11/2026", 1).ok());
  EXPECT_TRUE(ValidateCommunicationHeader("123456789", "29/02/2024", 1).ok());
  struct Case {
    const char* numero;
    const char* data;
    const char* why;
  } failing[] = {
      {"1234567890", "30/11/2026", "ten characters"},
      {"1", "31/02/2026", "no such date"},
      {"1", "12/13/2026", "month 13"},
      {"1", "__/__/____", "untouched box"},
      {"1", "11/2026", "month/year"},
      {"1", "03/0012", "month/year whose year reads as a month"},
      {"1", "01/01/0000", "year 0000"},
      {"1", "30/11/26", "two-digit year"},
  };
  for (const auto& c : failing) EXPECT_FALSE(ValidateCommunicationHeader(c.numero, c.data, 1).ok()) << c.why;
}

}  // namespace
}  // namespace nerovale::validation
