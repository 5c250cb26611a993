#include "reference/place_dates.h"

#include <algorithm>
#include <array>

#include "core/text.h"

namespace nerovale::reference {
namespace {

constexpr int kSince1861 = 18611231;  // a period from the kingdom's first year covers all the time there is
constexpr int kStillHolds = 99991231;

// One Italian place of a row with the day its name is judged at.
struct Place {
  Column name_column;
  Column code_column;
  Column day_column;
  std::string_view what;  // for the notes
};
constexpr std::array<Place, 3> kPlaces = {{
    {kComuneNascita, kCodComuneNascita, kDataNascita, "il comune di nascita"},
    {kComuneDecesso, kCodComuneDecesso, kDataDecesso, "il comune di decesso"},
    {kComuneAtto, kCodComuneAtto, kDataDecesso, "il comune dell'atto di morte"},
}};

bool InItaly(const SubjectRow& row, const Place& place) {
  if (place.name_column == kComuneNascita) return row[kCodNazioneNascita] == kItalyCode;
  if (place.name_column == kComuneDecesso) return row[kCodNazioneDecesso] == kItalyCode;
  return true;
}

// The place part of a codice fiscale with its omocodia letters read back as digits; "" when it has none.
std::string PlaceInCode(std::string_view cf) {
  constexpr std::string_view kOmocodia = "LMNPQRSTUV";
  if (cf.size() != 16) return {};
  std::string place(cf.substr(11, 4));
  for (std::size_t i = 1; i < place.size(); ++i) {
    if (const auto digit = kOmocodia.find(place[i]); digit != std::string_view::npos) place[i] = static_cast<char>('0' + digit);
  }
  return place;
}

std::string Year(int day_number) { return std::to_string(day_number / 10000); }

}  // namespace

std::optional<dates::Date> PlaceDay(std::string_view cell) {
  if (cell.size() == 4 && text::IsDigits(cell)) return dates::MakeDate(1, 1, static_cast<int>(dates::LeadingNumber(cell)));
  if (const auto date = dates::ParseDayMonthYear(cell)) return date;
  return dates::ParseMonthYear(cell);
}

std::vector<PlaceChoice> DatePlaces(SubjectRow& row, const ReferenceSnapshot& places) {
  std::vector<PlaceChoice> choices;
  for (const Place& place : kPlaces) {
    const auto day = PlaceDay(row[place.day_column]);
    if (!day || row[place.name_column].empty() || !InItaly(row, place)) continue;
    auto at = places.ComuneAt(row[place.name_column], *day);
    if (at.code.empty() && at.candidates.empty()) continue;  // a name the table lacks: the checks say so
    row[place.code_column] = at.code;
    if (!at.candidates.empty()) choices.push_back({place.name_column, place.code_column, std::move(at.candidates)});
  }
  return choices;
}

std::string CandidateText(const std::string& name, const NamePeriod& period) {
  std::string years;
  if (period.from > kSince1861 && period.until != kStillHolds) {
    years = Year(period.from) + "-" + Year(period.until);
  } else if (period.from > kSince1861) {
    years = "dal " + Year(period.from);
  } else if (period.until != kStillHolds) {
    years = "fino al " + Year(period.until);
  }
  std::string within = period.province;
  if (!years.empty()) within += (within.empty() ? "" : ", ") + years;
  return within.empty() ? name : name + " (" + within + ")";
}

std::vector<std::string> PlaceNotes(const SubjectRow& row, const ReferenceSnapshot& places) {
  std::vector<std::string> notes;
  if (!places.dated()) return notes;
  for (const Place& place : kPlaces) {
    const auto day = PlaceDay(row[place.day_column]);
    const std::string& name = row[place.name_column];
    const std::string& code = row[place.code_column];
    if (!day || name.empty() || !InItaly(row, place)) continue;
    const std::string on = " al " + dates::FormatDdMmYyyy(*day);
    if (code.empty()) {
      const auto at = places.ComuneAt(name, *day);
      if (at.candidates.empty()) continue;
      std::string listed;
      for (const auto& candidate : at.candidates) {
        listed += (listed.empty() ? "" : ", ") + CandidateText(name, candidate) + " " + candidate.code;
      }
      notes.push_back(std::string(place.what) + " " + name + on + " indica più comuni: " + listed);
    } else if (!places.NameHeldOn(name, code, *day)) {
      notes.push_back(std::string(place.what) + " " + name + " non aveva il codice " + code + on);
    }
  }
  const std::string in_code = PlaceInCode(row[kCodiceFiscale]);
  const std::string& birth_code = row[kCodComuneNascita];
  if (!in_code.empty() && !birth_code.empty() && row[kCodNazioneNascita] == kItalyCode && in_code != birth_code) {
    notes.push_back("il codice fiscale indica il luogo di nascita " + in_code + ", non " + birth_code + " di " +
                    row[kComuneNascita]);
  }
  return notes;
}

}  // namespace nerovale::reference
