#include "import/csv_import.h"

#include <algorithm>
#include <array>

#include "core/system_files.h"
#include "core/text.h"
#include "core/text_file.h"
#include "reference/place_dates.h"

namespace nerovale::import {
namespace {

constexpr std::size_t kFields = 17;

// The 17 fields of a line split at sep, or none when there are not exactly 17.
std::optional<std::array<std::string_view, kFields>> SplitFields(std::string_view line, char sep) {
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

// The field compacted, trimmed and upper-cased. The lookups take it as it is, since they
// upper-case their input anyway.
std::string NormalisedField(std::string_view field) { return text::ToUpper(text::TrimBlanks(text::CompactBlanks(field))); }

std::string BirthCell(const std::string& v) {
  const std::size_t length = text::Length(v);
  if (length > 4) {
    if (const auto date = RecogniseDate(v)) return dates::FormatDdMmYyyy(*date);
  } else if (length == 4 && text::IsDigits(v)) {
    return v;
  }
  return {};
}

std::string DeathCell(const std::string& v) {
  const auto date = RecogniseDate(v);
  return date ? dates::FormatDdMmYyyy(*date) : std::string{};
}

// A place name and its code: the name of the table itself when the file wrote it without its marks
// (FORLI for FORLÌ) and only one name of the table differs so.
struct Place {
  std::string name, code;
};
Place PlaceOf(std::string name, bool country, const reference::ReferenceSnapshot& places) {
  std::string code = country ? places.CodStato(name) : places.CodComune(name);
  if (code.empty() && !name.empty()) {
    if (std::string like = country ? places.StatoLike(name) : places.ComuneLike(name); !like.empty()) {
      code = country ? places.CodStato(like) : places.CodComune(like);
      name = std::move(like);
    }
  }
  return {std::move(name), std::move(code)};
}

SubjectRow MakeRow(const std::array<std::string_view, kFields>& f, const reference::ReferenceSnapshot& places) {
  std::array<std::string, kFields> u;
  for (std::size_t i = 0; i < kFields; ++i) u[i] = NormalisedField(f[i]);
  const Place nascita = PlaceOf(u[4], false, places);
  const Place nazione_nascita = PlaceOf(u[6].empty() ? std::string(reference::kItaly) : u[6], true, places);
  const Place nazione_decesso = PlaceOf(u[10].empty() ? std::string(reference::kItaly) : u[10], true, places);
  const Place decesso = PlaceOf(u[11], false, places);
  const Place atto = PlaceOf(u[14], false, places);
  SubjectRow row;
  row[kCognome] = u[0];
  row[kNome] = u[1];
  row[kSesso] = u[2];
  row[kDataNascita] = BirthCell(u[3]);
  row[kComuneNascita] = nascita.name;
  row[kCodComuneNascita] = nascita.code;
  row[kComuneEsteroNascita] = u[5];
  row[kNazioneNascita] = nazione_nascita.name;
  row[kCodNazioneNascita] = nazione_nascita.code;
  row[kCodiceFiscale] = u[7];
  row[kNomePadre] = u[8];
  row[kDataDecesso] = DeathCell(u[9]);
  row[kNazioneDecesso] = nazione_decesso.name;
  row[kCodNazioneDecesso] = nazione_decesso.code;
  row[kComuneDecesso] = decesso.name;
  row[kCodComuneDecesso] = decesso.code;
  row[kComuneEsteroDecesso] = u[12];
  row[kAttoMorte] = u[13];
  row[kComuneAtto] = atto.name;
  row[kCodComuneAtto] = atto.code;
  row[kAnnoProtocollo] = u[15];
  row[kNumeroProtocollo] = u[16];
  return row;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A line of 17 values is at most a few hundred bytes; a longer one is not a line of subjects, and a
// file without line breaks (a device, a binary file) fails at once instead of filling the memory.
constexpr std::size_t kMaxLineBytes = 64 * 1024;

bool HasHighByte(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// What is wrong with a line as it stands in the file, before any value is read. The separators and
// the control characters are ASCII, so the file's encoding does not matter here.
ImportFault FaultOf(std::string_view line, int target) {
  if (line.find('\0') != std::string_view::npos) return ImportFault::kNotText;
  if (!SplitFields(line, ',') && !SplitFields(line, ';')) return ImportFault::kFieldCount;
  if (text::HasControl(line)) return ImportFault::kControlCharacter;
  if (target > kMaxImportedSubjects) return ImportFault::kTableFull;
  return ImportFault::kNone;
}

ImportResult Failed(int line, ImportFault fault) {
  ImportResult result;
  result.failed_line = line;
  result.fault = fault;
  return result;
}

// The first pass over the file: how many lines it has, whether one fails, and how it is encoded.
// Nothing but the current line is held, and the reading stops at the first line that fails.
struct FileSurvey {
  ImportResult failure;  // ok unless a line failed
  int lines = 0;
  bool utf8 = false;
};

FileSurvey Survey(const std::filesystem::path& file, int progressivo) {
  FileSurvey survey;
  survey.failure.ok = true;
  text::LineReader reader(file, kMaxLineBytes);
  if (!reader.is_open()) {
    survey.failure = Failed(0, ImportFault::kUnreadable);
    survey.failure.error = reader.error();
    return survey;
  }
  bool valid_utf8 = true, high_bytes = false, byte_order_mark = false;
  std::string line;
  for (int number = 1;; ++number) {
    const auto next = reader.Read(line);
    if (next == text::LineReader::Next::kEnd) break;
    if (next != text::LineReader::Next::kLine) {
      // A line without end that holds a NUL byte is no text at all (a binary file, a document).
      const bool too_long = next == text::LineReader::Next::kTooLong;
      survey.failure = Failed(too_long ? number : 0, !too_long                              ? ImportFault::kUnreadable
                                                     : line.find('\0') != std::string::npos ? ImportFault::kNotText
                                                                                            : ImportFault::kLineTooLong);
      survey.failure.error = reader.error();
      return survey;
    }
    std::string_view bytes = line;
    if (number == 1 && bytes.starts_with(kByteOrderMark)) {
      byte_order_mark = true;
      bytes.remove_prefix(kByteOrderMark.size());
    }
    if (const ImportFault fault = FaultOf(bytes, progressivo + number); fault != ImportFault::kNone) {
      survey.failure = Failed(number, fault);
      survey.failure.fields = static_cast<std::size_t>(
          std::max(std::count(bytes.begin(), bytes.end(), ','), std::count(bytes.begin(), bytes.end(), ';')) + 1);
      return survey;
    }
    // UTF-8 sequences never span a line break, so the file is valid UTF-8 when every line is.
    high_bytes = high_bytes || HasHighByte(bytes);
    valid_utf8 = valid_utf8 && text::IsValidUtf8(bytes);
    survey.lines = number;
  }
  survey.utf8 = byte_order_mark || (high_bytes && valid_utf8);
  return survey;
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
  // Two passes: the first finds the failing line, if any, and the encoding, which is a property of
  // the whole file; the second builds the rows. Memory is bounded by the rows imported.
  const FileSurvey survey = Survey(file, progressivo);
  if (!survey.failure.ok) return survey.failure;
  const reference::ReferenceSnapshot places = tables.Snapshot();
  if (survey.lines > 0 && !places.status()) {
    ImportResult failed = Failed(1, ImportFault::kReferenceTables);
    failed.reason = places.status().message();
    return failed;
  }

  ImportResult result;
  result.rows.reserve(static_cast<std::size_t>(survey.lines));
  text::LineReader reader(file, kMaxLineBytes);
  std::string line;
  for (int number = 1; number <= survey.lines; ++number) {
    // The file is read again: a file changed in between fails where it no longer reads as before.
    if (reader.Read(line) != text::LineReader::Next::kLine) return Failed(number, ImportFault::kUnreadable);
    std::string_view bytes = line;
    if (number == 1 && bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    const std::string utf8 = survey.utf8 ? std::string(bytes) : text::Utf8FromCp1252(bytes);
    auto fields = SplitFields(utf8, ',');
    if (!fields) fields = SplitFields(utf8, ';');
    if (!fields || FaultOf(utf8, progressivo + number) != ImportFault::kNone) {
      return Failed(number, ImportFault::kUnreadable);
    }
    SubjectRow row = MakeRow(*fields, places);
    row[kNumero] = std::to_string(progressivo + number);
    if (!reference::DatePlaces(row, places).empty()) {
      for (const auto& note : reference::PlaceNotes(row, places)) {
        result.notes.push_back("riga " + std::to_string(number) + ": " + note);
      }
    }
    result.rows.push_back(std::move(row));
  }
  result.ok = true;
  return result;
}

void AppendRows(SubjectTable& table, std::vector<SubjectRow> rows) { table.Append(std::move(rows)); }

std::string ImportDoneText(std::size_t subjects, const std::vector<std::string>& notes) {
  constexpr std::size_t kShownNotes = 10;
  std::string done = subjects == 0   ? "Il file è vuoto."
                     : subjects == 1 ? "Importato 1 soggetto."
                                     : "Importati " + std::to_string(subjects) + " soggetti.";
  for (std::size_t i = 0; i < notes.size() && i < kShownNotes; ++i) done += "\n" + notes[i];
  if (notes.size() > kShownNotes) done += "\n... e altre " + std::to_string(notes.size() - kShownNotes) + " note.";
  return done;
}

std::string ImportFailureText(int line) {
  return "Errore nel file importato alla riga " + std::to_string(line) +
         "\r\nVerificare i separatori, la lunghezza\r\nla quantità e il contenuto dei dati";
}

std::string ImportFailureText(const ImportResult& result, int progressivo) {
  if (result.fault == ImportFault::kUnreadable && result.failed_line == 0) {
    return "Impossibile leggere il file importato: " + files::ItalianReason(result.error);
  }
  if (result.fault == ImportFault::kReferenceTables) {
    return "Impossibile importare il file: le tabelle dei comuni e degli stati non si possono usare.\r\n" + result.reason;
  }
  std::string text = ImportFailureText(result.failed_line);
  switch (result.fault) {
    case ImportFault::kFieldCount:
      text += "\r\nLa riga " + std::to_string(result.failed_line) + " ha " + std::to_string(result.fields) +
              (result.fields == 1 ? " campo" : " campi") + "; ne servono 17.";
      break;
    case ImportFault::kLineTooLong:
      text += "\r\nLa riga " + std::to_string(result.failed_line) + " è più lunga di 64 KiB.";
      break;
    case ImportFault::kNotText: text += "\r\nIl file non è un file di testo."; break;
    case ImportFault::kControlCharacter:
      text += "\r\nLa riga " + std::to_string(result.failed_line) + " contiene un carattere di controllo.";
      break;
    default: break;
  }
  if (result.fault == ImportFault::kTableFull) {
    const int room = std::max(kMaxImportedSubjects - progressivo, 0);
    text += "\r\nLa comunicazione può ricevere ancora " + std::to_string(room) +
            (room == 1 ? " soggetto" : " soggetti") + " da file (al massimo " + std::to_string(kMaxImportedSubjects) +
            ").";
  }
  return text;
}

}  // namespace nerovale::import
