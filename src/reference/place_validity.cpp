#include "reference/place_validity.h"

#include <array>
#include <optional>

#include "core/text.h"
#include "core/text_file.h"

namespace nerovale::reference {
namespace {

const std::string kNothing;
const std::vector<NamePeriod> kNoPeriods;

// AAAA-MM-GG as AAAAMMGG.
std::optional<int> IsoDayNumber(std::string_view day) {
  if (day.size() != 10 || day[4] != '-' || day[7] != '-') return std::nullopt;
  const std::string digits = std::string(day.substr(0, 4)) + std::string(day.substr(5, 2)) + std::string(day.substr(8, 2));
  if (!text::IsDigits(digits)) return std::nullopt;
  return static_cast<int>(dates::LeadingNumber(digits));
}

}  // namespace

int DayNumber(const dates::Date& day) noexcept {
  return static_cast<int>(day.year()) * 10000 + static_cast<int>(static_cast<unsigned>(day.month())) * 100 +
         static_cast<int>(static_cast<unsigned>(day.day()));
}

PlaceValidity::PlaceValidity(std::string_view file_bytes) {
  int number = 0;
  for (std::string_view line : text::SplitLines(file_bytes)) {
    ++number;
    if (line.empty()) continue;
    std::array<std::string_view, 6> fields;
    std::size_t count = 0;
    for (std::size_t start = 0;; ++count) {
      const auto comma = line.find(',', start);
      if (count < fields.size()) fields[count] = line.substr(start, comma == std::string_view::npos ? comma : comma - start);
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    const auto from = IsoDayNumber(fields[3]);
    const auto until = IsoDayNumber(fields[4]);
    bool control = false;
    for (const char c : line) control = control || static_cast<unsigned char>(c) < 0x20;
    if (count + 1 != fields.size() || control || fields[0].empty() || fields[1].size() != 4 || !from ||
        !until || *until < *from || (fields[5] != "S" && fields[5] != "N")) {
      damage_ = "la riga " + std::to_string(number) + " non è NOME,CODICE,PROVINCIA,DAL,AL,S|N";
      periods_by_name_.clear();
      shown_by_code_.clear();
      return;
    }
    std::string name = text::Utf8FromCp1252(fields[0]);
    std::string code(fields[1]);
    if (fields[5] == "S") shown_by_code_.try_emplace(code, name);
    periods_by_name_[std::move(name)].push_back({std::move(code), text::Utf8FromCp1252(fields[2]), *from, *until});
  }
}

const std::string& PlaceValidity::ShownName(const std::string& code) const {
  const auto found = shown_by_code_.find(code);
  return found == shown_by_code_.end() ? kNothing : found->second;
}

const std::vector<NamePeriod>& PlaceValidity::PeriodsOf(const std::string& name) const {
  const auto found = periods_by_name_.find(name);
  return found == periods_by_name_.end() ? kNoPeriods : found->second;
}

}  // namespace nerovale::reference
