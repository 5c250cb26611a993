#include "validation/subject_entry.h"

#include <array>
#include <bitset>

#include "codicefiscale/codice_fiscale.h"
#include "core/text.h"
#include "validation/character_sets.h"

namespace nerovale::validation {
namespace {

using dates::Date;

constexpr std::array<std::string_view, 24> kMessages = {
    "",
    "- Cognome non inserito correttamente",
    "- Nome non inserito correttamente",
    "- Sesso non specificato",
    "- Codice Fiscale non inserito o non valido",
    "- Se si inserisce il Codice Fiscale inserire la Data di Nascita completa",
    "- Anno di nascita non valido",
    "- Nome padre non valido",
    "- Data di nascita nulla o non valida",
    "- Comune di nascita non inserito o non valido",
    "- Nazione di nascita non inserita o non valida",
    "- Comune di nascita non coerente con la Nazione",
    "- Data Decesso nulla o non valida",
    "- La Data Decesso del Soggetto dev'essere maggiore della Data di Nascita",
    "- Data di Nascita maggiore della data odierna",
    "- Data Decesso maggiore della data odierna",
    "- Nazione Decesso non inserita o non valida",
    "- Per i deceduti in Italia è obbligatorio specificarne il Comune",
    "- Comune Straniero Decesso non valido",
    "- Nazione Decesso non coerente con il Comune",
    "- Atto di morte non inserito o non valido",
    "- Comune Atto di morte non inserito o non valido",
    "- Anno Protocollo non valido",
    "- Numero Protocollo non valido",
};

std::string Normalised(std::string_view text) { return std::string(text::TrimBlanks(text::CompactBlanks(text))); }

bool FitsSet(std::string_view value, std::size_t max_length, CharSet set) {
  return text::Length(value) <= max_length && AllInSet(set, value);
}

bool Required(std::string_view value, std::size_t max_length, CharSet set) {
  return !value.empty() && FitsSet(value, max_length, set);
}

// The death date box: three "/"-separated parts naming a real date, day at most 31, month at most 12.
std::optional<Date> DeathDate(std::string_view text) {
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
  if (text::Length(text) == 1) text.insert(0, "0");
  return text;
}

EntryOutcome ValidateSubjectEntry(SubjectEntry e, const Date& today, const reference::PlaceCodes& places) {
  e.giorno = PadDayOrMonth(std::move(e.giorno));
  e.mese = PadDayOrMonth(std::move(e.mese));
  e.cognome = Normalised(e.cognome);
  e.nome = Normalised(e.nome);
  e.comune_estero_nascita = Normalised(e.comune_estero_nascita);
  e.nome_padre = Normalised(e.nome_padre);
  e.comune_estero_decesso = Normalised(e.comune_estero_decesso);

  const bool born_in_italy = e.nazione_nascita == "ITALIA";
  const bool died_in_italy = e.nazione_decesso == "ITALIA";
  std::bitset<24> failed;

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
  if (born_in_italy) {
    if (birth_date) birth = *birth_date;
    else failed[8] = true;
  } else {
    if (e.mese.empty() && !e.giorno.empty()) failed[8] = true;
    if (!birth_text.empty()) {
      if (birth_date) birth = *birth_date;
      else failed[8] = true;
    }
    if (birth_text.empty()) {
      if (!e.mese.empty() && !e.anno.empty()) {
        birth_text = e.mese + "/" + e.anno;
        // A month of the year and a four-digit year, as the check before the XML file reads them.
        if (const auto first_of_month = dates::ParseMonthYear(birth_text)) compared_birth = *first_of_month;
        else failed[8] = true;
      } else if (!e.anno.empty()) {
        birth_text = e.anno;
      }
    }
  }
  if (birth_date) compared_birth = birth;
  const std::size_t birth_length = text::Length(birth_text);

  const auto death = DeathDate(e.data_decesso);
  failed[12] = !death;

  failed[1] = !Required(e.cognome, 72, CharSet::kSurname);
  failed[2] = !Required(e.nome, 72, CharSet::kName);
  failed[3] = e.sesso.empty();
  if (!failed[8]) failed[6] = e.anno.empty() || text::Length(e.anno) != 4 || dates::LeadingNumber(e.anno) == 0;
  if (!failed[8] && !failed[6]) {
    if (birth_length > 4) failed[14] = compared_birth > today;
    else if (birth_length == 4) failed[14] = dates::LeadingNumber(birth_text) > static_cast<int>(today.year());
  }
  failed[9] = (born_in_italy && e.cod_comune_nascita.empty() && e.comune_estero_nascita.empty()) ||
              !FitsSet(e.comune_estero_nascita, 60, CharSet::kPlace);
  failed[11] = (!e.cod_comune_nascita.empty() && !born_in_italy) || (!e.comune_estero_nascita.empty() && born_in_italy);
  failed[10] = e.cod_nazione_nascita.empty();
  const std::size_t cf_length = text::Length(e.codice_fiscale);
  failed[4] = born_in_italy && cf_length != 16;
  if (!e.codice_fiscale.empty() && !born_in_italy && birth_length == 4) {
    failed[5] = true;
  } else {
    const codicefiscale::Person person{e.cognome, e.nome, e.sesso, birth, e.comune_nascita, e.nazione_nascita};
    if (!codicefiscale::ConfrontaCF(person, e.codice_fiscale, places) && cf_length == 16) failed[4] = true;
  }
  failed[7] = !FitsSet(e.nome_padre, 72, CharSet::kName);
  if (!failed[12]) failed[15] = *death > today;
  if (birth_length > 4 && !failed[8] && !failed[15] && !failed[12] && !failed[14] && !failed[6]) {
    failed[13] = *death <= compared_birth;
  } else if (birth_length == 4 && !failed[15] && !failed[12] && !failed[14] && !failed[6]) {
    failed[13] = dates::LeadingNumber(birth_text) > static_cast<int>(death->year());
  }
  failed[16] = e.cod_nazione_decesso.empty();
  failed[17] = died_in_italy && e.cod_comune_decesso.empty();
  failed[19] = (!e.cod_comune_decesso.empty() && !died_in_italy) || (!e.comune_estero_decesso.empty() && died_in_italy);
  failed[18] = !FitsSet(e.comune_estero_decesso, 60, CharSet::kPlace);
  failed[20] = !Required(e.atto_morte, 9, CharSet::kCertificate);
  failed[21] = e.cod_comune_atto.empty();
  failed[22] = !e.anno_protocollo.empty() && (text::Length(e.anno_protocollo) != 4 || !text::IsDigits(e.anno_protocollo));
  failed[23] = !e.numero_protocollo.empty() && !FitsSet(e.numero_protocollo, 9, CharSet::kProtocol);

  EntryOutcome outcome;
  if (failed.any()) {
    const std::vector<std::string_view> date_boxes = {"GiornoBox", "MeseBox", "AnnoBox"};
    for (int rule = 1; rule <= 23; ++rule) {
      if (!failed[static_cast<std::size_t>(rule)]) continue;
      // The coherence lines stand only beside a country code; without one, rule 10 or 16 speaks.
      if (rule == 11 && e.cod_nazione_nascita.empty()) continue;
      if (rule == 19 && e.cod_nazione_decesso.empty()) continue;
      std::vector<std::string_view> controls;
      switch (rule) {
        case 1: controls = {"CognomeBox"}; break;
        case 2: controls = {"NomeBox"}; break;
        case 3: controls = {"Option1", "Option2"}; break;
        case 4: case 5: controls = {"CodiceFiscaleBox"}; break;
        case 6: controls = {"AnnoBox"}; break;
        case 7: controls = {"PaternitaBox"}; break;
        case 8: case 14: controls = date_boxes; break;
        case 9: controls = {e.comune_estero_nascita.empty() ? "ComuneITCombo" : "ComuneSTBox"}; break;
        case 10: controls = {"StatoCombo"}; break;
        case 11: controls = {born_in_italy ? "ComuneSTBox" : "ComuneITCombo"}; break;
        case 12: case 15: controls = {"DataDecessoBox"}; break;
        case 13: controls = {"GiornoBox", "MeseBox", "AnnoBox", "DataDecessoBox"}; break;
        case 16: controls = {"StatoDCombo"}; break;
        case 17: controls = {"ComuneITDCombo"}; break;
        case 18: controls = {"ComuneSTDBox"}; break;
        case 19: controls = {died_in_italy ? "ComuneSTDBox" : "ComuneITDCombo"}; break;
        case 20: controls = {"AttoMorteBox"}; break;
        case 21: controls = {"ComuneAttoCombo"}; break;
        case 22: controls = {"AnnoProtocolloBox"}; break;
        case 23: controls = {"NumProtocolloBox"}; break;
        default: break;
      }
      outcome.failures.push_back({rule, kMessages[static_cast<std::size_t>(rule)], std::move(controls)});
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

std::string FailureText(const std::vector<RuleFailure>& failures) {
  std::vector<std::string_view> lines;
  for (const auto& failure : failures) lines.push_back(failure.message);
  return WarningText(lines);
}

}  // namespace nerovale::validation
