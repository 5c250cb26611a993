#include "validation/subject_entry.h"

#include <gtest/gtest.h>

#include <functional>

#include "place_fixture.h"

namespace nerovale::validation {
namespace {

using R = EntryRule;

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
  std::vector<EntryRule> Rules(const SubjectEntry& e) {
    std::vector<EntryRule> rules;
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
  EntryRule rule;
};

TEST_F(Validation, EachVariationFailsExactlyItsRule) {
  const auto from = [](SubjectEntry (*base)()) {
    return [base](auto change) { return [base, change] { SubjectEntry e = base(); change(e); return e; }; };
  };
  const auto italy = from(BornInItaly);
  const auto abroad = from(BornAbroadYearOnly);
  const auto monthly = from(BornAbroadMonthYear);
  const OneRule cases[] = {
      {"digit in surname", abroad([](SubjectEntry& e) { e.cognome = "ROSS1"; }), R::kCognome},
      {"73-character surname", abroad([](SubjectEntry& e) { e.cognome = std::string(73, 'A'); }), R::kCognome},
      {"hyphen in the name", abroad([](SubjectEntry& e) { e.nome = "ANNA-MARIA"; }), R::kNome},
      {"lower-case ò (242) in the name", abroad([](SubjectEntry& e) { e.nome = "NICOLò"; }), R::kNome},
      {"no sex", abroad([](SubjectEntry& e) { e.sesso = ""; }), R::kSesso},
      {"15-character code for a subject born in Italy", italy([](SubjectEntry& e) { e.codice_fiscale = "RSSMRA50C05H501"; }), R::kCodiceFiscale},
      {"code of another day", italy([](SubjectEntry& e) { e.codice_fiscale = "RSSMRA50C06H501G"; }), R::kCodiceFiscale},
      {"code with a year-only birth date", abroad([](SubjectEntry& e) { e.codice_fiscale = "X"; }), R::kCodiceFiscaleDataCompleta},
      {"three-digit year", abroad([](SubjectEntry& e) { e.anno = "195"; }), R::kAnnoNascita},
      {"day without a year", abroad([](SubjectEntry& e) { e.anno = ""; e.giorno = "5"; e.mese = "3"; }), R::kAnnoNascita},
      {"hyphenated father's name", abroad([](SubjectEntry& e) { e.nome_padre = "GIAN-LUCA"; }), R::kNomePadre},
      {"day without a month abroad", abroad([](SubjectEntry& e) { e.giorno = "5"; }), R::kDataNascita},
      {"month/year born abroad, 31 April", monthly([](SubjectEntry& e) { e.giorno = "31"; e.mese = "4"; }), R::kDataNascita},
      {"month 13 of a month and year", monthly([](SubjectEntry& e) { e.mese = "13"; }), R::kDataNascita},
      {"month 00 of a month and year", monthly([](SubjectEntry& e) { e.mese = "00"; }), R::kDataNascita},
      {"year 0000 alone", abroad([](SubjectEntry& e) { e.anno = "0000"; }), R::kAnnoNascita},
      {"month and year still to come", monthly([](SubjectEntry& e) { e.mese = "1"; e.anno = "2027"; e.data_decesso = "01/12/2026"; }), R::kNascitaFutura},
      {"death before the month of birth", monthly([](SubjectEntry& e) { e.data_decesso = "28/02/1950"; }), R::kDecessoDopoNascita},
      {"no municipality for a subject born in Italy", italy([](SubjectEntry& e) { e.cod_comune_nascita = ""; }), R::kComuneNascita},
      {"61-character foreign town", abroad([](SubjectEntry& e) { e.comune_estero_nascita = std::string(61, 'A'); }), R::kComuneNascita},
      {"no birth country code", abroad([](SubjectEntry& e) { e.cod_nazione_nascita = ""; }), R::kNazioneNascita},
      {"municipality code abroad", abroad([](SubjectEntry& e) { e.cod_comune_nascita = "H501"; }), R::kComuneNascitaCoerente},
      {"untouched death date box", abroad([](SubjectEntry& e) { e.data_decesso = "__/__/____"; }), R::kDataDecesso},
      {"death date 31/02", abroad([](SubjectEntry& e) { e.data_decesso = "31/02/2024"; }), R::kDataDecesso},
      {"death on the birth day", italy([](SubjectEntry& e) { e.data_decesso = "05/03/1950"; }), R::kDecessoDopoNascita},
      {"death year before the birth year", abroad([](SubjectEntry& e) { e.data_decesso = "31/12/1949"; }), R::kDecessoDopoNascita},
      {"birth year in the future", abroad([](SubjectEntry& e) { e.anno = "2027"; }), R::kNascitaFutura},
      {"death tomorrow", abroad([](SubjectEntry& e) { e.data_decesso = "07/12/2026"; }), R::kDecessoFuturo},
      {"no death country code", abroad([](SubjectEntry& e) { e.cod_nazione_decesso = ""; }), R::kNazioneDecesso},
      {"no death municipality in Italy", abroad([](SubjectEntry& e) { e.cod_comune_decesso = ""; }), R::kComuneDecessoItalia},
      {"61-character foreign death town", abroad([](SubjectEntry& e) { e.comune_estero_decesso = std::string(61, 'A'); e.nazione_decesso = "FRANCIA"; e.cod_nazione_decesso = "Z110"; e.cod_comune_decesso = ""; }), R::kComuneEsteroDecesso},
      {"digit in the foreign death town", abroad([](SubjectEntry& e) { e.comune_estero_decesso = "PARIS 1"; e.nazione_decesso = "FRANCIA"; e.cod_nazione_decesso = "Z110"; e.cod_comune_decesso = ""; }), R::kComuneEsteroDecesso},
      {"foreign death town in Italy", abroad([](SubjectEntry& e) { e.comune_estero_decesso = "PARIGI"; }), R::kComuneDecessoCoerente},
      {"ten-character certificate", abroad([](SubjectEntry& e) { e.atto_morte = "1234567890"; }), R::kAttoMorte},
      {"no certificate municipality", abroad([](SubjectEntry& e) { e.cod_comune_atto = ""; }), R::kComuneAtto},
      {"protocol year 20", abroad([](SubjectEntry& e) { e.anno_protocollo = "20"; }), R::kAnnoProtocollo},
      {"protocol number with a slash", abroad([](SubjectEntry& e) { e.numero_protocollo = "7/1"; }), R::kNumeroProtocollo},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Rules(c.make()), std::vector<EntryRule>{c.rule}) << c.why;
  }
}

TEST_F(Validation, EdgeCasesOfTheBirthDate) {
  SubjectEntry e = BornInItaly();
  e.giorno = "31", e.mese = "4";  // no such day: 8 fails, and the code no longer matches the zero date
  EXPECT_EQ(Rules(e), (std::vector<R>{R::kCodiceFiscale, R::kDataNascita}));

  e = BornAbroadMonthYear();
  e.codice_fiscale = "RSSMRA50C05H501F";  // the code is tested against the zero date
  EXPECT_EQ(Rules(e), std::vector<R>{R::kCodiceFiscale});

  e = BornAbroadMonthYear();
  e.giorno = "5";
  e.codice_fiscale = "RSSMRA";  // a short code, even for a subject born abroad: the notice cannot carry it
  EXPECT_EQ(Rules(e), std::vector<R>{R::kCodiceFiscale});

  e = BornAbroadYearOnly();
  e.data_decesso = "01/01/1950";  // same year as the birth: passes
  EXPECT_TRUE(Validate(e).accepted);

  e = BornAbroadYearOnly();
  e.nazione_nascita = "Italia";  // not "ITALIA": born abroad
  EXPECT_TRUE(Validate(e).accepted);

  e = BornInItaly();
  e.giorno = "06", e.mese = "12", e.anno = "2026", e.data_decesso = "06/12/2026";
  EXPECT_EQ(Rules(e), (std::vector<R>{R::kCodiceFiscale, R::kDecessoDopoNascita}));  // born today is no future; death not after birth
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
  EXPECT_EQ(Rules(e), std::vector<R>{R::kNome});
  e.nome = "MARIO\xFF";  // invalid UTF-8 byte
  EXPECT_EQ(Rules(e), std::vector<R>{R::kNome});
}

TEST_F(Validation, CoherenceLinesNeedTheirCountryCodeAndControlsFollowTheSide) {
  SubjectEntry e = BornAbroadYearOnly();
  e.cod_nazione_nascita = "";
  e.cod_comune_nascita = "H501";  // rule 11 fails but is not listed: the country code is missing
  auto outcome = Validate(e);
  EXPECT_FALSE(outcome.accepted);
  ASSERT_EQ(outcome.failures.size(), 1U);
  EXPECT_EQ(outcome.failures[0].rule, R::kNazioneNascita);
  EXPECT_EQ(outcome.failures[0].controls, std::vector<std::string_view>{"StatoCombo"});

  e = BornInItaly();
  e.comune_estero_nascita = "PARIGI";
  outcome = Validate(e);
  ASSERT_EQ(outcome.failures.size(), 1U);
  EXPECT_EQ(outcome.failures[0].rule, R::kComuneNascitaCoerente);
  EXPECT_EQ(outcome.failures[0].controls, std::vector<std::string_view>{"ComuneSTBox"});

  e = BornInItaly();
  e.cognome = "";
  e.sesso = "";
  e.data_decesso = "";
  outcome = Validate(e);
  EXPECT_EQ(RejectionText(outcome.failures),
            "ATTENZIONE! Sono stati riscontrati i seguenti errori:\r\n"
            "\r\n- Cognome non inserito correttamente"
            "\r\n- Sesso non specificato"
            "\r\n- Codice Fiscale non inserito o non valido"
            "\r\n- Data Decesso nulla o non valida");
  EXPECT_EQ(outcome.failures[1].controls, (std::vector<std::string_view>{"Option1", "Option2"}));
  EXPECT_EQ(Validate(e).failures.size(), outcome.failures.size());  // no state survives a call
}

// The operator reads these lines: every one is compared, character for character.
TEST(EntryRules, EveryMessageLine) {
  const std::pair<R, const char*> lines[] = {
      {R::kCognome, "- Cognome non inserito correttamente"},
      {R::kNome, "- Nome non inserito correttamente"},
      {R::kSesso, "- Sesso non specificato"},
      {R::kCodiceFiscale, "- Codice Fiscale non inserito o non valido"},
      {R::kCodiceFiscaleDataCompleta, "- Se si inserisce il Codice Fiscale inserire la Data di Nascita completa"},
      {R::kAnnoNascita, "- Anno di nascita non valido"},
      {R::kNomePadre, "- Nome padre non valido"},
      {R::kDataNascita, "- Data di nascita nulla o non valida"},
      {R::kComuneNascita, "- Comune di nascita non inserito o non valido"},
      {R::kNazioneNascita, "- Nazione di nascita non inserita o non valida"},
      {R::kComuneNascitaCoerente, "- Comune di nascita non coerente con la Nazione"},
      {R::kDataDecesso, "- Data Decesso nulla o non valida"},
      {R::kDecessoDopoNascita, "- La Data Decesso del Soggetto dev'essere maggiore della Data di Nascita"},
      {R::kNascitaFutura, "- Data di Nascita maggiore della data odierna"},
      {R::kDecessoFuturo, "- Data Decesso maggiore della data odierna"},
      {R::kNazioneDecesso, "- Nazione Decesso non inserita o non valida"},
      {R::kComuneDecessoItalia, "- Per i deceduti in Italia è obbligatorio specificarne il Comune"},
      {R::kComuneEsteroDecesso, "- Comune Straniero Decesso non valido"},
      {R::kComuneDecessoCoerente, "- Nazione Decesso non coerente con il Comune"},
      {R::kAttoMorte, "- Atto di morte non inserito o non valido"},
      {R::kComuneAtto, "- Comune Atto di morte non inserito o non valido"},
      {R::kAnnoProtocollo, "- Anno Protocollo non valido"},
      {R::kNumeroProtocollo, "- Numero Protocollo non valido"},
  };
  ASSERT_EQ(std::size(lines), static_cast<std::size_t>(kEntryRuleCount));
  for (const auto& [rule, line] : lines) EXPECT_EQ(RuleMessage(rule), line);
}

TEST(PadDayOrMonth, OnlyOneCharacterGetsTheZero) {
  EXPECT_EQ(PadDayOrMonth("5"), "05");
  EXPECT_EQ(PadDayOrMonth("05"), "05");
  EXPECT_EQ(PadDayOrMonth(""), "");
}

}  // namespace
}  // namespace nerovale::validation
