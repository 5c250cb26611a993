// The schema and the checks before output agree: a notice of rows that pass the checks is valid, and
// a value just outside any facet that the schema holds is refused. The limits and the sets of
// characters come from the validation module.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <functional>
#include <map>
#include <random>

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
const std::filesystem::path kSchema = kSource / "ref" / "validate.xsd";
const dates::Date kToday = *dates::MakeDate(5, 12, 2026);

// The characters of a set as the validation module judges them, and those just outside it: the
// Windows-1252 codes next to one of the set, and a character that has no code.
struct SetCharacters {
  std::u32string inside, just_outside;
};

const SetCharacters& CharactersOf(CharSet set) {
  static std::map<CharSet, SetCharacters> cache;
  if (auto found = cache.find(set); found != cache.end()) return found->second;
  const auto in = [set](int code) {
    return code >= 1 && code <= 255 && validation::InSet(set, text::FromCp1252(static_cast<unsigned char>(code)));
  };
  SetCharacters chars;
  for (int code = 1; code <= 255; ++code) {
    const char32_t c = text::FromCp1252(static_cast<unsigned char>(code));
    if (text::IsControl(c)) continue;  // no cell holds one
    if (in(code)) chars.inside += c;
    else if (in(code - 1) || in(code + 1)) chars.just_outside += c;
  }
  chars.just_outside += U'\u0100';
  return cache[set] = chars;
}

// Subjects, senders and headers made at random from the limits and sets of the fields, now and then
// one step outside them so that the checks have something to refuse. The seed is fixed: every run
// makes the same.
class Maker {
 public:
  explicit Maker(reference::ReferenceTables& tables) : tables_(tables), places_(tables.Snapshot()) {
    for (const auto& name : tables.ComuniNames())
      if (auto code = places_.CodComune(name); !code.empty()) comuni_.push_back({name, code});
    for (const auto& name : tables.StatiNames())
      if (auto code = places_.CodStato(name); !code.empty() && code != "Z000") stati_.push_back({name, code});
  }
  const reference::PlaceCodes& places() const { return places_; }

  SubjectRow Row() {
    SubjectRow r;
    r[kCognome] = Text(fields::kCognome, false);
    r[kNome] = Text(fields::kNome, false);
    r[kSesso] = Chance(2) ? "m" : Chance(50) ? "M" : "F";
    const bool born_in_italy = Chance(50);
    const dates::Date birth = Between(*dates::MakeDate(1, 1, 1900), Days(kToday) - std::chrono::days(1));
    const int form = born_in_italy ? 0 : Uniform(0, 2);  // day/month/year, month/year, the year alone
    const dates::Date cf_birth = form == 1 ? *dates::MakeDate(1, Month(birth), Year(birth)) : birth;
    const std::string year = std::to_string(Year(birth));
    r[kDataNascita] = form == 0 ? DateText(birth) : form == 1 ? Number(Month(birth), Chance(50)) + "/" + year : year;
    Place(r, born_in_italy, kComuneNascita, kCodComuneNascita, kNazioneNascita, kCodNazioneNascita,
          kComuneEsteroNascita);
    if (born_in_italy || (form != 2 && Chance(50)) || Chance(3)) {
      std::string& cf = r[kCodiceFiscale] = codicefiscale::CalcolaCF(
          {r[kCognome], r[kNome], r[kSesso], cf_birth, r[kComuneNascita], r[kNazioneNascita]}, places_);
      const auto lower = [](char& c) { c = static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
      if (Chance(15)) lower(cf.back());  // typed in lower case: only the check letter is read either way
      if (Chance(3)) lower(cf.front());
    }
    r[kNomePadre] = Text(fields::kNome, true);
    r[kDataDecesso] = DateText(Between(birth, Days(kToday) + std::chrono::days(30)));
    Place(r, Chance(50), kComuneDecesso, kCodComuneDecesso, kNazioneDecesso, kCodNazioneDecesso, kComuneEsteroDecesso);
    r[kAttoMorte] = Text(fields::kAttoMorte, false);
    const auto& [atto_name, atto_code] = Any(comuni_);
    r[kComuneAtto] = atto_name, r[kCodComuneAtto] = atto_code;
    const std::string protocol_year = std::to_string(10000 + Uniform(0, 9999)).substr(1);
    r[kAnnoProtocollo] = Chance(3) ? protocol_year.substr(1) : protocol_year;
    r[kNumeroProtocollo] = Text(fields::kNumeroProtocollo, false);
    return r;
  }

  // A sender that passes its checks (they see only that the names are there) and a header.
  Sender PassingSender() {
    for (;;) {
      const std::string code = Any(comuni_).second, cognome = Text(fields::kReferente, false, false);
      const Sender s{code, cognome, Text(fields::kReferente, false, false)};
      const auto faults = validation::SenderFaults(s.codice_comune, tables_.DescComune(s.codice_comune).value,
                                                   s.cognome_referente, s.nome_referente);
      if (faults.empty()) return s;
    }
  }
  CommunicationHeader Header() {
    return {Text(fields::kNumeroComunicazione, false, false),
            DateText(Between(*dates::MakeDate(1, 1, 2000), Days(kToday)))};
  }

 private:
  using PlaceName = std::pair<std::string, std::string>;

  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int percent) { return Uniform(1, 100) <= percent; }
  template <typename Items>
  const typename Items::value_type& Any(const Items& items) {
    return items[static_cast<std::size_t>(Uniform(0, static_cast<int>(items.size()) - 1))];
  }
  // A municipality of Italy, or another country with maybe a town of its own.
  void Place(SubjectRow& r, bool italy, Column comune, Column cod_comune, Column stato, Column cod_stato,
             Column estero) {
    const auto& [name, code] = Any(italy ? comuni_ : stati_);
    if (italy) r[comune] = name, r[cod_comune] = code, r[stato] = "ITALIA", r[cod_stato] = "Z000";
    else r[stato] = name, r[cod_stato] = code, r[estero] = Text(fields::kComuneEstero, true);
  }

