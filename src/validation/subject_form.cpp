#include "validation/subject_form.h"

#include <array>
#include <bitset>

#include "codicefiscale/codice_fiscale.h"
#include "core/text.h"
#include "validation/character_sets.h"

namespace nerovale::validation {
namespace {

using dates::Date;

// The rules that failed, by name; listed in the order of the rules.
class FailedRules {
 public:
  void Set(EntryRule rule, bool failed) { failed_[Index(rule)] = failed; }
  void Fail(EntryRule rule) { Set(rule, true); }
  bool Has(EntryRule rule) const { return failed_[Index(rule)]; }
  bool Any() const { return failed_.any(); }

 private:
  static std::size_t Index(EntryRule rule) { return static_cast<std::size_t>(rule) - 1; }
  std::bitset<kEntryRuleCount> failed_;
};

std::string Normalised(std::string_view text) { return std::string(text::TrimBlanks(text::CompactBlanks(text))); }

// The death date box: three "/"-separated parts naming a real date, day at most 31, month at most 12.
std::optional<Date> DeathBoxDate(std::string_view text) {
  std::array<long, 3> parts{};
  std::size_t count = 0;
  for (std::size_t start = 0;; ++count) {
    const auto slash = text.find('/', start);
    if (count < parts.size()) parts[count] = dates::LeadingNumber(text.substr(start, slash - start));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  if (count + 1 < 3 || parts[0] > 31 || parts[1] > 12) return std::nullopt;
  return dates::ParseDayMonthYear(text);
}

namespace f = filters;

constexpr std::array<FieldInfo, kFieldCount> kFields = {{
    {Field::kCognome, FieldKind::kBox, "CognomeBox", &SubjectForm::cognome, kCognome, nullptr, kNumero, &f::kCognome, 1},
    {Field::kNome, FieldKind::kBox, "NomeBox", &SubjectForm::nome, kNome, nullptr, kNumero, &f::kNome, 2},
    {Field::kSesso, FieldKind::kSex, "Option1", &SubjectForm::sesso, kSesso},
    {Field::kGiorno, FieldKind::kBox, "GiornoBox", &SubjectForm::giorno, kDataNascita, nullptr, kNumero, &f::kGiornoMese},
    {Field::kMese, FieldKind::kBox, "MeseBox", &SubjectForm::mese, kDataNascita, nullptr, kNumero, &f::kGiornoMese},
    {Field::kAnno, FieldKind::kBox, "AnnoBox", &SubjectForm::anno, kDataNascita, nullptr, kNumero, &f::kAnno},
    {Field::kComuneNascita, FieldKind::kPlace, "ComuneITCombo", &SubjectForm::comune_nascita, kComuneNascita,
     &SubjectForm::cod_comune_nascita, kCodComuneNascita, &f::kPlaceCombo},
    {Field::kComuneEsteroNascita, FieldKind::kBox, "ComuneSTBox", &SubjectForm::comune_estero_nascita,
     kComuneEsteroNascita, nullptr, kNumero, &f::kComuneEstero, 4},
    {Field::kNazioneNascita, FieldKind::kCountry, "StatoCombo", &SubjectForm::nazione_nascita, kNazioneNascita,
     &SubjectForm::cod_nazione_nascita, kCodNazioneNascita, &f::kPlaceCombo},
    {Field::kCodiceFiscale, FieldKind::kBox, "CodiceFiscaleBox", &SubjectForm::codice_fiscale, kCodiceFiscale, nullptr,
     kNumero, &f::kCodiceFiscale},
    {Field::kNomePadre, FieldKind::kBox, "PaternitaBox", &SubjectForm::nome_padre, kNomePadre, nullptr, kNumero, &f::kNome,
     3},
    {Field::kDataDecesso, FieldKind::kDate, "DataDecessoBox", &SubjectForm::data_decesso, kDataDecesso},
    {Field::kNazioneDecesso, FieldKind::kCountry, "StatoDCombo", &SubjectForm::nazione_decesso, kNazioneDecesso,
     &SubjectForm::cod_nazione_decesso, kCodNazioneDecesso, &f::kPlaceCombo},
    {Field::kComuneDecesso, FieldKind::kPlace, "ComuneITDCombo", &SubjectForm::comune_decesso, kComuneDecesso,
     &SubjectForm::cod_comune_decesso, kCodComuneDecesso, &f::kPlaceCombo},
    {Field::kComuneEsteroDecesso, FieldKind::kBox, "ComuneSTDBox", &SubjectForm::comune_estero_decesso,
     kComuneEsteroDecesso, nullptr, kNumero, &f::kComuneEstero, 5},
    {Field::kAttoMorte, FieldKind::kBox, "AttoMorteBox", &SubjectForm::atto_morte, kAttoMorte, nullptr, kNumero,
     &f::kAttoMorte},
    {Field::kComuneAtto, FieldKind::kPlace, "ComuneAttoCombo", &SubjectForm::comune_atto, kComuneAtto,
     &SubjectForm::cod_comune_atto, kCodComuneAtto, &f::kPlaceCombo},
    {Field::kAnnoProtocollo, FieldKind::kBox, "AnnoProtocolloBox", &SubjectForm::anno_protocollo, kAnnoProtocollo,
     nullptr, kNumero, &f::kAnnoProtocollo},
    {Field::kNumeroProtocollo, FieldKind::kBox, "NumProtocolloBox", &SubjectForm::numero_protocollo, kNumeroProtocollo,
     nullptr, kNumero, &f::kNumProtocollo},
}};

}  // namespace

const std::array<FieldInfo, kFieldCount>& Fields() { return kFields; }

const FieldInfo& Info(Field field) { return kFields[static_cast<std::size_t>(field)]; }

std::optional<Field> FieldOfColumn(std::size_t column) {
  for (const FieldInfo& info : kFields) {
    if (info.kind != FieldKind::kSex && (info.column == column || (info.code != nullptr && info.code_column == column))) {
      return info.field;  // the birth date's first box, the day
    }
  }
  return std::nullopt;
}

SubjectForm SubjectForm::New() {
  SubjectForm form;
  form.nazione_nascita = form.nazione_decesso = std::string(reference::kItaly);
  form.cod_nazione_nascita = form.cod_nazione_decesso = std::string(reference::kItalyCode);
  return form;
}

SubjectForm SubjectForm::FromRow(const SubjectRow& row) {
  SubjectForm form;
  for (const FieldInfo& info : kFields) {
    if (info.column == kDataNascita) continue;
    form.*info.value = row[info.column];
    if (info.code != nullptr) form.*info.code = row[info.code_column];
  }
  const std::string& birth = row[kDataNascita];
  const auto first = birth.find('/');
  const auto second = first == std::string::npos ? first : birth.find('/', first + 1);
  if (text::Length(birth) >= 5 && second != std::string::npos) {
    form.giorno = birth.substr(0, first);
    form.mese = birth.substr(first + 1, second - first - 1);
    const auto third = birth.find('/', second + 1);
    form.anno = birth.substr(second + 1, third == std::string::npos ? third : third - second - 1);
  } else if (text::Length(birth) >= 5) {
    form.mese = birth.substr(0, first);
    if (first != std::string::npos) form.anno = birth.substr(first + 1);
  } else if (text::IsDigits(birth)) {
    form.anno = birth;
  }
  return form;
}

SubjectRow SubjectForm::Cells() const {
  SubjectRow cells;
  for (const FieldInfo& info : kFields) {
    if (info.column == kDataNascita) continue;
    cells[info.column] = this->*info.value;
    if (info.code != nullptr) cells[info.code_column] = this->*info.code;
  }
  cells[kDataNascita] = giorno + "/" + mese + "/" + anno;
  return cells;
}

SubjectForm SubjectForm::FromCells(const SubjectRow& cells) {
  SubjectForm form = FromRow(cells);
  // The boxes as they were, empty ones too; a cell without both slashes (written by hand) is read as
  // a stored row's.
  const std::string& birth = cells[kDataNascita];
  const auto first = birth.find('/');
  const auto second = first == std::string::npos ? first : birth.find('/', first + 1);
  if (second != std::string::npos) {
    form.giorno = birth.substr(0, first);
    form.mese = birth.substr(first + 1, second - first - 1);
    form.anno = birth.substr(second + 1);
  }
  return form;
}

std::string PadDayOrMonth(std::string text) {
  if (text::Length(text) != 1) return text;
  std::string padded(1, '0');  // appended to, not inserted into: GCC 12 warns wrongly about insert(0, ...) at -O3
  padded += text;
  return padded;
}

std::string_view RuleMessage(EntryRule rule) {
  using R = EntryRule;
  switch (rule) {
    case R::kCognome: return "- Cognome non inserito correttamente";
    case R::kNome: return "- Nome non inserito correttamente";
    case R::kSesso: return "- Sesso non specificato";
    case R::kCodiceFiscale: return "- Codice Fiscale non inserito o non valido";
    case R::kCodiceFiscaleDataCompleta: return "- Se si inserisce il Codice Fiscale inserire la Data di Nascita completa";
    case R::kAnnoNascita: return "- Anno di nascita non valido";
    case R::kNomePadre: return "- Nome padre non valido";
    case R::kDataNascita: return "- Data di nascita nulla o non valida";
    case R::kComuneNascita: return "- Comune di nascita non inserito o non valido";
    case R::kNazioneNascita: return "- Nazione di nascita non inserita o non valida";
    case R::kComuneNascitaCoerente: return "- Comune di nascita non coerente con la Nazione";
    case R::kDataDecesso: return "- Data Decesso nulla o non valida";
    case R::kDecessoDopoNascita: return "- La Data Decesso del Soggetto dev'essere maggiore della Data di Nascita";
    case R::kNascitaFutura: return "- Data di Nascita maggiore della data odierna";
    case R::kDecessoFuturo: return "- Data Decesso maggiore della data odierna";
    case R::kNazioneDecesso: return "- Nazione Decesso non inserita o non valida";
    case R::kComuneDecessoItalia: return "- Per i deceduti in Italia è obbligatorio specificarne il Comune";
    case R::kComuneEsteroDecesso: return "- Comune Straniero Decesso non valido";
    case R::kComuneDecessoCoerente: return "- Nazione Decesso non coerente con il Comune";
    case R::kAttoMorte: return "- Atto di morte non inserito o non valido";
    case R::kComuneAtto: return "- Comune Atto di morte non inserito o non valido";
    case R::kAnnoProtocollo: return "- Anno Protocollo non valido";
    case R::kNumeroProtocollo: return "- Numero Protocollo non valido";
  }
  return {};
}

EntryOutcome Validate(SubjectForm e, const Date& today, const reference::PlaceCodes& places) {
  using R = EntryRule;
  e.giorno = PadDayOrMonth(std::move(e.giorno));
  e.mese = PadDayOrMonth(std::move(e.mese));
  e.cognome = Normalised(e.cognome);
  e.nome = Normalised(e.nome);
  e.comune_estero_nascita = Normalised(e.comune_estero_nascita);
  e.nome_padre = Normalised(e.nome_padre);
  e.comune_estero_decesso = Normalised(e.comune_estero_decesso);

  const bool born_in_italy = e.cod_nazione_nascita == reference::kItalyCode;
  const bool died_in_italy = e.cod_nazione_decesso == reference::kItalyCode;
  FailedRules failed;

  // Birth date: the text of the column, the date the codice fiscale is tested with, and the date
  // compared with today and with the death (the first of the month for a month and year).
  std::string birth_text;
  Date birth = dates::ZeroDate();
  Date compared_birth = birth;
  if (!e.giorno.empty() && !e.mese.empty() && !e.anno.empty() && text::IsDigits(e.giorno) && text::IsDigits(e.mese) &&
      text::IsDigits(e.anno)) {
    birth_text = std::to_string(dates::LeadingNumber(e.giorno)) + "/" + std::to_string(dates::LeadingNumber(e.mese)) +
                 "/" + std::to_string(dates::LeadingNumber(e.anno));
  }
  const auto birth_date = dates::ParseDayMonthYear(birth_text);
  if (birth_date) birth = compared_birth = *birth_date;
  if (born_in_italy) {
    failed.Set(R::kDataNascita, !birth_date);
  } else {
    if (e.mese.empty() && !e.giorno.empty()) failed.Fail(R::kDataNascita);
    if (!birth_text.empty() && !birth_date) failed.Fail(R::kDataNascita);
    if (birth_text.empty()) {
      if (!e.mese.empty() && !e.anno.empty()) {
        birth_text = e.mese + "/" + e.anno;
        // A month of the year and a four-digit year, as the check before the XML file reads them.
        if (const auto first_of_month = dates::ParseMonthYear(birth_text)) compared_birth = *first_of_month;
        else failed.Fail(R::kDataNascita);
      } else if (!e.anno.empty()) {
        birth_text = e.anno;
      }
    }
  }
  const std::size_t birth_length = text::Length(birth_text);
  const bool year_alone = birth_length == fields::kAnno.max_length;

  const auto death = DeathBoxDate(e.data_decesso);
  failed.Set(R::kDataDecesso, !death);

  failed.Set(R::kCognome, !fields::kCognome.Holds(e.cognome));
  failed.Set(R::kNome, !fields::kNome.Holds(e.nome));
  failed.Set(R::kSesso, e.sesso.empty());
  if (!failed.Has(R::kDataNascita)) {
    failed.Set(R::kAnnoNascita, text::Length(e.anno) != fields::kAnno.max_length || dates::LeadingNumber(e.anno) == 0);
  }
  const bool birth_known = !failed.Has(R::kDataNascita) && !failed.Has(R::kAnnoNascita);
  if (birth_known) {
    if (year_alone) failed.Set(R::kNascitaFutura, dates::LeadingNumber(birth_text) > static_cast<int>(today.year()));
    else if (birth_length > 0) failed.Set(R::kNascitaFutura, compared_birth > today);
  }
  failed.Set(R::kComuneNascita, (born_in_italy && e.cod_comune_nascita.empty() && e.comune_estero_nascita.empty()) ||
                                    !fields::kComuneEstero.Fits(e.comune_estero_nascita));
  failed.Set(R::kComuneNascitaCoerente, (!e.cod_comune_nascita.empty() && !born_in_italy) ||
                                            (!e.comune_estero_nascita.empty() && born_in_italy));
  failed.Set(R::kNazioneNascita, e.cod_nazione_nascita.empty());
  const std::size_t cf_length = text::Length(e.codice_fiscale);
  const bool full_code = cf_length == fields::kCodiceFiscale.max_length;
  failed.Set(R::kCodiceFiscale, born_in_italy && !full_code);
  if (!e.codice_fiscale.empty() && !born_in_italy && year_alone) {
    failed.Fail(R::kCodiceFiscaleDataCompleta);
  } else {
    // The notice carries a code of 16 characters or none, whoever the subject: a shorter one typed for
    // a subject born abroad would be refused only by the schema of the written file.
    if (!e.codice_fiscale.empty() && !full_code) failed.Fail(R::kCodiceFiscale);
    const codicefiscale::Person person{e.cognome, e.nome, e.sesso, birth, e.comune_nascita, e.nazione_nascita};
    if (full_code && !codicefiscale::ConfrontaCF(person, e.codice_fiscale, places)) failed.Fail(R::kCodiceFiscale);
  }
  failed.Set(R::kNomePadre, !fields::kNome.Fits(e.nome_padre));
  if (death) failed.Set(R::kDecessoFuturo, *death > today);
  // Death before birth, once both dates are judged; a year alone is compared with the year of death
  // (whatever the day and month boxes hold), a date must come strictly before the death.
  if (death && !failed.Has(R::kAnnoNascita) && !failed.Has(R::kNascitaFutura) && !failed.Has(R::kDecessoFuturo)) {
    if (year_alone) {
      failed.Set(R::kDecessoDopoNascita, dates::LeadingNumber(birth_text) > static_cast<int>(death->year()));
    } else if (birth_length > 0 && !failed.Has(R::kDataNascita)) {
      failed.Set(R::kDecessoDopoNascita, *death <= compared_birth);
    }
  }
  failed.Set(R::kNazioneDecesso, e.cod_nazione_decesso.empty());
  failed.Set(R::kComuneDecessoItalia, died_in_italy && e.cod_comune_decesso.empty());
  failed.Set(R::kComuneDecessoCoerente, (!e.cod_comune_decesso.empty() && !died_in_italy) ||
                                            (!e.comune_estero_decesso.empty() && died_in_italy));
  failed.Set(R::kComuneEsteroDecesso, !fields::kComuneEstero.Fits(e.comune_estero_decesso));
  failed.Set(R::kAttoMorte, !fields::kAttoMorte.Holds(e.atto_morte));
  failed.Set(R::kComuneAtto, e.cod_comune_atto.empty());
  failed.Set(R::kAnnoProtocollo, !e.anno_protocollo.empty() &&
                                     (text::Length(e.anno_protocollo) != fields::kAnnoProtocollo.max_length ||
                                      !fields::kAnnoProtocollo.Fits(e.anno_protocollo)));
  failed.Set(R::kNumeroProtocollo, !fields::kNumeroProtocollo.Fits(e.numero_protocollo));

  EntryOutcome outcome;
  if (failed.Any()) {
    using F = Field;
    const std::vector<Field> birth_date = {F::kGiorno, F::kMese, F::kAnno};
    for (int place = 1; place <= kEntryRuleCount; ++place) {
      const auto rule = static_cast<EntryRule>(place);
      if (!failed.Has(rule)) continue;
      // The coherence lines stand only beside a country code; without one, the country's own line speaks.
      if (rule == R::kComuneNascitaCoerente && e.cod_nazione_nascita.empty()) continue;
      if (rule == R::kComuneDecessoCoerente && e.cod_nazione_decesso.empty()) continue;
      std::vector<Field> fields;
      switch (rule) {
        case R::kCognome: fields = {F::kCognome}; break;
        case R::kNome: fields = {F::kNome}; break;
        case R::kSesso: fields = {F::kSesso}; break;
        case R::kCodiceFiscale: case R::kCodiceFiscaleDataCompleta: fields = {F::kCodiceFiscale}; break;
        case R::kAnnoNascita: fields = {F::kAnno}; break;
        case R::kNomePadre: fields = {F::kNomePadre}; break;
        case R::kDataNascita: case R::kNascitaFutura: fields = birth_date; break;
        case R::kComuneNascita:
          fields = {e.comune_estero_nascita.empty() ? F::kComuneNascita : F::kComuneEsteroNascita};
          break;
        case R::kNazioneNascita: fields = {F::kNazioneNascita}; break;
        case R::kComuneNascitaCoerente: fields = {born_in_italy ? F::kComuneEsteroNascita : F::kComuneNascita}; break;
        case R::kDataDecesso: case R::kDecessoFuturo: fields = {F::kDataDecesso}; break;
        case R::kDecessoDopoNascita: fields = {F::kGiorno, F::kMese, F::kAnno, F::kDataDecesso}; break;
        case R::kNazioneDecesso: fields = {F::kNazioneDecesso}; break;
        case R::kComuneDecessoItalia: fields = {F::kComuneDecesso}; break;
        case R::kComuneEsteroDecesso: fields = {F::kComuneEsteroDecesso}; break;
        case R::kComuneDecessoCoerente: fields = {died_in_italy ? F::kComuneEsteroDecesso : F::kComuneDecesso}; break;
        case R::kAttoMorte: fields = {F::kAttoMorte}; break;
        case R::kComuneAtto: fields = {F::kComuneAtto}; break;
        case R::kAnnoProtocollo: fields = {F::kAnnoProtocollo}; break;
        case R::kNumeroProtocollo: fields = {F::kNumeroProtocollo}; break;
      }
      outcome.failures.push_back({rule, RuleMessage(rule), std::move(fields)});
    }
    return outcome;
  }

  outcome.accepted = true;
  for (const FieldInfo& info : kFields) {
    if (info.column == kDataNascita) continue;
    outcome.row[info.column] = std::move(e.*info.value);
    if (info.code != nullptr) outcome.row[info.code_column] = std::move(e.*info.code);
  }
  outcome.row[kDataNascita] = std::move(birth_text);
  return outcome;
}

std::string WarningText(const std::vector<std::string_view>& lines) {
  std::string out = "ATTENZIONE! Sono stati riscontrati i seguenti errori:\r\n";
  for (std::string_view line : lines) {
    out += "\r\n";
    out += line;
  }
  return out;
}

std::string RejectionText(const std::vector<RuleFailure>& failures) {
  std::vector<std::string_view> lines;
  for (const auto& failure : failures) lines.push_back(failure.message);
  return WarningText(lines);
}

}  // namespace nerovale::validation
