#include "validation/subject_form.h"

#include <gtest/gtest.h>

#include "place_fixture.h"

namespace nerovale::validation {
namespace {

using R = EntryRule;

const dates::Date kToday = *dates::MakeDate(6, 12, 2026);

using Change = void (*)(SubjectForm&);

// A valid subject born in Italy, then as changed.
SubjectForm BornInItaly(Change change = [](SubjectForm&) {}) {
  SubjectForm e;
  e.cognome = "ROSSI", e.nome = "MARIO", e.sesso = "M", e.giorno = "05", e.mese = "03", e.anno = "1950";
  e.comune_nascita = "ROMA", e.cod_comune_nascita = "H501", e.nazione_nascita = "ITALIA", e.cod_nazione_nascita = "Z000";
  e.codice_fiscale = "RSSMRA50C05H501F", e.data_decesso = "10/01/2024";
  e.nazione_decesso = "ITALIA", e.cod_nazione_decesso = "Z000", e.comune_decesso = "MILANO", e.cod_comune_decesso = "F205";
  e.atto_morte = "12/A", e.comune_atto = "MILANO", e.cod_comune_atto = "F205";
  change(e);
  return e;
}

SubjectForm BornAbroadYearOnly(Change change = [](SubjectForm&) {}) {
  SubjectForm e = BornInItaly();
  e.giorno = e.mese = e.comune_nascita = e.cod_comune_nascita = e.codice_fiscale = "";
  e.comune_estero_nascita = "PARIGI", e.nazione_nascita = "FRANCIA", e.cod_nazione_nascita = "Z110";
  change(e);
  return e;
}

SubjectForm BornAbroadMonthYear(Change change = [](SubjectForm&) {}) {
  SubjectForm e = BornAbroadYearOnly([](SubjectForm& f) { f.mese = "3"; });
  change(e);
  return e;
}

class Validation : public ::testing::Test {
 protected:
  testing::FixturePlaces places;
  EntryOutcome Validate(const SubjectForm& e) { return validation::Validate(e, kToday, places); }
  std::vector<EntryRule> Rules(const SubjectForm& e) {
    std::vector<EntryRule> rules;
    for (const auto& f : Validate(e).failures) rules.push_back(f.rule);
    return rules;
  }
};

// Valid subjects are accepted in their three birth forms. A stored row comes back into the form as it
// was typed (the birth date in its three boxes, the places with their codes), and the form makes that
// row again.
TEST_F(Validation, ValidSubjectsAreAcceptedAndComeBackIntoTheForm) {
  const std::pair<SubjectForm, const char*> forms[] = {
      {BornInItaly(), "5/3/1950"}, {BornAbroadYearOnly(), "1950"}, {BornAbroadMonthYear(), "03/1950"}};
  for (const auto& [typed, birth] : forms) {
    const EntryOutcome stored = Validate(typed);
    ASSERT_TRUE(stored.accepted) << birth;
    EXPECT_EQ(stored.row[kDataNascita], birth);
    EXPECT_EQ(stored.row[kComuneNascita], typed.comune_nascita);  // "" abroad
    EXPECT_EQ(stored.row[kCodComuneNascita], typed.cod_comune_nascita);
    EXPECT_EQ(stored.row[kComuneEsteroNascita], typed.comune_estero_nascita);
    EXPECT_EQ(stored.row[kAttoMorte], "12/A");
    const SubjectForm shown = SubjectForm::FromRow(stored.row);
    EXPECT_EQ(shown.cod_comune_nascita, typed.cod_comune_nascita);
    EXPECT_EQ(shown.cod_nazione_decesso, "Z000");
    EXPECT_EQ(shown.anno, "1950");
    const EntryOutcome again = Validate(shown);
    ASSERT_TRUE(again.accepted);
    EXPECT_EQ(again.row, stored.row);
  }
  EXPECT_EQ(SubjectForm::FromRow(Validate(BornInItaly()).row).giorno, "5");
  EXPECT_EQ(SubjectForm::FromRow(Validate(BornAbroadMonthYear()).row).mese, "03");
}

TEST_F(Validation, EachVariationFailsExactlyItsRule) {
  const auto& italy = BornInItaly;
  const auto& abroad = BornAbroadYearOnly;
  const auto& monthly = BornAbroadMonthYear;
  const std::tuple<const char*, SubjectForm, EntryRule> cases[] = {
      {"digit in surname", abroad([](SubjectForm& e) { e.cognome = "ROSS1"; }), R::kCognome},
      {"73-character surname", abroad([](SubjectForm& e) { e.cognome = std::string(73, 'A'); }), R::kCognome},
      {"hyphen in the name", abroad([](SubjectForm& e) { e.nome = "ANNA-MARIA"; }), R::kNome},
      {"lower-case ò (242) in the name", abroad([](SubjectForm& e) { e.nome = "NICOLò"; }), R::kNome},
      {"no sex", abroad([](SubjectForm& e) { e.sesso = ""; }), R::kSesso},
      {"15-character code for a subject born in Italy", italy([](SubjectForm& e) { e.codice_fiscale = "RSSMRA50C05H501"; }), R::kCodiceFiscale},
      {"code of another day", italy([](SubjectForm& e) { e.codice_fiscale = "RSSMRA50C06H501G"; }), R::kCodiceFiscale},
      {"code with a year-only birth date", abroad([](SubjectForm& e) { e.codice_fiscale = "X"; }), R::kCodiceFiscaleDataCompleta},
      {"three-digit year", abroad([](SubjectForm& e) { e.anno = "195"; }), R::kAnnoNascita},
      {"day without a year", abroad([](SubjectForm& e) { e.anno = ""; e.giorno = "5"; e.mese = "3"; }), R::kAnnoNascita},
      {"hyphenated father's name", abroad([](SubjectForm& e) { e.nome_padre = "GIAN-LUCA"; }), R::kNomePadre},
      {"day without a month abroad", abroad([](SubjectForm& e) { e.giorno = "5"; }), R::kDataNascita},
      {"month/year born abroad, 31 April", monthly([](SubjectForm& e) { e.giorno = "31"; e.mese = "4"; }), R::kDataNascita},
      {"month 13 of a month and year", monthly([](SubjectForm& e) { e.mese = "13"; }), R::kDataNascita},
      {"month 00 of a month and year", monthly([](SubjectForm& e) { e.mese = "00"; }), R::kDataNascita},
      {"year 0000 alone", abroad([](SubjectForm& e) { e.anno = "0000"; }), R::kAnnoNascita},
      {"month and year still to come", monthly([](SubjectForm& e) { e.mese = "1"; e.anno = "2027"; e.data_decesso = "01/12/2026"; }), R::kNascitaFutura},
      {"death before the month of birth", monthly([](SubjectForm& e) { e.data_decesso = "28/02/1950"; }), R::kDecessoDopoNascita},
      {"no municipality for a subject born in Italy", italy([](SubjectForm& e) { e.cod_comune_nascita = ""; }), R::kComuneNascita},
      {"61-character foreign town", abroad([](SubjectForm& e) { e.comune_estero_nascita = std::string(61, 'A'); }), R::kComuneNascita},
      {"no birth country code", abroad([](SubjectForm& e) { e.cod_nazione_nascita = ""; }), R::kNazioneNascita},
      {"municipality code abroad", abroad([](SubjectForm& e) { e.cod_comune_nascita = "H501"; }), R::kComuneNascitaCoerente},
      {"untouched death date box", abroad([](SubjectForm& e) { e.data_decesso = "__/__/____"; }), R::kDataDecesso},
      {"death date 31/02", abroad([](SubjectForm& e) { e.data_decesso = "31/02/2024"; }), R::kDataDecesso},
      {"death on the birth day", italy([](SubjectForm& e) { e.data_decesso = "05/03/1950"; }), R::kDecessoDopoNascita},
      {"death year before the birth year", abroad([](SubjectForm& e) { e.data_decesso = "31/12/1949"; }), R::kDecessoDopoNascita},
      {"birth year in the future", abroad([](SubjectForm& e) { e.anno = "2027"; }), R::kNascitaFutura},
      {"born this year, the year alone (no fault)", abroad([](SubjectForm& e) {
         e.anno = "2026", e.data_decesso = "01/12/2026"; e.nome = "M4RIO"; }), R::kNome},
      {"death tomorrow", abroad([](SubjectForm& e) { e.data_decesso = "07/12/2026"; }), R::kDecessoFuturo},
      {"no death country code", abroad([](SubjectForm& e) { e.cod_nazione_decesso = ""; }), R::kNazioneDecesso},
      {"no death municipality in Italy", abroad([](SubjectForm& e) { e.cod_comune_decesso = ""; }), R::kComuneDecessoItalia},
      {"61-character foreign death town", abroad([](SubjectForm& e) { e.comune_estero_decesso = std::string(61, 'A'); e.nazione_decesso = "FRANCIA"; e.cod_nazione_decesso = "Z110"; e.cod_comune_decesso = ""; }), R::kComuneEsteroDecesso},
      {"digit in the foreign death town", abroad([](SubjectForm& e) { e.comune_estero_decesso = "PARIS 1"; e.nazione_decesso = "FRANCIA"; e.cod_nazione_decesso = "Z110"; e.cod_comune_decesso = ""; }), R::kComuneEsteroDecesso},
      {"foreign death town in Italy", abroad([](SubjectForm& e) { e.comune_estero_decesso = "PARIGI"; }), R::kComuneDecessoCoerente},
      {"ten-character certificate", abroad([](SubjectForm& e) { e.atto_morte = "1234567890"; }), R::kAttoMorte},
      {"no certificate municipality", abroad([](SubjectForm& e) { e.cod_comune_atto = ""; }), R::kComuneAtto},
      {"protocol year 20", abroad([](SubjectForm& e) { e.anno_protocollo = "20"; }), R::kAnnoProtocollo},
      {"protocol number with a slash", abroad([](SubjectForm& e) { e.numero_protocollo = "7/1"; }), R::kNumeroProtocollo},
  };
  for (const auto& [why, form, rule] : cases) EXPECT_EQ(Rules(form), std::vector<EntryRule>{rule}) << why;
}

TEST_F(Validation, EdgeCasesOfTheBirthDate) {
  using Rs = std::vector<R>;
  // No such day: the date fails, and the code no longer matches the zero date.
  EXPECT_EQ(Rules(BornInItaly([](SubjectForm& e) { e.giorno = "31", e.mese = "4"; })), (Rs{R::kCodiceFiscale, R::kDataNascita}));
  // A month and year: the code is tested against the zero date.
  EXPECT_EQ(Rules(BornAbroadMonthYear([](SubjectForm& e) { e.codice_fiscale = "RSSMRA50C05H501F"; })), Rs{R::kCodiceFiscale});
  // A short code, even for a subject born abroad: the notice cannot carry it.
  EXPECT_EQ(Rules(BornAbroadMonthYear([](SubjectForm& e) { e.giorno = "5", e.codice_fiscale = "RSSMRA"; })), Rs{R::kCodiceFiscale});
  // A death in the year of a birth given as a year alone passes; the code, never the name alone,
  // decides where a subject was born.
  EXPECT_TRUE(Validate(BornAbroadYearOnly([](SubjectForm& e) { e.data_decesso = "01/01/1950"; })).accepted);
  EXPECT_TRUE(Validate(BornAbroadYearOnly([](SubjectForm& e) { e.nazione_nascita = "ITALIA"; })).accepted);
  // Born today is no future birth; a death that day is not after the birth.
  EXPECT_EQ(Rules(BornInItaly([](SubjectForm& e) { e.giorno = "06", e.mese = "12", e.anno = "2026", e.data_decesso = "06/12/2026"; })),
            (Rs{R::kCodiceFiscale, R::kDecessoDopoNascita}));
}

TEST_F(Validation, NamesAreCompactedAndSetsJudgedOnTheirCodes) {
  SubjectForm e = BornAbroadYearOnly();
  e.cognome = "  DE   SANTIS -D'AMICO", e.nome = "NICOLÒ";  // Ò is code 210
  const auto outcome = Validate(e);
  ASSERT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.row[kCognome], "DE SANTIS -D'AMICO");
  EXPECT_EQ(outcome.row[kNome], "NICOLÒ");
  for (const char* name : {"ŁUKASZ", "MARIO\xFF"}) {  // no Windows-1252 code; an invalid UTF-8 byte
    e.nome = name;
    EXPECT_EQ(Rules(e), std::vector<R>{R::kNome}) << name;
  }
}

TEST_F(Validation, CoherenceLinesNeedTheirCountryCodeAndFieldsFollowTheSide) {
  // A municipality code abroad is not listed while the country code is missing.
  auto outcome = Validate(BornAbroadYearOnly([](SubjectForm& e) { e.cod_nazione_nascita = "", e.cod_comune_nascita = "H501"; }));
  EXPECT_FALSE(outcome.accepted);
  ASSERT_EQ(outcome.failures.size(), 1U);
  EXPECT_EQ(outcome.failures[0].rule, R::kNazioneNascita);
  EXPECT_EQ(outcome.failures[0].fields, std::vector<Field>{Field::kNazioneNascita});

  outcome = Validate(BornInItaly([](SubjectForm& e) { e.comune_estero_nascita = "PARIGI"; }));
  ASSERT_EQ(outcome.failures.size(), 1U);
  EXPECT_EQ(outcome.failures[0].rule, R::kComuneNascitaCoerente);
  EXPECT_EQ(outcome.failures[0].fields, std::vector<Field>{Field::kComuneEsteroNascita});

  const SubjectForm e = BornInItaly([](SubjectForm& f) { f.cognome = f.sesso = f.data_decesso = ""; });
  outcome = Validate(e);
  EXPECT_EQ(RejectionText(outcome.failures),
            "ATTENZIONE! Sono stati riscontrati i seguenti errori:\r\n"
            "\r\n- Cognome non inserito correttamente"
            "\r\n- Sesso non specificato"
            "\r\n- Codice Fiscale non inserito o non valido"
            "\r\n- Data Decesso nulla o non valida");
  EXPECT_EQ(outcome.failures[1].fields, std::vector<Field>{Field::kSesso});
  EXPECT_EQ(Validate(e).failures.size(), outcome.failures.size());  // no state survives a call
}

// One table says which control shows which column: the grid's column opens the form on its field.
TEST(FormFields, EveryColumnButTheNumberAndTheSexHasItsField) {
  const std::pair<Column, std::optional<Field>> columns[] = {
      {kNumero, std::nullopt},           {kSesso, std::nullopt},
      {kDataNascita, Field::kGiorno},    {kCodComuneNascita, Field::kComuneNascita},
      {kNazioneNascita, Field::kNazioneNascita}, {kCodNazioneDecesso, Field::kNazioneDecesso},
      {kCodComuneAtto, Field::kComuneAtto},      {kNumeroProtocollo, Field::kNumeroProtocollo},
  };
  for (const auto& [column, field] : columns) EXPECT_EQ(FieldOfColumn(column), field) << column;
  for (const FieldInfo& info : Fields()) EXPECT_EQ(&Info(info.field), &info);
}

}  // namespace
}  // namespace nerovale::validation