  static std::chrono::sys_days Days(const dates::Date& d) { return std::chrono::sys_days(d); }
  static int Year(const dates::Date& d) { return static_cast<int>(d.year()); }
  static int Month(const dates::Date& d) { return static_cast<int>(static_cast<unsigned>(d.month())); }
  dates::Date Between(const dates::Date& from, std::chrono::sys_days to) {
    return dates::Date(Days(from) + std::chrono::days(Uniform(0, static_cast<int>((to - Days(from)).count()))));
  }
  static std::string Number(int n, bool two_digits) { return (two_digits && n < 10 ? "0" : "") + std::to_string(n); }
  // Day and month with or without their leading zero.
  std::string DateText(const dates::Date& d) {
    return Number(static_cast<int>(static_cast<unsigned>(d.day())), Chance(50)) + "/" + Number(Month(d), Chance(50)) +
           "/" + std::to_string(Year(d));
  }

  // A text of the field's set: one character, the most the field holds, or any length between, and
  // now and then one character more or one character outside the set.
  std::string Text(const FieldRule& field, bool optional, bool stray = true) {
    if (optional && Chance(30)) return {};
    const SetCharacters& chars = CharactersOf(field.set);
    const int max = static_cast<int>(field.max_length);
    const int pick = Uniform(1, 100);
    const int length = pick <= 8 ? 1 : pick <= 16 ? max : (stray && pick <= 20) ? max + 1 : Uniform(1, max);
    std::u32string t;
    for (int i = 0; i < length; ++i) t += Any(chars.inside);
    if (stray && Chance(5)) t[static_cast<std::size_t>(Uniform(0, length - 1))] = Any(chars.just_outside);
    return text::Encode(t);
  }

  reference::ReferenceTables& tables_;
  reference::ReferenceSnapshot places_;
  std::vector<PlaceName> comuni_, stati_;
  std::mt19937 random_{20261205};
};

TEST(SchemaAndChecks, NoticesOfRowsThatPassTheChecksAreValid) {
  reference::ReferenceTables tables(kSource);
  Maker maker(tables);
  testing::TempDir dir;
  int kept = 0, made = 0;
  for (int n = 0; n < 4; ++n) {
    const Sender sender = maker.PassingSender();
    CommunicationHeader header = maker.Header();
    while (!validation::ValidateCommunicationHeader(header.numero, header.data, 1).ok()) header = maker.Header();
    SubjectTable table;
    for (; table.Count() < 1000; ++made) {
      SubjectRow row = maker.Row();
      if (validation::SubjectRowPasses(row, kToday, maker.places())) {
        EXPECT_TRUE(table.Add(std::move(row)));
      }
    }
    kept += table.Count();
    const auto file = dir / ("notice" + std::to_string(n) + ".xml");
    ASSERT_TRUE(SaveNoticeXml({sender, header, table, kSchema}, file));
    const ValidationResult result = ValidateFile(file);
    EXPECT_TRUE(result.valid) << result.reason;
  }
  EXPECT_EQ(kept, 4000);
  EXPECT_LT(kept, made);  // the checks refused some: the makings reached past the limits
}

