#include "validation/subject_entry.h"

#include <gtest/gtest.h>

#include <functional>

#include "place_fixture.h"

namespace nerovale::validation {
namespace {

const dates::Date kToday = *dates::MakeDate(6, 12, 2026);

SubjectEntry BornInItaly() {
  SubjectEntry e;
  e.cognome = "ROSSI";
  e.nome = "MARIO";
  e.sesso = "M";
  e.giorno = "05", e.mese = "03", e.anno = "1950";
  e.comune_nascita = "ROMA", e.cod_comune_nascita = "H501";
  e.nazione_nascita = "ITALIA", e.cod_nazione_nascita = "Z000";
  e.codice_fiscale = "RSSMRA50C05H501F";
  e.data_decesso = "10/01/2024";
  e.nazione_decesso = "ITALIA", e.cod_nazione_decesso = "Z000";
  e.comune_decesso = "MILANO", e.cod_comune_decesso = "F205";
  e.atto_morte = "12/A";
  e.comune_atto = "MILANO", e.cod_comune_atto = "F205";
  return e;
}

SubjectEntry BornAbroadYearOnly() {
  SubjectEntry e = BornInItaly();
  e.giorno = e.mese = "";
  e.comune_nascita = e.cod_comune_nascita = "";
  e.comune_estero_nascita = "PARIGI";
  e.nazione_nascita = "FRANCIA", e.cod_nazione_nascita = "Z110";
  e.codice_fiscale = "";
  return e;
}

SubjectEntry BornAbroadMonthYear() {
  SubjectEntry e = BornAbroadYearOnly();
  e.mese = "3";
  return e;
}

class Validation : public ::testing::Test {
 protected:
  testing::FixturePlaces places;
  EntryOutcome Validate(const SubjectEntry& e) { return ValidateSubjectEntry(e, kToday, places); }
  std::vector<int> Rules(const SubjectEntry& e) {
    std::vector<int> rules;
    for (const auto& f : Validate(e).failures) rules.push_back(f.rule);
    return rules;
  }
};

TEST_F(Validation, ValidSubjectsAreAcceptedInTheirThreeBirthForms) {
  const auto italy = Validate(BornInItaly());
  ASSERT_TRUE(italy.accepted);
  EXPECT_EQ(italy.row[kDataNascita], "5/3/1950");
  EXPECT_EQ(italy.row[kCodComuneNascita], "H501");
  EXPECT_EQ(italy.row[kAttoMorte], "12/A");

  const auto year = Validate(BornAbroadYearOnly());
  ASSERT_TRUE(year.accepted);
  EXPECT_EQ(year.row[kDataNascita], "1950");
  EXPECT_EQ(year.row[kComuneEsteroNascita], "PARIGI");
  EXPECT_EQ(year.row[kComuneNascita], "");

  const auto month = Validate(BornAbroadMonthYear());
  ASSERT_TRUE(month.accepted);
  EXPECT_EQ(month.row[kDataNascita], "03/1950");
}

struct OneRule {
  const char* why;
  std::function<SubjectEntry()> make;
  int rule;
};

TEST_F(Validation, EachVariationFailsExactlyItsRule) {
  const auto from = [](SubjectEntry (*base)()) {
    return [base](auto change) { return [base, change] { SubjectEntry e = base(); change(e); return e; }; };
  };
  const auto italy = from(BornInItaly);
  const auto abroad = from(BornAbroadYearOnly);
  const auto monthly = from(BornAbroadMonthYear);
  const OneRule cases[] = {
      {"digit in surname", abroad([](SubjectEntry& e) { e.cognome = "ROSS1"; }), 1},
      {"73-character surname", abroad([](SubjectEntry& e) { e.cognome = std::string(73, 'A'); }), 1},
      {"hyphen in the name", abroad([](SubjectEntry& e) { e.nome = "ANNA-MARIA"; }), 2},
      {"lower-case ò (242) in the name", abroad([](SubjectEntry& e) { e.nome = "NICOLò"; }), 2},
      {"no sex", abroad([](SubjectEntry& e) { e.sesso = ""; }), 3},
      {"15-character code for a subject born in Italy", italy([](SubjectEntry& e) { e.codice_fiscale = "RSSMRA50C05H501"; }), 4},
      {"code of another day", italy([](SubjectEntry& e) { e.codice_fiscale = "RSSMRA50C06H501G"; }), 4},
      {"code with a year-only birth date", abroad([](SubjectEntry& e) { e.codice_fiscale = "X"; }), 5},
      {"three-digit year", abroad([](SubjectEntry& e) { e.anno = "195"; }), 6},
      {"day without a year", abroad([](SubjectEntry& e) { e.anno = ""; e.giorno = "5"; e.mese = "3"; }), 6},
      {"hyphenated father's name", abroad([](SubjectEntry& e) { e.nome_padre = "GIAN-LUCA"; }), 7},
      {"day without a month abroad", abroad([](SubjectEntry& e) { e.giorno = "5"; }), 8},
      {"month/year born abroad, 31 April", monthly([](SubjectEntry& e) { e.giorno = "31"; e.mese = "4"; }), 8},
      {"month 13 of a month and year", monthly([](SubjectEntry& e) { e.mese = "13"; }), 8},
      {"month 00 of a month and year", monthly([](SubjectEntry& e) { e.mese = "00"; }), 8},
      {"year 0000 alone", abroad([](SubjectEntry& e) { e.anno = "0000"; }), 6},
      {"month and year still to come", monthly([](SubjectEntry& e) { e.mese = "1"; e.anno = "2027"; e.data_decesso = "01/12/2026"; }), 14},
      {"death before the month of birth", monthly([](SubjectEntry& e) { e.data_decesso = "28/02/1950"; }), 13},
      {"no municipality for a subject born in Italy", italy([](SubjectEntry& e) { e.cod_comune_nascita = ""; }), 9},
      {"61-character foreign town", abroad([](SubjectEntry& e) { e.comune_estero_nascita = std::string(61, 'A'); }), 9},
      {"no birth country code", abroad([](SubjectEntry& e) { e.cod_nazione_nascita = ""; }), 10},
      {"municipality code abroad", abroad([](SubjectEntry& e) { e.cod_comune_nascita = "H501"; }), 11},
      {"untouched death date box", abroad([](SubjectEntry& e) { e.data_decesso = "__/__/____"; }), 12},
      {"death date 31/02", abroad([](SubjectEntry& e) { e.data_decesso = "31/02/2024"; }), 12},
      {"death on the birth day", italy([](SubjectEntry& e) { e.data_decesso = "05/03/1950"; }), 13},
      {"death year before the birth year", abroad([](SubjectEntry& e) { e.data_decesso = "31/12/1949"; }), 13},
      {"birth year in the future", abroad([](SubjectEntry& e) { e.anno = "2027"; }), 14},
      {"death tomorrow", abroad([](SubjectEntry& e) { e.data_decesso = "07/12/2026"; }), 15},
      {"no death country code", abroad([](SubjectEntry& e) { e.cod_nazione_decesso = ""; }), 16},
      {"no death municipality in Italy", abroad([](SubjectEntry& e) { e.cod_comune_decesso = ""; }), 17},
      {"digit in the foreign death town", abroad([](SubjectEntry& e) { e.comune_estero_decesso = "PARIS 1"; e.nazione_decesso = "FRANCIA"; e.cod_nazione_decesso = "Z110"; e.cod_comune_decesso = ""; }), 18},
      {"foreign death town in Italy", abroad([](SubjectEntry& e) { e.comune_estero_decesso = "PARIGI"; }), 19},
      {"ten-character certificate", abroad([](SubjectEntry& e) { e.atto_morte = "1234567890"; }), 20},
      {"no certificate municipality", abroad([](SubjectEntry& e) { e.cod_comune_atto = ""; }), 21},
      {"protocol year 20", abroad([](SubjectEntry& e) { e.anno_protocollo = "20"; }), 22},
      {"protocol number with a slash", abroad([](SubjectEntry& e) { e.numero_protocollo = "7/1"; }), 23},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Rules(c.make()), std::vector<int>{c.rule}) << c.why;
  }
}

TEST_F(Validation, EdgeCasesOfTheBirthDate) {
  SubjectEntry e = BornInItaly();
  e.giorno = "31", e.mese = "4";  // no such day: 8 fails, and the code no longer matches the zero date
  EXPECT_EQ(Rules(e), (std::vector<int>{4, 8}));

  e = BornAbroadMonthYear();
  e.codice_fiscale = "RSSMRA50C05H501F";  // the code is tested against the zero date
  EXPECT_EQ(Rules(e), std::vector<int>{4});

  e = BornAbroadMonthYear();
  e.giorno = "5";
  e.codice_fiscale = "RSSMRA";  // a short code of a subject born abroad is not tested
  EXPECT_TRUE(Validate(e).accepted);

  e = BornAbroadYearOnly();
  e.data_decesso = "01/01/1950";  // same year as the birth: passes
  EXPECT_TRUE(Validate(e).accepted);

  e = BornAbroadYearOnly();
  e.nazione_nascita = "Italia";  // not "ITALIA": born abroad
  EXPECT_TRUE(Validate(e).accepted);

  e = BornInItaly();
  e.giorno = "06", e.mese = "12", e.anno = "2026", e.data_decesso = "06/12/2026";
  EXPECT_EQ(Rules(e), (std::vector<int>{4, 13}));  // born today is no future; death not after birth
}

TEST_F(Validation, NamesAreCompactedAndSetsJudgedOnTheirCodes) {
  SubjectEntry e = BornAbroadYearOnly();
  e.cognome = "  DE   SANTIS ";
  e.nome = "NICOLÒ";  // Ò is code 210
  e.cognome += "-D'AMICO";
  const auto outcome = Validate(e);
  ASSERT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.row[kCognome], "DE SANTIS -D'AMICO");
  EXPECT_EQ(outcome.row[kNome], "NICOLÒ");
  e.nome = "ŁUKASZ";  // no Windows-1252 code
  EXPECT_EQ(Rules(e), std::vector<int>{2});
  e.nome = "MARIO\xFF";  // invalid UTF-8 byte
  EXPECT_EQ(Rules(e), std::vector<int>{2});
}

