#include "import/csv_import.h"

#include <algorithm>
#include <array>

#include "core/text.h"
#include "core/text_file.h"

namespace nerovale::import {
namespace {

constexpr std::size_t kFields = 17;

// The 17 fields of a line split at sep, or none when there are not exactly 17.
std::optional<std::array<std::string_view, kFields>> Split(std::string_view line, char sep) {
  std::array<std::string_view, kFields> fields;
  std::size_t count = 0;
  std::size_t start = 0;
  for (;;) {
    const auto at = line.find(sep, start);
    if (count == kFields) return std::nullopt;
    fields[count++] = line.substr(start, at == std::string_view::npos ? at : at - start);
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  if (count != kFields) return std::nullopt;
  return fields;
}

// U(x): the field compacted, trimmed and upper-cased. The lookups take it as it is, since they
// upper-case their input anyway.
std::string U(std::string_view field) { return text::ToUpper(text::TrimBlanks(text::CompactBlanks(field))); }

std::string BirthDate(const std::string& v) {
  const std::size_t length = text::Length(v);
  if (length > 4) {
    if (const auto date = RecogniseDate(v)) return dates::FormatDdMmYyyy(*date);
  } else if (length == 4 && text::IsDigits(v)) {
    return v;
  }
  return {};
}

std::string DeathDate(const std::string& v) {
  const auto date = RecogniseDate(v);
  return date ? dates::FormatDdMmYyyy(*date) : std::string{};
}

SubjectRow MakeRow(const std::array<std::string_view, kFields>& f, const reference::ReferenceSnapshot& places) {
  std::array<std::string, kFields> u;
  for (std::size_t i = 0; i < kFields; ++i) u[i] = U(f[i]);
  const std::string nazione_nascita = u[6].empty() ? "ITALIA" : u[6];
  const std::string nazione_decesso = u[10].empty() ? "ITALIA" : u[10];
  SubjectRow row;
  row[kCognome] = u[0];
  row[kNome] = u[1];
  row[kSesso] = u[2];
  row[kDataNascita] = BirthDate(u[3]);
  row[kComuneNascita] = u[4];
  row[kCodComuneNascita] = places.CodComune(u[4]);
  row[kComuneEsteroNascita] = u[5];
  row[kNazioneNascita] = nazione_nascita;
  row[kCodNazioneNascita] = places.CodStato(nazione_nascita);
  row[kCodiceFiscale] = u[7];
  row[kNomePadre] = u[8];
  row[kDataDecesso] = DeathDate(u[9]);
  row[kNazioneDecesso] = nazione_decesso;
  row[kCodNazioneDecesso] = places.CodStato(nazione_decesso);
  row[kComuneDecesso] = u[11];
  row[kCodComuneDecesso] = places.CodComune(u[11]);
  row[kComuneEsteroDecesso] = u[12];
  row[kAttoMorte] = u[13];
  row[kComuneAtto] = u[14];
  row[kCodComuneAtto] = places.CodComune(u[14]);
  row[kAnnoProtocollo] = u[15];
  row[kNumeroProtocollo] = u[16];
  return row;
}

bool HasMultiByte(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// The file's text as UTF-8.
std::string Utf8Text(std::string bytes) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (bytes.starts_with(kBom)) return bytes.substr(kBom.size());
  if (HasMultiByte(bytes) && text::IsValidUtf8(bytes)) return bytes;
  return text::Utf8FromCp1252(bytes);
}

}  // namespace

std::optional<dates::Date> RecogniseDate(std::string_view text) {
  if (auto date = dates::ParseDayMonthYear(text, '/')) return date;
  if (auto date = dates::ParseDayMonthYear(text, '-')) return date;
  // yyyy-mm-dd
  if (text.size() == 10 && text[4] == '-' && text[7] == '-' && text::IsDigits(text.substr(0, 4)) &&
      text::IsDigits(text.substr(5, 2)) && text::IsDigits(text.substr(8, 2))) {
    const auto number = [&](std::size_t at, std::size_t n) { return static_cast<int>(dates::LeadingNumber(text.substr(at, n))); };
    return dates::MakeDate(number(8, 2), number(5, 2), number(0, 4));
  }
  return std::nullopt;
}

ImportResult ImportCsv(const std::filesystem::path& file, int progressivo, reference::ReferenceTables& tables) {
  ImportResult result;
  auto bytes = text::ReadBytes(file);
  if (!bytes) {
    result.fault = ImportFault::kUnreadable;  // line 0
    return result;
  }
  const std::string content = Utf8Text(std::move(*bytes));
  const auto lines = text::SplitLines(content);
  const reference::ReferenceSnapshot places = tables.Snapshot();

  int target = progressivo;
  int line_number = 0;
  for (std::string_view line : lines) {
    ++target;
    ++line_number;
    auto fields = Split(line, ',');
    if (!fields) fields = Split(line, ';');
    const ImportFault fault = !fields                          ? ImportFault::kFieldCount
                              : text::HasControl(line)         ? ImportFault::kControlCharacter
                              : target > kMaxImportedSubjects  ? ImportFault::kTableFull
                              : !places.status()               ? ImportFault::kReferenceTables
                                                               : ImportFault::kNone;
    if (fault != ImportFault::kNone) {
      result.failed_line = line_number;
      result.fault = fault;
      result.rows.clear();
      return result;
    }
    SubjectRow row = MakeRow(*fields, places);
    row[kNumero] = std::to_string(target);
    result.rows.push_back(std::move(row));
  }
  result.ok = true;
  return result;
}

void AppendRows(SubjectTable& table, std::vector<SubjectRow> rows) {
  for (auto& row : rows) table.Add(std::move(row));
}

std::string ImportFailureText(int line) {
  return "Errore nel file importato alla riga " + std::to_string(line) +
         "\r\nVerificare i separatori, la lunghezza\r\nla quantità e il contenuto dei dati";
}

std::string ImportFailureText(const ImportResult& result, int progressivo) {
  std::string text = ImportFailureText(result.failed_line);
  if (result.fault == ImportFault::kTableFull) {
    const int room = std::max(kMaxImportedSubjects - progressivo, 0);
    text += "\r\nLa comunicazione può ricevere ancora " + std::to_string(room) +
            (room == 1 ? " soggetto" : " soggetti") + " da file (al massimo " + std::to_string(kMaxImportedSubjects) +
            ").";
  }
  return text;
}

}  // namespace nerovale::import
