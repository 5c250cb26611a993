#include "validation/table_check.h"

#include <optional>

#include "codicefiscale/codice_fiscale.h"
#include "core/text.h"
#include "validation/character_sets.h"
#include "validation/subject_entry.h"

namespace nerovale::validation {
namespace {

using dates::Date;

constexpr std::string_view kItaly = "Z000";

// A day/month/year date, or month/year standing for the first of the month.
std::optional<Date> DateText(std::string_view text) {
  if (auto date = dates::ParseDayMonthYear(text)) return date;
  return dates::ParseMonthYear(text);
}

bool Within(std::string_view value, std::size_t min, std::size_t max, CharSet set) {
  const std::size_t length = text::Length(value);
  return length >= min && length <= max && AllInSet(set, value);
}

bool EmptyOrWithin(std::string_view value, std::size_t max, CharSet set) {
  return value.empty() || Within(value, 1, max, set);
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

HeaderOutcome ValidateCommunicationHeader(std::string_view numero, std::string_view data, int progressivo) {
  HeaderOutcome outcome;
  if (numero.empty() || text::Length(numero) > 9) outcome.failed.push_back(HeaderRule::kNumero);
  // A full day/month/year date: a month/year text names no day of notice.
  if (!dates::ParseDayMonthYear(data)) outcome.failed.push_back(HeaderRule::kData);
  if (progressivo == 0) outcome.failed.push_back(HeaderRule::kSoggetti);
  if (outcome.failed.empty()) return outcome;

  std::vector<std::string_view> lines;
  for (HeaderRule rule : outcome.failed) {
    switch (rule) {
      case HeaderRule::kNumero: lines.push_back("- Numero comunicazione non immesso o non valido"); break;
      case HeaderRule::kData: lines.push_back("- Data comunicazione non immessa o non valida"); break;
      case HeaderRule::kSoggetti: lines.push_back("- Nessun Soggetto inserito"); break;
    }
  }
  outcome.warning = WarningText(lines);
  return outcome;
}

bool SubjectRowPasses(const SubjectRow& row, const Date& today, const reference::PlaceCodes& places) {
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
  const bool italy_birth_country = row[kCodNazioneNascita] == kItaly;
  const bool born_in_italy = italian_birth_code || italy_birth_country;
  const bool italy_death_country = row[kCodNazioneDecesso] == kItaly;

  if (!Within(row[kCognome], 1, 72, CharSet::kSurname)) return false;
  if (!Within(row[kNome], 1, 72, CharSet::kName)) return false;
  if (row[kSesso] != "M" && row[kSesso] != "F") return false;
  if (!year_form && !birth) return false;
  if (text::Length(row[kCodNazioneNascita]) != 4) return false;

  const std::string& death_text = row[kDataDecesso];
  const auto death = DateText(death_text);
  if (!death || CountParts(death_text) < 3) return false;
  if (year_form && dates::LeadingNumber(ThirdPart(death_text)) < dates::LeadingNumber(birth_text)) return false;
  if (birth && !(*birth < *death)) return false;

  if (text::Length(row[kCodNazioneDecesso]) != 4) return false;
  if (!Within(row[kAttoMorte], 1, 9, CharSet::kCertificate)) return false;
  if (text::Length(row[kCodComuneAtto]) != 4) return false;
  if (text::Length(row[kAnnoProtocollo]) != 4 || !text::IsDigits(row[kAnnoProtocollo])) return false;
  if (!Within(row[kNumeroProtocollo], 1, 9, CharSet::kProtocol)) return false;
  if (!EmptyOrWithin(row[kComuneEsteroNascita], 60, CharSet::kPlace)) return false;
  const std::size_t cf_length = text::Length(cf);
  if (cf_length != 0 && cf_length != 16) return false;
  if (!EmptyOrWithin(row[kNomePadre], 72, CharSet::kName)) return false;
  if (!EmptyOrWithin(row[kComuneEsteroDecesso], 60, CharSet::kPlace)) return false;

  if (!cf.empty() && birth_length == 4) return false;
  if (italian_birth_code && (!italy_birth_country || !row[kComuneEsteroNascita].empty())) return false;
  if (born_in_italy && birth_length == 4) return false;
  if (italy_birth_country && !row[kComuneEsteroNascita].empty()) return false;
  if (italy_death_country &&
      (text::Length(row[kCodComuneDecesso]) != 4 || !row[kComuneEsteroDecesso].empty())) return false;
  if (!italy_death_country && text::Length(row[kCodComuneDecesso]) == 4) return false;
  if (italy_birth_country && !italian_birth_code) return false;
  if (born_in_italy && cf_length != 16) return false;
  if (cf_length == 16) {
    const codicefiscale::Person person{row[kCognome], row[kNome], row[kSesso], birth.value_or(dates::ZeroDate()),
                                       row[kComuneNascita], row[kNazioneNascita]};
    if (!codicefiscale::ConfrontaCF(person, cf, places)) return false;
  }
  return true;
}

std::vector<int> ValidateSubjectTable(const SubjectTable& table, const Date& today, const reference::PlaceCodes& places) {
  std::vector<int> failed;
  const int count = table.Count();
  for (int r = 1; r <= count; ++r) {
    if (!SubjectRowPasses(table.Row(r), today, places)) failed.push_back(r);
  }
  return failed;
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
