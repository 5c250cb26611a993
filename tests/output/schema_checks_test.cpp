// The schema and the checks before output agree: a notice of rows that pass the checks is valid, and
// a value just outside any facet that the schema holds is refused. The limits and the sets of
// characters come from the validation module.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
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
    for (const auto& name : tables.ComuniNames()) {
      if (auto code = places_.CodComune(name); !code.empty()) comuni_.push_back({name, code});
    }
    for (const auto& name : tables.StatiNames()) {
      if (auto code = places_.CodStato(name); !code.empty() && code != "Z000") stati_.push_back({name, code});
    }
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
    if (form == 0) r[kDataNascita] = DateText(birth);
    if (form == 1) r[kDataNascita] = Number(Month(birth), Chance(50)) + "/" + std::to_string(Year(birth));
    if (form == 2) r[kDataNascita] = std::to_string(Year(birth));
    if (born_in_italy) {
      const auto& [name, code] = Pick(comuni_);
      r[kComuneNascita] = name, r[kCodComuneNascita] = code;
      r[kNazioneNascita] = "ITALIA", r[kCodNazioneNascita] = "Z000";
    } else {
      const auto& [name, code] = Pick(stati_);
      r[kNazioneNascita] = name, r[kCodNazioneNascita] = code;
      r[kComuneEsteroNascita] = Text(fields::kComuneEstero, true);
    }
    if (born_in_italy || (form != 2 && Chance(50)) || Chance(3)) {
      std::string cf = codicefiscale::CalcolaCF(
          {r[kCognome], r[kNome], r[kSesso], cf_birth, r[kComuneNascita], r[kNazioneNascita]}, places_);
      // Typed in lower case: only the check letter is read either way.
      if (!cf.empty() && Chance(15)) cf.back() = static_cast<char>(std::tolower(static_cast<unsigned char>(cf.back())));
      if (!cf.empty() && Chance(3))
        cf.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(cf.front())));
      r[kCodiceFiscale] = cf;
    }
    r[kNomePadre] = Text(fields::kNome, true);
    r[kDataDecesso] = DateText(Between(birth, Days(kToday) + std::chrono::days(30)));
    if (Chance(50)) {
      const auto& [name, code] = Pick(comuni_);
      r[kNazioneDecesso] = "ITALIA", r[kCodNazioneDecesso] = "Z000";
      r[kComuneDecesso] = name, r[kCodComuneDecesso] = code;
    } else {
      const auto& [name, code] = Pick(stati_);
      r[kNazioneDecesso] = name, r[kCodNazioneDecesso] = code;
      r[kComuneEsteroDecesso] = Text(fields::kComuneEstero, true);
    }
    r[kAttoMorte] = Text(fields::kAttoMorte, false);
    const auto& [atto_name, atto_code] = Pick(comuni_);
    r[kComuneAtto] = atto_name, r[kCodComuneAtto] = atto_code;
    char year[8];
    std::snprintf(year, sizeof year, "%04d", Uniform(0, 9999));
    r[kAnnoProtocollo] = Chance(3) ? std::string(year + 1) : year;
    r[kNumeroProtocollo] = Text(fields::kNumeroProtocollo, false);
    return r;
  }

  // The contact person's names within their limit (the checks see only that they are there).
  Sender MakeSender() {
    const auto& code = Pick(comuni_).second;
    return {code, Text(fields::kReferente, false, false), Text(fields::kReferente, false, false)};
  }
  bool Passes(const Sender& s) {
    return validation::SenderFaults(s.codice_comune, tables_.DescComune(s.codice_comune).value, s.cognome_referente,
                                    s.nome_referente)
        .empty();
  }

  CommunicationHeader Header() {
    return {Text(fields::kNumeroComunicazione, false, false),
            DateText(Between(*dates::MakeDate(1, 1, 2000), Days(kToday)))};
  }

 private:
  using Place = std::pair<std::string, std::string>;

  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int percent) { return Uniform(1, 100) <= percent; }
  const Place& Pick(const std::vector<Place>& places) {
    return places[static_cast<std::size_t>(Uniform(0, static_cast<int>(places.size()) - 1))];
  }

  static std::chrono::sys_days Days(const dates::Date& d) { return std::chrono::sys_days(d); }
  static int Year(const dates::Date& d) { return static_cast<int>(d.year()); }
  static int Month(const dates::Date& d) { return static_cast<int>(static_cast<unsigned>(d.month())); }
  dates::Date Between(const dates::Date& from, std::chrono::sys_days to) {
    const int span = static_cast<int>((to - Days(from)).count());
    return dates::Date(Days(from) + std::chrono::days(Uniform(0, span)));
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
    for (int i = 0; i < length; ++i)
      t += chars.inside[static_cast<std::size_t>(Uniform(0, static_cast<int>(chars.inside.size()) - 1))];
    if (stray && Chance(5)) {
      t[static_cast<std::size_t>(Uniform(0, length - 1))] =
          chars.just_outside[static_cast<std::size_t>(Uniform(0, static_cast<int>(chars.just_outside.size()) - 1))];
    }
    return text::Encode(t);
  }

  reference::ReferenceTables& tables_;
  reference::ReferenceSnapshot places_;
  std::vector<Place> comuni_, stati_;
  std::mt19937 random_{20261205};
};

