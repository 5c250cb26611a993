#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"

// The national archive of municipalities (ANPR, "Archivio storico dei comuni"): one CSV record for
// every municipality over every period of its history, with its cadastral code and its names.
namespace nerovale::archive {

// One record of the archive: a municipality over one period.
struct ArchiveRecord {
  std::size_t line = 0;        // line of the file, for messages
  std::string code;            // CODCATASTALE: a letter and three digits
  std::string name;            // DENOMINAZIONE_IT, upper case; "ITALIAN-SECOND" for a bilingual one
  std::string transliterated;  // DENOMTRASLITTERATA: the name in plain Latin letters
  std::string other_name;      // ALTRADENOMINAZIONE: the name in the second language, or ""
  bool current = false;        // STATO "A" (current) rather than "C" (ceased)
  // The period and the province, when the release gives them (DATAISTITUZIONE, DATACESSAZIONE as
  // "AAAA-MM-GG", the last "9999-12-31" while the record holds; SIGLAPROVINCIA); empty otherwise.
  std::string from;
  std::string until;
  std::string province;
};

struct Archive {
  std::vector<ArchiveRecord> records;
  std::size_t current_count = 0;
  std::size_t without_code = 0;  // ceased records whose code the archive gives as "ND", left out
  bool dated = false;            // every record has its period and province
};

struct ArchiveReading {
  Archive archive;
  Status status;  // a failure names the file and, where there is one, the line
};

// Reads the archive file. Columns are found by name, and only the five named above are needed: a release
// may add, drop, rename or move any other. The period and province columns are read when all three are
// there, and a record's dates must then be days written AAAA-MM-GG. The file is refused, with a message naming it, when it
// cannot be read, is not UTF-8 (a byte-order mark is allowed), lacks one of the five, holds no current
// municipality, or has a record that does not fit: a code other than a letter and three digits, a
// state other than A or C, an empty name, a name with a comma (the table has no quoting), or a
// name outside Windows-1252 without a transliteration inside it. Ceased records without a code
// ("ND", "not available") are left out and counted.
ArchiveReading ReadMunicipalityArchive(const std::filesystem::path& file);

// The same on the bytes of a file; file_name only names it in messages.
ArchiveReading ParseMunicipalityArchive(std::string_view bytes, const std::string& file_name);

// True when every character of the UTF-8 text has a Windows-1252 code, so the table can hold it.
bool FitsCp1252(std::string_view utf8);

}  // namespace nerovale::archive
