#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dates.h"
#include "core/subject_table.h"
#include "reference/reference_tables.h"

namespace nerovale::import {

// Why a line failed.
enum class ImportFault {
  kNone,
  kUnreadable,        // the file cannot be opened or read (line 0)
  kFieldCount,        // not 17 fields with either separator
  kLineTooLong,       // a line of more than 64 KiB
  kNotText,           // a line holding a NUL byte: the file is not text
  kControlCharacter,  // a tab or another control character
  kTableFull,         // the table cannot take one more subject
  kReferenceTables,   // a reference table cannot be read
};

// The outcome of reading a CSV file: every line as a new subject row, or the number of the first
// line that failed (0 when the file could not be opened) and why. An import is all or nothing.
struct ImportResult {
  bool ok = false;
  int failed_line = 0;
  ImportFault fault = ImportFault::kNone;
  int error = 0;       // kUnreadable: the cause, for files::ItalianReason (a missing file, a FIFO, ...)
  std::size_t fields = 0;  // kFieldCount: the most fields the line has with either separator
  std::string reason;  // kReferenceTables: which table and why
  std::vector<SubjectRow> rows;  // numbered after the subjects already in the table
  // "riga N: ..." for each line with a place whose name several municipalities bore on its day: the
  // place is left without a code, so the check before the notice stops that row.
  std::vector<std::string> notes;
};

// An import can fill the table up to this many subjects: the caption row counts in the grid's
// 16-bit row count, so one place less than the entry form.
inline constexpr int kMaxImportedSubjects = SubjectTable::kMaxSubjects - 1;

// Reads the subjects of a CSV file: 17 fields a line, separated by commas or, when that does not give
// 17, by semicolons; no quoting and no header line. Values are compacted, trimmed and upper-cased,
// the five places looked up (a municipality as its name stood on the day of its birth or death), an
// empty country taken as ITALIA and the dates written dd/mm/yyyy. A
// file with a UTF-8 byte-order mark, or valid UTF-8 with multi-byte characters, is read as UTF-8,
// any other as Windows-1252; lines end with CR LF, LF or a lone CR. The table can grow to 32,766
// subjects. The file is read line by line and the reading stops at the first line that fails, so
// memory is bounded by the subjects imported, whatever the file holds. Row i of the result comes
// from line i + 1 of the file.
[[nodiscard]] ImportResult ImportCsv(const std::filesystem::path& file, int progressivo, reference::ReferenceTables& tables);

// Appends the rows of a successful import.
void AppendRows(SubjectTable& table, std::vector<SubjectRow> rows);

// Recognises d/m/yyyy and d-m-yyyy (one or two digits for day and month) and yyyy-mm-dd.
std::optional<dates::Date> RecogniseDate(std::string_view text);

// "Errore nel file importato alla riga N" and the two lines that follow it, then why: the fields the
// line has, a line too long, a control character, a file that is not text, or (for a file that would
// pass the limit of the table) how many subjects can still be imported. A file that cannot be opened
// or read at all is no fault of its lines: it is said so, with the cause.
std::string ImportFailureText(int line);
std::string ImportFailureText(const ImportResult& result, int progressivo);

// What a good import says: "Importati N soggetti.", "Importato 1 soggetto." or "Il file è vuoto.";
// under it the first notes of the import, and how many more there are.
std::string ImportDoneText(std::size_t subjects, const std::vector<std::string>& notes = {});

}  // namespace nerovale::import