TEST(SchemaAndChecks, NoticesOfRowsThatPassTheChecksAreValid) {
  reference::ReferenceTables tables(kSource);
  Maker maker(tables);
  testing::TempDir dir;
  const auto schema = kSource / "ref" / "validate.xsd";
  int kept = 0, made = 0;
  for (int n = 0; n < 4; ++n) {
    Sender sender = maker.MakeSender();
    while (!maker.Passes(sender)) sender = maker.MakeSender();
    CommunicationHeader header = maker.Header();
    while (!validation::ValidateCommunicationHeader(header.numero, header.data, 1).ok()) header = maker.Header();
    SubjectTable table;
    while (table.Count() < 1000) {
      SubjectRow row = maker.Row();
      ++made;
      if (validation::SubjectRowPasses(row, kToday, maker.places())) {
        EXPECT_TRUE(table.Add(std::move(row)));
      }
    }
    kept += table.Count();
    const auto file = dir / ("notice" + std::to_string(n) + ".xml");
    ASSERT_TRUE(SaveNoticeXml({sender, header, table, schema}, file));
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

TEST(SchemaAndChecks, ValuesJustOutsideEachFacetAreRefused) {
  struct Case {
    std::string element;
    std::function<void(Values&)> change;
    std::string value;  // for the message
  };
  std::vector<Case> cases;
  const auto in_cell = [](Column column) { return [column](Values& v, const std::string& s) { v.row[column] = s; }; };
  using Setter = std::function<void(Values&, const std::string&)>;
  const auto add = [&cases](const std::string& element, const Setter& set, const std::string& value) {
    cases.push_back({element, [set, value](Values& v) { set(v, value); }, value});
  };

  // The text fields: one character more than the field holds, and each character just outside its set.
  struct TextFacet {
    const char* element;
    Setter set;
    FieldRule field;
    bool required;
    bool set_held;  // the schema holds the characters as well as the length
  } text_facets[] = {
      {"PERS_COGNOME", in_cell(kCognome), fields::kCognome, true, true},
      {"PERS_NOME", in_cell(kNome), fields::kNome, true, true},
      {"PERS_PATERNITA", in_cell(kNomePadre), fields::kNome, false, true},
      {"DESC_COMUNE_ESTERO", in_cell(kComuneEsteroNascita), fields::kComuneEstero, false, true},
      {"DESC_COMUNE_ESTERO_MORTE", in_cell(kComuneEsteroDecesso), fields::kComuneEstero, false, true},
      {"NUME_ATTO_MORTE", in_cell(kAttoMorte), fields::kAttoMorte, true, true},
      {"NUME_PROT_DECESSO", in_cell(kNumeroProtocollo), fields::kNumeroProtocollo, false, true},
      {"NUMERO_RICHIESTA", [](Values& v, const std::string& s) { v.header.numero = s; }, fields::kNumeroComunicazione,
       true, true},
      {"COGNOME_REFERENTE", [](Values& v, const std::string& s) { v.sender.cognome_referente = s; }, fields::kReferente,
       true, false},
      {"NOME_REFERENTE", [](Values& v, const std::string& s) { v.sender.nome_referente = s; }, fields::kReferente, true,
       false},
  };
  for (const auto& f : text_facets) {
    const SetCharacters& chars = CharactersOf(f.field.set);
    add(f.element, f.set, text::Encode(std::u32string(f.field.max_length + 1, chars.inside.back())));
    if (f.required) add(f.element, f.set, "");
    if (!f.set_held) continue;
    for (char32_t c : chars.just_outside) add(f.element, f.set, text::Encode(std::u32string{chars.inside.back(), c}));
  }

  const Setter sede = [](Values& v, const std::string& s) { v.sender.codice_comune = s; };
  for (const char* code : {"", "H50", "H5011", "h501"}) add("SEDE_COMUNE", sede, code);
  const Setter cf = in_cell(kCodiceFiscale);
  for (const char* code : {"RSSMRA50C05H501", "RSSMRA50C05H501FF", "rSSMRA50C05H501F", "RSSMRA50C05H5010"})
    add("CODI_FISCALE", cf, code);

  // Days, months and years of the three dates.
  const Setter notice_date = [](Values& v, const std::string& s) { v.header.data = s; };
  const Setter birth = in_cell(kDataNascita);
  const Setter death = in_cell(kDataDecesso);
  for (const Setter& date : {notice_date, birth, death}) {
    for (const char* day : {"0", "00", "32", "001"}) add("GIORNO", date, std::string(day) + "/10/2020");
    for (const char* month : {"0", "13", "010"}) add("MESE", date, std::string("10/") + month + "/2020");
    add("ANNO", date, "10/10/0000");
  }
  for (const char* text : {"/10/2020", "10//2020"}) add(text[0] == '/' ? "GIORNO" : "MESE", death, text);
  add("MESE", birth, "13/1950");

  testing::TempDir dir;
  const auto schema = kSource / "ref" / "validate.xsd";
  int n = 0;
  for (const auto& c : cases) {
    Values v;
    c.change(v);
    SubjectTable table;
    EXPECT_TRUE(table.Add(v.row));
    const auto file = dir / ("notice" + std::to_string(n++) + ".xml");
    ASSERT_TRUE(SaveNoticeXml({v.sender, v.header, table, schema}, file));
    const ValidationResult result = ValidateFile(file);
    EXPECT_EQ(result.fault, NoticeFault::kRefused) << c.element << " \"" << c.value << "\"";
    EXPECT_NE(result.reason.find("Element '" + c.element + "'"), std::string::npos)
        << c.element << " \"" << c.value << "\": " << result.reason;
  }
  // And the notice they were made from is valid.
  Values valid;
  SubjectTable table;
  EXPECT_TRUE(table.Add(valid.row));
  ASSERT_TRUE(SaveNoticeXml({valid.sender, valid.header, table, schema}, dir / "valid.xml"));
  EXPECT_TRUE(ValidateFile(dir / "valid.xml").valid);
}

}  // namespace
}  // namespace nerovale::output