TEST_F(Validation, CoherenceLinesNeedTheirCountryCodeAndControlsFollowTheSide) {
  SubjectEntry e = BornAbroadYearOnly();
  e.cod_nazione_nascita = "";
  e.cod_comune_nascita = "H501";  // rule 11 fails but is not listed: the country code is missing
  auto outcome = Validate(e);
  EXPECT_FALSE(outcome.accepted);
  ASSERT_EQ(outcome.failures.size(), 1U);
  EXPECT_EQ(outcome.failures[0].rule, 10);
  EXPECT_EQ(outcome.failures[0].controls, std::vector<std::string_view>{"StatoCombo"});

  e = BornInItaly();
  e.comune_estero_nascita = "PARIGI";
  outcome = Validate(e);
  ASSERT_EQ(outcome.failures.size(), 1U);
  EXPECT_EQ(outcome.failures[0].rule, 11);
  EXPECT_EQ(outcome.failures[0].controls, std::vector<std::string_view>{"ComuneSTBox"});

  e = BornInItaly();
  e.cognome = "";
  e.sesso = "";
  e.data_decesso = "";
  outcome = Validate(e);
  EXPECT_EQ(FailureText(outcome.failures),
            "ATTENZIONE! Sono stati riscontrati i seguenti errori:\r\n"
            "\r\n- Cognome non inserito correttamente"
            "\r\n- Sesso non specificato"
            "\r\n- Codice Fiscale non inserito o non valido"
            "\r\n- Data Decesso nulla o non valida");
  EXPECT_EQ(outcome.failures[1].controls, (std::vector<std::string_view>{"Option1", "Option2"}));
  EXPECT_EQ(Validate(e).failures.size(), outcome.failures.size());  // no state survives a call
}

TEST(PadDayOrMonth, OnlyOneCharacterGetsTheZero) {
  EXPECT_EQ(PadDayOrMonth("5"), "05");
  EXPECT_EQ(PadDayOrMonth("05"), "05");
  EXPECT_EQ(PadDayOrMonth(""), "");
}

}  // namespace
}  // namespace nerovale::validation
