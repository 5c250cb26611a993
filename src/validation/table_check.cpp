#include "validation/table_check.h"

#include <optional>

#include "codicefiscale/codice_fiscale.h"
#include "core/text.h"
#include "validation/character_sets.h"
#include "validation/subject_form.h"

namespace nerovale::validation {
namespace {

using dates::Date;


// A day/month/year date, or month/year standing for the first of the month.
std::optional<Date> DateText(std::string_view text) {
  if (auto date = dates::ParseDayMonthYear(text)) return date;
  return dates::ParseMonthYear(text);
}

std::size_t CountParts(std::string_view text) {
  std::size_t parts = 1;
  for (char c : text) parts += c == '/';
  return parts;
}

std::string_view ThirdPart(std::string_view text) {
  const auto first = text.find('/');
  const auto second = text.find('/', first + 1);
  return text.substr(second + 1, text.find('/', second + 1) - second - 1);
}

}  // namespace

HeaderOutcome ValidateCommunicationHeader(std::string_view numero, std::string_view data, int progressivo,
                                          std::optional<Date> today) {
  HeaderOutcome outcome;
  if (numero.empty() || text::Length(numero) > 9) outcome.failed.push_back(HeaderRule::kNumero);
  // A full day/month/year date: a month/year text names no day of notice.
  const auto date = dates::ParseDayMonthYear(data);
  if (!date) outcome.failed.push_back(HeaderRule::kData);
  if (date && today && *today < *date) outcome.failed.push_back(HeaderRule::kDataFutura);
  if (progressivo == 0) outcome.failed.push_back(HeaderRule::kSoggetti);
  if (outcome.failed.empty()) return outcome;

  std::vector<std::string_view> lines;
  for (HeaderRule rule : outcome.failed) {
    switch (rule) {
      case HeaderRule::kNumero: lines.push_back("- Numero comunicazione non immesso o non valido"); break;
      case HeaderRule::kData: lines.push_back("- Data comunicazione non immessa o non valida"); break;
      case HeaderRule::kDataFutura: lines.push_back("- Data comunicazione successiva alla data odierna"); break;
      case HeaderRule::kSoggetti: lines.push_back("- Nessun Soggetto inserito"); break;
    }
  }
  outcome.warning = WarningText(lines);
  return outcome;
}

// Whether a death date of the table lies after the notice date.
static bool DeathAfter(const std::string& death_text, const Date& notice_date) {
  const auto death = DateText(death_text);
  return death && CountParts(death_text) >= 3 && notice_date < *death;
}

std::vector<TableCondition> FailedConditions(const SubjectRow& row, const Date& today,
                                             const reference::PlaceCodes& places, std::optional<Date> notice_date) {
  const std::string& birth_text = row[kDataNascita];
  const std::string& cf = row[kCodiceFiscale];
  const std::size_t birth_length = text::Length(birth_text);
  const int current_year = static_cast<int>(today.year());

  // The birth date in year form (19xx or 20xx, not after this year) or in date form (before today).
  const bool year_form = birth_length == 4 && text::IsDigits(birth_text) &&
                         (birth_text.starts_with("19") || birth_text.starts_with("20")) &&
                         dates::LeadingNumber(birth_text) <= current_year;
  std::optional<Date> birth;
  if (birth_length > 4) {
    birth = DateText(birth_text);
    if (birth && !(*birth < today)) birth.reset();
  }
  const bool italian_birth_code = text::Length(row[kCodComuneNascita]) == 4;
  const bool italy_birth_country = row[kCodNazioneNascita] == reference::kItalyCode;
  const bool born_in_italy = italian_birth_code || italy_birth_country;
  const bool italy_death_country = row[kCodNazioneDecesso] == reference::kItalyCode;
  const std::string& death_text = row[kDataDecesso];
  const auto death = DateText(death_text);
  const bool death_valid = death && CountParts(death_text) >= 3;
  const std::size_t cf_length = text::Length(cf);

  using C = TableCondition;
  std::vector<C> failed;
  const auto check = [&failed](C condition, bool holds) {
    if (!holds) failed.push_back(condition);
  };
  check(C::kCognome, fields::kCognome.Holds(row[kCognome]));
  check(C::kNome, fields::kNome.Holds(row[kNome]));
  check(C::kSesso, row[kSesso] == "M" || row[kSesso] == "F");
  check(C::kDataNascita, year_form || birth);
  check(C::kCodiceNazioneNascita, text::Length(row[kCodNazioneNascita]) == 4);
  check(C::kDataDecesso, death_valid);
  if (death_valid) {
    check(C::kDecessoDopoNascita,
          !(year_form && dates::LeadingNumber(ThirdPart(death_text)) < dates::LeadingNumber(birth_text)) &&
              !(birth && !(*birth < *death)));
    if (notice_date) check(C::kDecessoDopoComunicazione, !DeathAfter(death_text, *notice_date));
  }
  check(C::kCodiceNazioneDecesso, text::Length(row[kCodNazioneDecesso]) == 4);
  check(C::kAttoMorte, fields::kAttoMorte.Holds(row[kAttoMorte]));
  check(C::kCodiceComuneAtto, text::Length(row[kCodComuneAtto]) == 4);
  check(C::kAnnoProtocollo, text::Length(row[kAnnoProtocollo]) == fields::kAnnoProtocollo.max_length && fields::kAnnoProtocollo.Holds(row[kAnnoProtocollo]));
  check(C::kNumeroProtocollo, fields::kNumeroProtocollo.Holds(row[kNumeroProtocollo]));
  check(C::kComuneEsteroNascita, fields::kComuneEstero.Fits(row[kComuneEsteroNascita]));
  check(C::kLunghezzaCodiceFiscale, cf_length == 0 || cf_length == fields::kCodiceFiscale.max_length);
  check(C::kNomePadre, fields::kNome.Fits(row[kNomePadre]));
  check(C::kComuneEsteroDecesso, fields::kComuneEstero.Fits(row[kComuneEsteroDecesso]));
  check(C::kCodiceFiscaleConAnnoSolo, cf.empty() || birth_length != 4);
  check(C::kComuneItalianoAllEstero,
        !italian_birth_code || (italy_birth_country && row[kComuneEsteroNascita].empty()));
  check(C::kNatoInItaliaConAnnoSolo, !born_in_italy || birth_length != 4);
  check(C::kComuneEsteroInItalia, !italy_birth_country || row[kComuneEsteroNascita].empty());
  check(C::kComuneDecessoInItalia, !italy_death_country || (text::Length(row[kCodComuneDecesso]) == 4 &&
                                                             row[kComuneEsteroDecesso].empty()));
  check(C::kComuneItalianoDecessoAllEstero, italy_death_country || text::Length(row[kCodComuneDecesso]) != 4);
  check(C::kCodiceComuneNascita, !italy_birth_country || italian_birth_code);
  check(C::kCodiceFiscaleNatoInItalia, !born_in_italy || cf_length == fields::kCodiceFiscale.max_length);
  // The consistency of the code is judged only on a row that holds in every other respect.
  if (failed.empty() && cf_length == fields::kCodiceFiscale.max_length) {
    const codicefiscale::Person person{row[kCognome], row[kNome], row[kSesso], birth.value_or(dates::ZeroDate()),
                                       row[kComuneNascita], row[kNazioneNascita]};
    check(C::kCodiceFiscaleCoerente, codicefiscale::ConfrontaCF(person, cf, places));
  }
  return failed;
}

bool SubjectRowPasses(const SubjectRow& row, const Date& today, const reference::PlaceCodes& places) {
  return FailedConditions(row, today, places).empty();
}

std::vector<FailedRow> CheckSubjectTable(const SubjectTable& table, const Date& today,
                                         const reference::PlaceCodes& places, std::optional<Date> notice_date) {
  std::vector<FailedRow> failed;
  const int count = table.Count();
  for (int r = 1; r <= count; ++r) {
    if (auto conditions = FailedConditions(table.Row(r), today, places, notice_date); !conditions.empty()) {
      failed.push_back({r, std::move(conditions)});
    }
  }
  return failed;
}

std::vector<FailedRow> DeathsAfterNotice(const SubjectTable& table, const Date& notice_date) {
  std::vector<FailedRow> failed;
  for (int r = 1; r <= table.Count(); ++r) {
    if (DeathAfter(table.Row(r)[kDataDecesso], notice_date)) failed.push_back({r, {TableCondition::kDecessoDopoComunicazione}});
  }
  return failed;
}

std::vector<int> ValidateSubjectTable(const SubjectTable& table, const Date& today, const reference::PlaceCodes& places) {
  std::vector<int> rows;
  for (const FailedRow& failed : CheckSubjectTable(table, today, places)) rows.push_back(failed.row);
  return rows;
}

std::string_view ConditionText(TableCondition condition) {
  using C = TableCondition;
  switch (condition) {
    case C::kCognome: return "Cognome non inserito correttamente";
    case C::kNome: return "Nome non inserito correttamente";
    case C::kSesso: return "Sesso non specificato o diverso da M e F";
    case C::kDataNascita: return "Data di nascita nulla o non valida";
    case C::kCodiceNazioneNascita: return "Nazione di nascita non inserita o non valida";
    case C::kDataDecesso: return "Data Decesso nulla o non valida";
    case C::kDecessoDopoNascita: return "La Data Decesso del Soggetto dev'essere maggiore della Data di Nascita";
    case C::kDecessoDopoComunicazione:
      return "La Data Decesso del Soggetto non può essere successiva alla Data della Comunicazione";
    case C::kCodiceNazioneDecesso: return "Nazione Decesso non inserita o non valida";
    case C::kAttoMorte: return "Atto di morte non inserito o non valido";
    case C::kCodiceComuneAtto: return "Comune Atto di morte non inserito o non valido";
    case C::kAnnoProtocollo: return "Anno Protocollo non inserito o non valido";
    case C::kNumeroProtocollo: return "Numero Protocollo non inserito o non valido";
    case C::kComuneEsteroNascita: return "Comune Straniero di nascita non valido";
    case C::kLunghezzaCodiceFiscale: return "Codice Fiscale di lunghezza diversa da 16";
    case C::kNomePadre: return "Nome padre non valido";
    case C::kComuneEsteroDecesso: return "Comune Straniero Decesso non valido";
    case C::kCodiceFiscaleConAnnoSolo:
      return "Se si inserisce il Codice Fiscale inserire la Data di Nascita completa";
    case C::kComuneItalianoAllEstero:
    case C::kComuneEsteroInItalia: return "Comune di nascita non coerente con la Nazione";
    case C::kNatoInItaliaConAnnoSolo: return "Per i nati in Italia la Data di Nascita dev'essere completa";
    case C::kComuneDecessoInItalia: return "Per i deceduti in Italia è obbligatorio specificarne il Comune, e solo quello";
    case C::kComuneItalianoDecessoAllEstero: return "Nazione Decesso non coerente con il Comune";
    case C::kCodiceComuneNascita: return "Comune di nascita non inserito o non valido";
    case C::kCodiceFiscaleNatoInItalia: return "Codice Fiscale non inserito o non valido";
    case C::kCodiceFiscaleCoerente: return "Codice Fiscale non coerente con i dati del Soggetto";
  }
  return {};
}

std::string FailedRowReasons(const FailedRow& failed) {
  std::string reasons;
  for (TableCondition condition : failed.conditions) {
    if (!reasons.empty()) reasons += "; ";
    reasons += ConditionText(condition);
  }
  return reasons;
}

std::string ReportFailedRows(const std::vector<int>& rows) {
  std::string text = "Sono stati riscontrati errori nei Soggetti alle seguenti righe: ";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) text += " , ";
    text += std::to_string(rows[i]);
  }
  return text;
}

}  // namespace nerovale::validation
