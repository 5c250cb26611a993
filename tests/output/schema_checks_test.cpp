// The schema and the checks before output agree: every value of a field that the checks let through
// is valid in a notice, and a value just outside any facet that the schema holds is refused, by the
// checks as well. The limits and the sets of characters come from the validation module.
#include <gtest/gtest.h>

#include <functional>

#include "codicefiscale/codice_fiscale.h"
#include "core/dates.h"
#include "core/text.h"
#include "notice_fixture.h"
#include "output/notice_xml.h"
#include "output/schema_validation.h"
#include "reference/reference_tables.h"
#include "temp_dir.h"
#include "validation/character_sets.h"
#include "validation/sender_check.h"
#include "validation/table_check.h"

namespace nerovale::output {
namespace {

using validation::CharSet;
using validation::FieldRule;
namespace fields = validation::fields;

const std::filesystem::path kSource{NEROVALE_SOURCE_DIR};
const dates::Date kToday = *dates::MakeDate(5, 12, 2026);

// The characters of a set as the validation module judges them, and every other character a cell may
// hold: the rest of Windows-1252, and one that has no code there.
struct SetCharacters {
  std::u32string inside, outside;
};
SetCharacters CharactersOf(CharSet set) {
  SetCharacters chars{U"", U"\u0100"};
  for (int code = 1; code <= 255; ++code) {  // no cell holds a control character
    const char32_t c = text::FromCp1252(static_cast<unsigned char>(code));
    if (!text::IsControl(c)) (validation::InSet(set, c) ? chars.inside : chars.outside) += c;
  }
  return chars;
}

// Values of a field that hold every character of its set between them, each as long as the field
// holds at most, and a value of one character.
std::vector<std::string> InsideValues(const FieldRule& rule) {
  const std::u32string chars = CharactersOf(rule.set).inside;
  std::vector<std::string> values{text::Encode(chars.substr(chars.size() - 1))};
  for (std::size_t at = 0; at < chars.size(); at += rule.max_length) {
    std::u32string value = chars.substr(at, rule.max_length);
    value.resize(rule.max_length, chars.back());
    values.push_back(text::Encode(value));
  }
  return values;
}

// Born and died abroad: each text cell of the row is judged by the checks on its own.
SubjectRow Abroad() {
  SubjectRow r = testing::ValidForeignRow();
  r[kNazioneDecesso] = "FRANCIA", r[kCodNazioneDecesso] = "Z110", r[kComuneDecesso] = r[kCodComuneDecesso] = "";
  r[kDataDecesso] = "5/12/2026";
  return r;
}

// A valid notice with one value changed.
struct Values {
  Sender sender{"H501", "BIANCHI", "LUCIA"};
  CommunicationHeader header{"123", "30/11/2026"};
  SubjectRow row = Abroad();
};
using Field = std::function<std::string&(Values&)>;
Field Cell(Column column) { return [column](Values& v) -> std::string& { return v.row[column]; }; }
template <typename Part>
Field Of(Part Values::*part, std::string Part::*text) {
  return [part, text](Values& v) -> std::string& { return v.*part.*text; };
}
// The codice fiscale, judged on a subject born in Italy.
std::string& CodiceFiscale(Values& v) {
  v.row = testing::ValidItalianRow();
  return v.row[kCodiceFiscale];
}

// The text fields: required ones are refused empty; set_held when the schema holds the set as well as
// the length; set_checked when the checks before output judge the set (the notice number's digits are
// held by its box alone).
struct TextFacet {
  const char* element; Field field; FieldRule rule; bool required, set_held = true, set_checked = true;
};
const TextFacet kTextFacets[] = {
    {"PERS_COGNOME", Cell(kCognome), fields::kCognome, true},
    {"PERS_NOME", Cell(kNome), fields::kNome, true},
    {"PERS_PATERNITA", Cell(kNomePadre), fields::kNome, false},
    {"DESC_COMUNE_ESTERO", Cell(kComuneEsteroNascita), fields::kComuneEstero, false},
    {"DESC_COMUNE_ESTERO_MORTE", Cell(kComuneEsteroDecesso), fields::kComuneEstero, false},
    {"NUME_ATTO_MORTE", Cell(kAttoMorte), fields::kAttoMorte, true},
    {"NUME_PROT_DECESSO", Cell(kNumeroProtocollo), fields::kNumeroProtocollo, false},
    {"NUMERO_RICHIESTA", Of(&Values::header, &CommunicationHeader::numero), fields::kNumeroComunicazione, true,
     true, false},
    {"COGNOME_REFERENTE", Of(&Values::sender, &Sender::cognome_referente), fields::kReferente, true, false},
    {"NOME_REFERENTE", Of(&Values::sender, &Sender::nome_referente), fields::kReferente, true, false},
};

class SchemaAndChecks : public ::testing::Test {
 protected:
  reference::ReferenceTables tables{kSource};
  reference::ReferenceSnapshot places = tables.Snapshot();
  testing::TempDir dir;
  int made = 0;

