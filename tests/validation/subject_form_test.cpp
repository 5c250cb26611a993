#include "validation/subject_form.h"

#include <gtest/gtest.h>

#include "place_fixture.h"

namespace nerovale::validation {
namespace {

using R = EntryRule;

const dates::Date kToday = *dates::MakeDate(6, 12, 2026);

using Change = void (*)(SubjectForm&);

// A valid subject born in Italy, or abroad with the year alone (a month too when one is set), then as
// changed.
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

SubjectForm BornAbroad(Change change = [](SubjectForm&) {}) {
  SubjectForm e = BornInItaly();
  e.giorno = e.mese = e.comune_nascita = e.cod_comune_nascita = e.codice_fiscale = "";
  e.comune_estero_nascita = "PARIGI", e.nazione_nascita = "FRANCIA", e.cod_nazione_nascita = "Z110";
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
  const std::tuple<SubjectForm, const char*, const char*> forms[] = {
      {BornInItaly(), "5/3/1950", "5/3/1950"},
      {BornAbroad(), "1950", "//1950"},
      {BornAbroad([](SubjectForm& e) { e.mese = "3"; }), "03/1950", "/03/1950"}};
  for (const auto& [typed, birth, boxes] : forms) {
    const EntryOutcome stored = Validate(typed);
    ASSERT_TRUE(stored.accepted) << birth;
    EXPECT_EQ(stored.row[kDataNascita], birth);
    EXPECT_EQ(stored.row[kComuneNascita], typed.comune_nascita);  // "" abroad
    EXPECT_EQ(stored.row[kCodComuneNascita], typed.cod_comune_nascita);
    EXPECT_EQ(stored.row[kComuneEsteroNascita], typed.comune_estero_nascita);
    EXPECT_EQ(stored.row[kAttoMorte], "12/A");
    const SubjectForm shown = SubjectForm::FromRow(stored.row);
    EXPECT_EQ(shown.giorno + "/" + shown.mese + "/" + shown.anno, boxes);
    const EntryOutcome again = Validate(shown);  // the codes of the places came back too
    ASSERT_TRUE(again.accepted);
    EXPECT_EQ(again.row, stored.row);
  }
}

// Each variation of a valid subject fails exactly the rules named, no more: a case that failed for
// another reason would hide a fault.
TEST_F(Validation, EachVariationFailsExactlyItsRules) {
  const auto& italy = BornInItaly;
  const auto& abroad = BornAbroad;
  const std::tuple<const char*, SubjectForm, std::vector<EntryRule>> cases[] = {
      {"digit in surname", abroad([](SubjectForm& e) { e.cognome = "ROSS1"; }), {R::kCognome}},
      {"hyphen in the name", abroad([](SubjectForm& e) { e.nome = "ANNA-MARIA"; }), {R::kNome}},
      {"Ł, with no Windows-1252 code", abroad([](SubjectForm& e) { e.nome = "ŁUKASZ"; }), {R::kNome}},
      {"an invalid UTF-8 byte", abroad([](SubjectForm& e) { e.nome = "MARIO\xFF"; }), {R::kNome}},
      {"no sex", abroad([](SubjectForm& e) { e.sesso = ""; }), {R::kSesso}},
      {"15-character code for a subject born in Italy", italy([](SubjectForm& e) { e.codice_fiscale = "RSSMRA50C05H501"; }), {R::kCodiceFiscale}},
      {"code of another day", italy([](SubjectForm& e) { e.codice_fiscale = "RSSMRA50C06H501G"; }), {R::kCodiceFiscale}},
      {"code with a year-only birth date", abroad([](SubjectForm& e) { e.codice_fiscale = "X"; }), {R::kCodiceFiscaleDataCompleta}},
      {"three-digit year", abroad([](SubjectForm& e) { e.anno = "195"; }), {R::kAnnoNascita}},
      {"day without a year", abroad([](SubjectForm& e) { e.anno = ""; e.giorno = "5"; e.mese = "3"; }), {R::kAnnoNascita}},
      {"hyphenated father's name", abroad([](SubjectForm& e) { e.nome_padre = "GIAN-LUCA"; }), {R::kNomePadre}},
      {"day without a month abroad", abroad([](SubjectForm& e) { e.giorno = "5"; }), {R::kDataNascita}},
      {"month/year born abroad, 31 April", abroad([](SubjectForm& e) { e.giorno = "31"; e.mese = "4"; }), {R::kDataNascita}},
      {"month 13 of a month and year", abroad([](SubjectForm& e) { e.mese = "13"; }), {R::kDataNascita}},
      {"month 00 of a month and year", abroad([](SubjectForm& e) { e.mese = "00"; }), {R::kDataNascita}},
      {"year 0000 alone", abroad([](SubjectForm& e) { e.anno = "0000"; }), {R::kAnnoNascita}},
      {"month and year still to come", abroad([](SubjectForm& e) { e.mese = "1"; e.anno = "2027"; e.data_decesso = "01/12/2026"; }), {R::kNascitaFutura}},
      {"death before the month of birth", abroad([](SubjectForm& e) { e.mese = "3"; e.data_decesso = "28/02/1950"; }), {R::kDecessoDopoNascita}},
      {"no municipality for a subject born in Italy", italy([](SubjectForm& e) { e.cod_comune_nascita = ""; }), {R::kComuneNascita}},
      {"61-character foreign town", abroad([](SubjectForm& e) { e.comune_estero_nascita = std::string(61, 'A'); }), {R::kComuneNascita}},
      {"no birth country code", abroad([](SubjectForm& e) { e.cod_nazione_nascita = ""; }), {R::kNazioneNascita}},
      {"municipality code abroad", abroad([](SubjectForm& e) { e.cod_comune_nascita = "H501"; }), {R::kComuneNascitaCoerente}},
      {"untouched death date box", abroad([](SubjectForm& e) { e.data_decesso = "__/__/____"; }), {R::kDataDecesso}},
      {"death date 31/02", abroad([](SubjectForm& e) { e.data_decesso = "31/02/2024"; }), {R::kDataDecesso}},
      {"death on the birth day", italy([](SubjectForm& e) { e.data_decesso = "05/03/1950"; }), {R::kDecessoDopoNascita}},
      {"death year before the birth year", abroad([](SubjectForm& e) { e.data_decesso = "31/12/1949"; }), {R::kDecessoDopoNascita}},
      {"birth year in the future", abroad([](SubjectForm& e) { e.anno = "2027"; }), {R::kNascitaFutura}},
      {"born this year, the year alone", abroad([](SubjectForm& e) { e.anno = "2026", e.data_decesso = "01/12/2026"; }), {}},
      {"death tomorrow", abroad([](SubjectForm& e) { e.data_decesso = "07/12/2026"; }), {R::kDecessoFuturo}},
      {"no death country code", abroad([](SubjectForm& e) { e.cod_nazione_decesso = ""; }), {R::kNazioneDecesso}},
      {"no death municipality in Italy", abroad([](SubjectForm& e) { e.cod_comune_decesso = ""; }), {R::kComuneDecessoItalia}},
      {"61-character foreign death town", abroad([](SubjectForm& e) { e.comune_estero_decesso = std::string(61, 'A'); e.nazione_decesso = "FRANCIA"; e.cod_nazione_decesso = "Z110"; e.cod_comune_decesso = ""; }), {R::kComuneEsteroDecesso}},
      {"foreign death town in Italy", abroad([](SubjectForm& e) { e.comune_estero_decesso = "PARIGI"; }), {R::kComuneDecessoCoerente}},
      {"ten-character certificate", abroad([](SubjectForm& e) { e.atto_morte = "1234567890"; }), {R::kAttoMorte}},
      {"no certificate municipality", abroad([](SubjectForm& e) { e.cod_comune_atto = ""; }), {R::kComuneAtto}},
      {"protocol year 20", abroad([](SubjectForm& e) { e.anno_protocollo = "20"; }), {R::kAnnoProtocollo}},
      {"protocol number with a slash", abroad([](SubjectForm& e) { e.numero_protocollo = "7/1"; }), {R::kNumeroProtocollo}},
      {"31 April: no such day, and the code no longer matches the zero date", italy([](SubjectForm& e) { e.giorno = "31", e.mese = "4"; }), {R::kCodiceFiscale, R::kDataNascita}},
      {"a month and year: the code is tested against the zero date", abroad([](SubjectForm& e) { e.mese = "3", e.codice_fiscale = "RSSMRA50C05H501F"; }), {R::kCodiceFiscale}},
      {"a short code abroad, which the notice cannot carry", abroad([](SubjectForm& e) { e.mese = "3", e.giorno = "5", e.codice_fiscale = "RSSMRA"; }), {R::kCodiceFiscale}},
      {"death in the year of a birth given as a year alone", abroad([](SubjectForm& e) { e.data_decesso = "01/01/1950"; }), {}},
      {"the code, never the name alone, says where one was born", abroad([](SubjectForm& e) { e.nazione_nascita = "ITALIA"; }), {}},
      {"born today is no future birth; a death that day is not after it", italy([](SubjectForm& e) {
         e.giorno = "06", e.mese = "12", e.anno = "2026", e.data_decesso = "06/12/2026"; }), {R::kCodiceFiscale, R::kDecessoDopoNascita}},
  };
  for (const auto& [why, form, rules] : cases) EXPECT_EQ(Rules(form), rules) << why;
}

// Names are compacted; their characters judged on their Windows-1252 codes.
TEST_F(Validation, NamesAreCompactedAndSetsJudgedOnTheirCodes) {
  const SubjectForm e = BornAbroad([](SubjectForm& f) { f.cognome = "  DE   SANTIS -D'AMICO", f.nome = "NICOLÒ"; });
  const auto outcome = Validate(e);
  ASSERT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.row[kCognome], "DE SANTIS -D'AMICO");
  EXPECT_EQ(outcome.row[kNome], "NICOLÒ");
}

// A coherence rule waits for the country code; a failure points to the fields of its side, and the
// rejection lists every failure in the form's order.
TEST_F(Validation, CoherenceLinesNeedTheirCountryCodeAndFieldsFollowTheSide) {
  // A municipality code abroad is not listed while the country code is missing.
  const std::tuple<SubjectForm, R, Field> sides[] = {
      {BornAbroad([](SubjectForm& e) { e.cod_nazione_nascita = "", e.cod_comune_nascita = "H501"; }), R::kNazioneNascita,
       Field::kNazioneNascita},
      {BornInItaly([](SubjectForm& e) { e.comune_estero_nascita = "PARIGI"; }), R::kComuneNascitaCoerente,
       Field::kComuneEsteroNascita}};
  for (const auto& [form, rule, field] : sides) {
    const auto outcome = Validate(form);
    ASSERT_EQ(outcome.failures.size(), 1U);
    EXPECT_EQ(outcome.failures[0].rule, rule);
    EXPECT_EQ(outcome.failures[0].fields, std::vector<Field>{field});
  }
  const SubjectForm e = BornInItaly([](SubjectForm& f) { f.cognome = f.sesso = f.data_decesso = ""; });
  const auto outcome = Validate(e);
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
