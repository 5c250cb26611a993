#include "validation/table_check.h"

#include <gtest/gtest.h>

#include "codicefiscale/codice_fiscale.h"
#include "notice_fixture.h"
#include "place_fixture.h"
#include "validation/sender_check.h"

namespace nerovale::validation {
namespace {

const dates::Date kToday = *dates::MakeDate(6, 12, 2026);

// Each row fails exactly the conditions named, no more: a case that fails for another reason
// than the one it tests would hide a fault.
TEST(TableCheck, EachRowFailsExactlyItsConditions) {
  testing::FixturePlaces places;
  using C = TableCondition;
  const std::tuple<const char*, void (*)(SubjectRow&), bool, std::vector<C>> cases[] = {
      {"valid Italian row", [](SubjectRow&) {}, false, {}},
      {"valid foreign row with a year", [](SubjectRow&) {}, true, {}},
      {"month/year is the first of the month; code checked against 1 March", [](SubjectRow& r) { r[kDataNascita] = "03/1950"; r[kCodiceFiscale] = "RSSMRA50C01Z110" + codicefiscale::CarattereControllo("RSSMRA50C01Z110"); }, true, {}},
      {"year form with a code", [](SubjectRow& r) { r[kCodiceFiscale] = "RSSMRA50C05H501F"; }, true, {C::kCodiceFiscaleConAnnoSolo}},
      {"death in the birth year", [](SubjectRow& r) { r[kDataDecesso] = "01/01/1950"; }, true, {}},
      {"death before the birth year", [](SubjectRow& r) { r[kDataDecesso] = "31/12/1949"; }, true, {C::kDecessoDopoNascita}},
      {"death equal to birth", [](SubjectRow& r) { r[kDataDecesso] = "05/03/1950"; }, false, {C::kDecessoDopoNascita}},
      {"death in the future passes", [](SubjectRow& r) { r[kDataDecesso] = "01/01/2030"; }, false, {}},
      {"birth today fails (strict)", [](SubjectRow& r) { r[kDataNascita] = "06/12/2026"; r[kDataDecesso] = "07/12/2026"; }, true, {C::kDataNascita}},
      {"birth yesterday passes", [](SubjectRow& r) { r[kDataNascita] = "05/12/2026"; r[kDataDecesso] = "07/12/2026"; }, true, {}},
      {"birth 1899 is no year form", [](SubjectRow& r) { r[kDataNascita] = "1899"; }, true, {C::kDataNascita}},
      {"birth year after this year", [](SubjectRow& r) { r[kDataNascita] = "2027"; }, true, {C::kDataNascita}},
      {"birth year of this century", [](SubjectRow& r) { r[kDataNascita] = "2001"; }, true, {}},
      {"empty protocol year", [](SubjectRow& r) { r[kAnnoProtocollo] = ""; }, false, {C::kAnnoProtocollo}},
      {"protocol year 20", [](SubjectRow& r) { r[kAnnoProtocollo] = "20"; }, false, {C::kAnnoProtocollo}},
      {"empty protocol number", [](SubjectRow& r) { r[kNumeroProtocollo] = ""; }, false, {C::kNumeroProtocollo}},
      {"nine-character protocol number passes", [](SubjectRow& r) { r[kNumeroProtocollo] = "123456789"; }, false, {}},
      {"ten-character protocol number", [](SubjectRow& r) { r[kNumeroProtocollo] = "1234567890"; }, false, {C::kNumeroProtocollo}},
      {"10-character code abroad", [](SubjectRow& r) { r[kDataNascita] = "05/03/1950"; r[kCodiceFiscale] = "RSSMRA50C0"; }, true, {C::kLunghezzaCodiceFiscale}},
      {"lower-case m", [](SubjectRow& r) { r[kSesso] = "m"; }, false, {C::kSesso}},
      {"hyphen in the surname passes", [](SubjectRow& r) { r[kCognome] = "ROSSI-BIANCHI"; }, true, {}},
      {"hyphen in the name fails", [](SubjectRow& r) { r[kNome] = "MARIA-LUISA"; }, true, {C::kNome}},
      {"father with a hyphen", [](SubjectRow& r) { r[kNomePadre] = "GIAN-LUCA"; }, true, {C::kNomePadre}},
      {"61-character foreign town of death", [](SubjectRow& r) { r[kNazioneDecesso] = "FRANCIA"; r[kCodNazioneDecesso] = "Z110"; r[kComuneDecesso] = ""; r[kCodComuneDecesso] = ""; r[kComuneEsteroDecesso] = std::string(61, 'A'); }, true, {C::kComuneEsteroDecesso}},
      {"surname with a leading blank is judged untrimmed", [](SubjectRow& r) { r[kCognome] = " ROSSI"; }, true, {}},
      {"Z000 without an Italian birth code", [](SubjectRow& r) { r[kCodComuneNascita] = ""; }, false, {C::kCodiceComuneNascita}},
      {"Italian birth code with a foreign country", [](SubjectRow& r) { r[kCodComuneNascita] = "H501"; }, true, {C::kComuneItalianoAllEstero, C::kNatoInItaliaConAnnoSolo, C::kCodiceFiscaleNatoInItalia}},
      {"foreign death country with a death code", [](SubjectRow& r) { r[kCodNazioneDecesso] = "Z110"; }, true, {C::kComuneItalianoDecessoAllEstero}},
      {"Italian death without its code", [](SubjectRow& r) { r[kCodComuneDecesso] = ""; }, true, {C::kComuneDecessoInItalia}},
      {"foreign town with Z000", [](SubjectRow& r) { r[kComuneEsteroNascita] = "PARIGI"; }, false, {C::kComuneItalianoAllEstero, C::kComuneEsteroInItalia}},
      {"born in Italy with a year", [](SubjectRow& r) { r[kDataNascita] = "1950"; r[kCodiceFiscale] = ""; }, false, {C::kNatoInItaliaConAnnoSolo, C::kCodiceFiscaleNatoInItalia}},
      {"born in Italy without a code", [](SubjectRow& r) { r[kCodiceFiscale] = ""; }, false, {C::kCodiceFiscaleNatoInItalia}},
      {"inconsistent code", [](SubjectRow& r) { r[kNome] = "LUIGI"; }, false, {C::kCodiceFiscaleCoerente}},
      {"death date as month/year", [](SubjectRow& r) { r[kDataDecesso] = "05/2020"; }, true, {C::kDataDecesso}},
      {"day and month swapped", [](SubjectRow& r) { r[kDataDecesso] = "5/13/2020"; }, true, {C::kDataDecesso}},
      {"3-character country code", [](SubjectRow& r) { r[kCodNazioneNascita] = "Z11"; }, true, {C::kCodiceNazioneNascita}},
      {"ten-character certificate", [](SubjectRow& r) { r[kAttoMorte] = "1234567890"; }, true, {C::kAttoMorte}},
  };
  for (const auto& [why, change, foreign, fails] : cases) {
    SubjectRow row = foreign ? testing::ValidForeignRow() : testing::ValidItalianRow();
    change(row);
    EXPECT_EQ(FailedConditions(row, kToday, places), fails) << why;
    EXPECT_EQ(SubjectRowPasses(row, kToday, places), fails.empty()) << why;
  }
}

// Every row of a table is judged, and the failed ones listed with their reasons, the code's last.
TEST(TableCheck, EveryRowIsJudgedAndListed) {
  testing::FixturePlaces places;
  SubjectTable table;
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(table.Add(testing::ValidItalianRow()));
  ASSERT_TRUE(table.SetCell(2, kDataDecesso, "xx/yy"));
  ASSERT_TRUE(table.SetCell(5, kDataNascita, "31/02/1950"));
  ASSERT_TRUE(table.SetCell(6, kDataDecesso, ""));
  EXPECT_EQ(ValidateSubjectTable(table, kToday, places), (std::vector<int>{2, 5, 6}));
  auto reasons = CheckSubjectTable(table, kToday, places);
  ASSERT_EQ(reasons.size(), 3U);
  EXPECT_EQ(FailedRowReasons(reasons[1]), "Data di nascita nulla o non valida");  // the code is judged last, alone
  reasons[0].conditions.push_back(TableCondition::kSesso);
  EXPECT_EQ(FailedRowReasons(reasons[0]), "Data Decesso nulla o non valida; Sesso non specificato o diverso da M e F");
  EXPECT_EQ(ReportFailedRows({2, 5}), "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 2 , 5");
  EXPECT_EQ(ReportFailedRows({3}), "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 3");

  // Given the notice date, a death after it fails with its own condition, the same day passes; the
  // rows that the entry form checked are judged on that condition alone.
  ASSERT_TRUE(table.SetCell(1, kDataDecesso, "10/1/2024"));
  ASSERT_TRUE(table.SetCell(3, kDataDecesso, "11/01/2024"));
  const auto notice = dates::MakeDate(10, 1, 2024);
  reasons = CheckSubjectTable(table, kToday, places, notice);
  ASSERT_EQ(reasons.size(), 4U);
  EXPECT_EQ(reasons[1].row, 3);
  EXPECT_EQ(FailedRowReasons(reasons[1]), "La Data Decesso del Soggetto non può essere successiva alla Data della Comunicazione");
  const auto after = DeathsAfterNotice(table, *notice);
  ASSERT_EQ(after.size(), 1U);
  EXPECT_EQ(after[0].row, 3);
  EXPECT_EQ(after[0].conditions, std::vector{TableCondition::kDecessoDopoComunicazione});
}

// The notice's number of up to nine digits, its date a whole day, and at least one subject.
TEST(HeaderCheck, RulesAndWarning) {
  const auto all = ValidateCommunicationHeader("", "", 0);
  EXPECT_EQ(all.warning,
            "ATTENZIONE! Sono stati riscontrati i seguenti errori:\r\n"
            "\r\n- Numero comunicazione non immesso o non valido"
            "\r\n- Data comunicazione non immessa o non valida"
            "\r\n- Nessun Soggetto inserito");
  EXPECT_TRUE(ValidateCommunicationHeader("123", "30/11/2026", 1).ok());
  EXPECT_TRUE(ValidateCommunicationHeader("123456789", "29/02/2024", 1).ok());
  EXPECT_FALSE(ValidateCommunicationHeader("1234567890", "30/11/2026", 1).ok());  // ten characters
  // No such date, month 13, the untouched box, a month and year (one whose year reads as a month),
  // year 0000, a two-digit year.
  for (const char* data : {"31/02/2026", "12/13/2026", "__/__/____", "11/2026", "03/0012", "01/01/0000", "30/11/26"}) {
    EXPECT_FALSE(ValidateCommunicationHeader("1", data, 1).ok()) << data;
  }
  // Given today, a notice date after it is refused with its own line; today itself passes.
  EXPECT_TRUE(ValidateCommunicationHeader("1", "30/11/2026", 1, dates::MakeDate(30, 11, 2026)).ok());
  EXPECT_EQ(ValidateCommunicationHeader("1", "1/12/2026", 1, dates::MakeDate(30, 11, 2026)).warning,
            "ATTENZIONE! Sono stati riscontrati i seguenti errori:\r\n\r\n- Data comunicazione successiva alla data odierna");
}

// The sender, checked before a notice as its header: a code of the table and both names of the contact.
TEST(SenderCheck, ACodeOfTheTableAndBothNames) {
  EXPECT_TRUE(SenderFaults("H501", "ROMA", "BIANCHI", "LUCIA").empty());
  EXPECT_EQ(SenderFaults("", "", "BIANCHI", "LUCIA"), std::vector<std::string>{"- Comune non configurato"});
  EXPECT_EQ(SenderFaults("Z999", "", "", "LUCIA"),
            (std::vector<std::string>{"- Comune con codice \"Z999\" non presente nella tabella dei comuni",
                                      "- Cognome del Referente non inserito"}));
  EXPECT_EQ(SenderFaults("H501", "ROMA", "BIANCHI", ""),
            std::vector<std::string>{"- Nome del Referente non inserito"});
  EXPECT_TRUE(SenderFaults("H501", "ROMA", std::string(72, 'A'), "LUCIA").empty());
  EXPECT_EQ(SenderFaults("H501", "ROMA", std::string(73, 'A'), "LUCIA"),
            std::vector<std::string>{"- Cognome del Referente più lungo di 72 caratteri"});
  EXPECT_EQ(SenderFaultText({"- Comune non configurato"}, "Rimedio."),
            "I dati del Comune e del Referente non sono completi:\r\n- Comune non configurato\r\nRimedio.");
}

}  // namespace
}  // namespace nerovale::validation