  ValidationResult Validate(const Sender& sender, const CommunicationHeader& header, const SubjectTable& table) {
    const auto file = dir / ("notice" + std::to_string(made++) + ".xml");
    EXPECT_TRUE(SaveNoticeXml({sender, header, table, kSource / "ref" / "validate.xsd"}, file));
    return ValidateFile(file);
  }
  ValidationResult Validate(const Values& v) {
    SubjectTable table;
    EXPECT_TRUE(table.Add(v.row));
    return Validate(v.sender, v.header, table);
  }
  // What the checks before output say of the sender, the header and the subject.
  bool Passes(const Values& v) {
    const Sender& s = v.sender;
    const std::string comune = tables.DescComune(s.codice_comune).value;
    return validation::SenderFaults(s.codice_comune, comune, s.cognome_referente, s.nome_referente).empty() &&
           validation::ValidateCommunicationHeader(v.header.numero, v.header.data, 1).ok() &&
           validation::SubjectRowPasses(v.row, kToday, places);
  }
};

// Values that the checks pass: every character of each text field's set at the field's full length
// and alone; every day and month with its leading zero and without, in the three forms of a birth
// date; every year of birth alone; every code of the place tables; a codice fiscale with its check
// letter in lower case, and one of accented names.
TEST_F(SchemaAndChecks, EveryValueThatPassesTheChecksIsValid) {
  for (const TextFacet& f : kTextFacets) {
    for (const std::string& value : InsideValues(f.rule)) {
      Values v;
      f.field(v) = value;
      EXPECT_TRUE(Passes(v)) << f.element << " \"" << value << "\"";
      const ValidationResult result = Validate(v);
      EXPECT_TRUE(result.valid) << f.element << " \"" << value << "\": " << result.reason;
    }
  }

  // The subjects' values, in one notice.
  std::vector<SubjectRow> rows;
  const auto with = [&rows](SubjectRow row, std::initializer_list<std::pair<Column, std::string>> cells) {
    for (const auto& [column, value] : cells) row[column] = value;
    rows.push_back(std::move(row));
  };
  with(Abroad(), {{kSesso, "F"}});
  for (int n = 1; n <= 31; ++n) {
    for (const std::string& d : {std::to_string(n), (n < 10 ? "0" : "") + std::to_string(n)}) {
      with(Abroad(), {{kDataNascita, d + "/1/2000"}, {kDataDecesso, d + "/1/2020"}});
      if (n <= 12) with(Abroad(), {{kDataNascita, "1/" + d + "/2000"}, {kDataDecesso, "1/" + d + "/2020"}});
      if (n <= 12) with(Abroad(), {{kDataNascita, d + "/2000"}});
    }
  }
  for (int year = 1900; year <= 2026; ++year) with(Abroad(), {{kDataNascita, std::to_string(year)}});
  for (const auto& name : tables.ComuniNames()) {
    if (const std::string code = places.CodComune(name); !code.empty()) {
      with(Abroad(), {{kNazioneDecesso, "ITALIA"}, {kCodNazioneDecesso, "Z000"}, {kComuneDecesso, name},
                      {kCodComuneDecesso, code}, {kComuneAtto, name}, {kCodComuneAtto, code}});
    }
  }
  for (const auto& name : tables.StatiNames()) {
    if (const std::string code = places.CodStato(name); !code.empty() && code != "Z000") {
      with(Abroad(), {{kNazioneNascita, name}, {kCodNazioneNascita, code}, {kNazioneDecesso, name},
                      {kCodNazioneDecesso, code}});
    }
  }
  with(testing::ValidItalianRow(), {{kCodiceFiscale, "RSSMRA50C05H501f"}});  // only the check letter is read either way
  SubjectRow accented = testing::ValidItalianRow();
  accented[kCognome] = "D'ÀMICO-ÈÌ", accented[kNome] = "NICOLÒ Ù";
  with(accented, {{kCodiceFiscale, codicefiscale::CalcolaCF({accented[kCognome], accented[kNome], "M",
                                                             *dates::MakeDate(5, 3, 1950), "ROMA", "ITALIA"},
                                                            places)}});
  for (const SubjectRow& row : rows) {
    EXPECT_TRUE(validation::SubjectRowPasses(row, kToday, places))
        << row[kDataNascita] << " " << row[kDataDecesso] << " " << row[kCodComuneAtto] << row[kCodNazioneDecesso];
  }
  SubjectTable table;
  const int count = static_cast<int>(rows.size());
  ASSERT_EQ(table.Append(std::move(rows)), count);
  const ValidationResult result = Validate(Values{}.sender, Values{}.header, table);
  EXPECT_TRUE(result.valid) << result.reason;
}

// One character more than a text field holds, a required one empty, each character outside its set
// where the schema holds the set; codes, codici fiscali, days, months and years of the wrong form.
TEST_F(SchemaAndChecks, ValuesJustOutsideEachFacetAreRefused) {
  EXPECT_TRUE(Validate(Values{}).valid);  // the notice the others are made from
  const auto refused = [&](const std::string& element, const Field& field, const std::string& value,
                           bool checked = true) {
    Values v;
    field(v) = value;
    const ValidationResult result = Validate(v);
    EXPECT_EQ(result.fault, NoticeFault::kRefused) << element << " \"" << value << "\"";
    EXPECT_NE(result.reason.find("Element '" + element + "'"), std::string::npos)
        << element << " \"" << value << "\": " << result.reason;
    EXPECT_TRUE(!checked || !Passes(v)) << element << " \"" << value << "\": the checks let it through";
  };

  for (const TextFacet& f : kTextFacets) {
    const SetCharacters chars = CharactersOf(f.rule.set);
    refused(f.element, f.field, text::Encode(std::u32string(f.rule.max_length + 1, chars.inside.back())));
    if (f.required) refused(f.element, f.field, "");
    if (!f.set_held) continue;
    for (char32_t c : chars.outside)
      refused(f.element, f.field, text::Encode(std::u32string{chars.inside.back(), c}), f.set_checked);
  }

  refused("SESSO", Cell(kSesso), "m");
  for (const char* year : {"024", "20240", "2O24"}) refused("ANNO_PROT_DECESSO", Cell(kAnnoProtocollo), year);
  for (const char* code : {"", "H50", "H5011", "h501"})
    refused("SEDE_COMUNE", Of(&Values::sender, &Sender::codice_comune), code);
  for (const char* code : {"RSSMRA50C05H501", "RSSMRA50C05H501FF", "rSSMRA50C05H501F", "RSSMRA50C05H5010"})
    refused("CODI_FISCALE", CodiceFiscale, code);

  // Days, months and years of the three dates.
  const Field birth = Cell(kDataNascita), death = Cell(kDataDecesso);
  for (const Field& date : {Of(&Values::header, &CommunicationHeader::data), birth, death}) {
    for (const char* day : {"0", "00", "32", "001"}) refused("GIORNO", date, std::string(day) + "/10/2020");
    for (const char* month : {"0", "13", "010"}) refused("MESE", date, std::string("10/") + month + "/2020");
    refused("ANNO", date, "10/10/0000");
  }
  for (const char* text : {"/10/2020", "10//2020"}) refused(text[0] == '/' ? "GIORNO" : "MESE", death, text);
  refused("MESE", birth, "13/1950");
}

}  // namespace
}  // namespace nerovale::output
