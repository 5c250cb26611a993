#include "archive/municipality_archive.h"

#include <algorithm>
#include <array>
#include <optional>

#include "archive/csv_reader.h"
#include "core/system_files.h"
#include "core/text.h"

namespace nerovale::archive {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCodeNotAvailable = "ND";

enum Column : std::size_t { kCode, kName, kTransliterated, kOtherName, kState, kFrom, kUntil, kProvince, kColumnCount };
constexpr std::size_t kNeededColumns = kFrom;
constexpr std::array<const char*, kColumnCount> kColumnNames = {
    "CODCATASTALE", "DENOMINAZIONE_IT", "DENOMTRASLITTERATA", "ALTRADENOMINAZIONE",
    "STATO",        "DATAISTITUZIONE",  "DATACESSAZIONE",     "SIGLAPROVINCIA"};

bool IsCadastralCode(std::string_view code) noexcept {
  return code.size() == 4 && code[0] >= 'A' && code[0] <= 'Z' && text::IsDigits(code.substr(1));
}

bool IsIsoDay(std::string_view day) {
  if (day.size() != 10 || day[4] != '-' || day[7] != '-') return false;
  if (!text::IsDigits(day.substr(0, 4)) || !text::IsDigits(day.substr(5, 2)) || !text::IsDigits(day.substr(8, 2))) {
    return false;
  }
  const int month = (day[5] - '0') * 10 + (day[6] - '0');
  const int d = (day[8] - '0') * 10 + (day[9] - '0');
  return month >= 1 && month <= 12 && d >= 1 && d <= 31;
}

// Where each column stands in the header; the first missing needed column when one is.
struct HeaderColumns {
  std::array<std::size_t, kColumnCount> at{};
  std::string missing;
  bool dated = true;  // the period and province columns are all there
};

HeaderColumns FindColumns(const std::vector<std::string>& header) {
  HeaderColumns columns;
  for (std::size_t c = 0; c < kColumnCount; ++c) {
    const auto found = std::find(header.begin(), header.end(), kColumnNames[c]);
    if (found == header.end()) {
      if (c >= kNeededColumns) {
        columns.dated = false;
        continue;
      }
      columns.missing = kColumnNames[c];
      break;
    }
    columns.at[c] = static_cast<std::size_t>(found - header.begin());
  }
  return columns;
}

// Why a record does not fit, or none when it does; marks it current or ceased on the way. A ceased
// record without code comes back with an empty code, to be left out.
std::optional<std::string> CheckRecord(ArchiveRecord& record, std::string_view state) {
  if (state != "A" && state != "C") return "stato \"" + std::string(state) + "\" diverso da A (attuale) e C (cessato)";
  record.current = state == "A";
  if (!record.current && record.code == kCodeNotAvailable) {
    record.code.clear();
    return std::nullopt;
  }
  if (!IsCadastralCode(record.code)) {
    return "codice catastale \"" + record.code + "\" diverso da una lettera e tre cifre";
  }
  if (record.name.empty()) return "denominazione vuota";
  if (record.name.find(',') != std::string::npos) return "denominazione con una virgola: " + record.name;
  if (!FitsCp1252(record.name) && (record.transliterated.empty() || !FitsCp1252(record.transliterated) ||
                                   record.transliterated.find(',') != std::string::npos)) {
    return "denominazione non scrivibile in Windows-1252 senza una traslitterazione: " + record.name;
  }
  return std::nullopt;
}

}  // namespace

bool FitsCp1252(std::string_view utf8) {
  for (const char32_t c : text::Decode(utf8)) {
    if (!text::Cp1252Code(c)) return false;
  }
  return true;
}

ArchiveReading ParseMunicipalityArchive(std::string_view bytes, const std::string& file_name) {
  ArchiveReading reading;
  const auto refuse = [&](const std::string& why) {
    reading.status = Status::Failure("Il file " + file_name + " non è l'archivio dei comuni: " + why);
    reading.archive = {};
    return reading;
  };
  const auto refuse_line = [&](std::size_t line, const std::string& why) {
    return refuse("riga " + std::to_string(line) + ", " + why);
  };
  if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  if (!text::IsValidUtf8(bytes)) return refuse("il testo non è in UTF-8");

  CsvReader reader(bytes);
  std::vector<std::string> fields;
  if (reader.Next(fields) != CsvReader::Outcome::kRecord) return refuse("manca la riga d'intestazione");
  const HeaderColumns columns = FindColumns(fields);
  if (!columns.missing.empty()) return refuse("manca la colonna " + columns.missing);
  const std::size_t width = fields.size();

  for (;;) {
    const auto outcome = reader.Next(fields);
    if (outcome == CsvReader::Outcome::kEnd) break;
    if (outcome == CsvReader::Outcome::kMalformed) return refuse_line(reader.line(), "virgolette fuori posto");
    if (fields.size() == 1 && fields[0].empty()) continue;  // a blank line
    if (fields.size() != width) {
      return refuse_line(reader.line(), std::to_string(fields.size()) + " valori invece di " + std::to_string(width));
    }
    // Names are held upper case, as the look-ups of the table expect; the archive gives them so.
    ArchiveRecord record{reader.line(),
                         fields[columns.at[kCode]],
                         text::ToUpper(fields[columns.at[kName]]),
                         text::ToUpper(fields[columns.at[kTransliterated]]),
                         text::ToUpper(fields[columns.at[kOtherName]]),
                         false,
                         {},
                         {},
                         {}};
    if (const auto why = CheckRecord(record, fields[columns.at[kState]])) return refuse_line(record.line, *why);
    if (columns.dated) {
      record.from = fields[columns.at[kFrom]];
      record.until = fields[columns.at[kUntil]];
      record.province = text::ToUpper(fields[columns.at[kProvince]]);
      if (!record.code.empty() && (!IsIsoDay(record.from) || !IsIsoDay(record.until) || record.until < record.from)) {
        return refuse_line(record.line, "periodo \"" + text::Excerpt(record.from) + "\" - \"" +
                                            text::Excerpt(record.until) + "\" diverso da due giorni AAAA-MM-GG in ordine");
      }
      if (record.province.find(',') != std::string::npos || !FitsCp1252(record.province)) {
        return refuse_line(record.line, "sigla della provincia non scrivibile nella tabella: " + record.province);
      }
    }
    if (record.code.empty()) {
      ++reading.archive.without_code;
      continue;
    }
    if (record.current) ++reading.archive.current_count;
    reading.archive.records.push_back(std::move(record));
  }
  if (reading.archive.current_count == 0) return refuse("nessun comune attuale (STATO \"A\")");
  reading.archive.dated = columns.dated;
  return reading;
}

ArchiveReading ReadMunicipalityArchive(const std::filesystem::path& file) {
  // The archive of every municipality since 1861 takes some 2.5 MB.
  constexpr std::size_t kMaxArchiveBytes = std::size_t{64} << 20;
  std::string bytes;
  if (const int error = files::ReadWholeFile(file, kMaxArchiveBytes, bytes); error != 0) {
    ArchiveReading reading;
    reading.status = Status::Failure(files::ReadFailureText(file, error));
    return reading;
  }
  return ParseMunicipalityArchive(bytes, file.string());
}

}  // namespace nerovale::archive
