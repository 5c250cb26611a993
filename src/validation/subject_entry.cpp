#include "validation/subject_entry.h"

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

}  // namespace

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

EntryOutcome ValidateSubjectEntry(SubjectEntry e, const Date& today, const reference::PlaceCodes& places) {
  using R = EntryRule;
  e.giorno = PadDayOrMonth(std::move(e.giorno));
  e.mese = PadDayOrMonth(std::move(e.mese));
  e.cognome = Normalised(e.cognome);
  e.nome = Normalised(e.nome);
  e.comune_estero_nascita = Normalised(e.comune_estero_nascita);
  e.nome_padre = Normalised(e.nome_padre);
  e.comune_estero_decesso = Normalised(e.comune_estero_decesso);

  const bool born_in_italy = e.nazione_nascita == "ITALIA";
  const bool died_in_italy = e.nazione_decesso == "ITALIA";
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
    const std::vector<std::string_view> date_boxes = {"GiornoBox", "MeseBox", "AnnoBox"};
    for (int place = 1; place <= kEntryRuleCount; ++place) {
      const auto rule = static_cast<EntryRule>(place);
      if (!failed.Has(rule)) continue;
      // The coherence lines stand only beside a country code; without one, the country's own line speaks.
      if (rule == R::kComuneNascitaCoerente && e.cod_nazione_nascita.empty()) continue;
      if (rule == R::kComuneDecessoCoerente && e.cod_nazione_decesso.empty()) continue;
      std::vector<std::string_view> controls;
      switch (rule) {
        case R::kCognome: controls = {"CognomeBox"}; break;
        case R::kNome: controls = {"NomeBox"}; break;
        case R::kSesso: controls = {"Option1", "Option2"}; break;
        case R::kCodiceFiscale: case R::kCodiceFiscaleDataCompleta: controls = {"CodiceFiscaleBox"}; break;
        case R::kAnnoNascita: controls = {"AnnoBox"}; break;
        case R::kNomePadre: controls = {"PaternitaBox"}; break;
        case R::kDataNascita: case R::kNascitaFutura: controls = date_boxes; break;
        case R::kComuneNascita: controls = {e.comune_estero_nascita.empty() ? "ComuneITCombo" : "ComuneSTBox"}; break;
        case R::kNazioneNascita: controls = {"StatoCombo"}; break;
        case R::kComuneNascitaCoerente: controls = {born_in_italy ? "ComuneSTBox" : "ComuneITCombo"}; break;
        case R::kDataDecesso: case R::kDecessoFuturo: controls = {"DataDecessoBox"}; break;
        case R::kDecessoDopoNascita: controls = {"GiornoBox", "MeseBox", "AnnoBox", "DataDecessoBox"}; break;
        case R::kNazioneDecesso: controls = {"StatoDCombo"}; break;
        case R::kComuneDecessoItalia: controls = {"ComuneITDCombo"}; break;
        case R::kComuneEsteroDecesso: controls = {"ComuneSTDBox"}; break;
        case R::kComuneDecessoCoerente: controls = {died_in_italy ? "ComuneSTDBox" : "ComuneITDCombo"}; break;
        case R::kAttoMorte: controls = {"AttoMorteBox"}; break;
        case R::kComuneAtto: controls = {"ComuneAttoCombo"}; break;
        case R::kAnnoProtocollo: controls = {"AnnoProtocolloBox"}; break;
        case R::kNumeroProtocollo: controls = {"NumProtocolloBox"}; break;
      }
      outcome.failures.push_back({rule, RuleMessage(rule), std::move(controls)});
    }
    return outcome;
  }

  outcome.accepted = true;
  SubjectRow& row = outcome.row;
  row[kCognome] = std::move(e.cognome);
  row[kNome] = std::move(e.nome);
  row[kSesso] = std::move(e.sesso);
  row[kDataNascita] = std::move(birth_text);
  row[kComuneNascita] = std::move(e.comune_nascita);
  row[kCodComuneNascita] = std::move(e.cod_comune_nascita);
  row[kComuneEsteroNascita] = std::move(e.comune_estero_nascita);
  row[kNazioneNascita] = std::move(e.nazione_nascita);
  row[kCodNazioneNascita] = std::move(e.cod_nazione_nascita);
  row[kCodiceFiscale] = std::move(e.codice_fiscale);
  row[kNomePadre] = std::move(e.nome_padre);
  row[kDataDecesso] = std::move(e.data_decesso);
  row[kNazioneDecesso] = std::move(e.nazione_decesso);
  row[kCodNazioneDecesso] = std::move(e.cod_nazione_decesso);
  row[kComuneDecesso] = std::move(e.comune_decesso);
  row[kCodComuneDecesso] = std::move(e.cod_comune_decesso);
  row[kComuneEsteroDecesso] = std::move(e.comune_estero_decesso);
  row[kAttoMorte] = std::move(e.atto_morte);
  row[kComuneAtto] = std::move(e.comune_atto);
  row[kCodComuneAtto] = std::move(e.cod_comune_atto);
  row[kAnnoProtocollo] = std::move(e.anno_protocollo);
  row[kNumeroProtocollo] = std::move(e.numero_protocollo);
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