// A valid notice with one value changed.
struct Values {
  Sender sender{"H501", "BIANCHI", "LUCIA"};
  CommunicationHeader header{"123", "30/11/2026"};
  SubjectRow row = testing::ValidItalianRow();
};
using Field = std::function<std::string&(Values&)>;
Field Cell(Column column) { return [column](Values& v) -> std::string& { return v.row[column]; }; }
template <typename Part>
Field Of(Part Values::*part, std::string Part::*text) {
  return [part, text](Values& v) -> std::string& { return v.*part.*text; };
}

TEST(SchemaAndChecks, ValuesJustOutsideEachFacetAreRefused) {
  testing::TempDir dir;
  int n = 0;
  const auto validate = [&](const Values& v) {
    SubjectTable table;
    EXPECT_TRUE(table.Add(v.row));
    const auto file = dir / ("notice" + std::to_string(n++) + ".xml");
    EXPECT_TRUE(SaveNoticeXml({v.sender, v.header, table, kSchema}, file));
    return ValidateFile(file);
  };
  EXPECT_TRUE(validate(Values{}).valid);  // the notice the others are made from
  const auto refused = [&](const std::string& element, const Field& field, const std::string& value) {
    Values v;
    field(v) = value;
    const ValidationResult result = validate(v);
    EXPECT_EQ(result.fault, NoticeFault::kRefused) << element << " \"" << value << "\"";
    EXPECT_NE(result.reason.find("Element '" + element + "'"), std::string::npos)
        << element << " \"" << value << "\": " << result.reason;
  };

  // The text fields: one character more than the field holds, empty when required, and each
  // character just outside its set where the schema holds the set as well as the length.
  struct TextFacet { const char* element; Field field; FieldRule rule; bool required, set_held = true; };
  const TextFacet text_facets[] = {
      {"PERS_COGNOME", Cell(kCognome), fields::kCognome, true},
      {"PERS_NOME", Cell(kNome), fields::kNome, true},
      {"PERS_PATERNITA", Cell(kNomePadre), fields::kNome, false},
      {"DESC_COMUNE_ESTERO", Cell(kComuneEsteroNascita), fields::kComuneEstero, false},
      {"DESC_COMUNE_ESTERO_MORTE", Cell(kComuneEsteroDecesso), fields::kComuneEstero, false},
      {"NUME_ATTO_MORTE", Cell(kAttoMorte), fields::kAttoMorte, true},
      {"NUME_PROT_DECESSO", Cell(kNumeroProtocollo), fields::kNumeroProtocollo, false},
      {"NUMERO_RICHIESTA", Of(&Values::header, &CommunicationHeader::numero), fields::kNumeroComunicazione, true},
      {"COGNOME_REFERENTE", Of(&Values::sender, &Sender::cognome_referente), fields::kReferente, true, false},
      {"NOME_REFERENTE", Of(&Values::sender, &Sender::nome_referente), fields::kReferente, true, false},
  };
  for (const auto& f : text_facets) {
    const SetCharacters& chars = CharactersOf(f.rule.set);
    refused(f.element, f.field, text::Encode(std::u32string(f.rule.max_length + 1, chars.inside.back())));
    if (f.required) refused(f.element, f.field, "");
    if (!f.set_held) continue;
    for (char32_t c : chars.just_outside)
      refused(f.element, f.field, text::Encode(std::u32string{chars.inside.back(), c}));
  }

  for (const char* code : {"", "H50", "H5011", "h501"})
    refused("SEDE_COMUNE", Of(&Values::sender, &Sender::codice_comune), code);
  for (const char* code : {"RSSMRA50C05H501", "RSSMRA50C05H501FF", "rSSMRA50C05H501F", "RSSMRA50C05H5010"})
    refused("CODI_FISCALE", Cell(kCodiceFiscale), code);

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
