#pragma once

#include <compare>
#include <string>
#include <vector>

#include "archive/municipality_archive.h"

namespace nerovale::archive {

// One line of the municipality table, "NAME,CODE".
struct TableLine {
  std::string name;
  std::string code;
  bool operator==(const TableLine&) const = default;
};

// The lines of the municipality table that an archive gives:
// - every current municipality under its name; a bilingual one, whose name is its Italian name, "-"
//   and its name in the second language, also under the Italian name alone, as a clerk types it;
// - every name a ceased record bears (a suppressed municipality, a former name) with its code,
//   unless a current municipality bears that name: first match wins in the look-ups, and a name
//   typed today stands for the municipality that bears it today;
// - a name with a character outside Windows-1252 as the archive transliterates it, that name only;
// - in the order of the table (see ComesBefore), each line once.
std::vector<TableLine> BuildMunicipalityTable(const std::vector<ArchiveRecord>& records);

// The order of the table, the one the combo boxes list it in: names as a reader sorts them, accented
// letters beside their plain ones ("CITTÀ SANT'ANGELO" before "CITTADELLA"); names equal but for
// their accents plain first ("SUSA" before "SUSÀ"); one name by its codes.
bool ComesBefore(const TableLine& a, const TableLine& b);

}  // namespace nerovale::archive
