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
//   typed today stands for the municipality that bears it today. A ceased code that would then be in
//   no line at all (BELLAGIO A744, merged into the BELLAGIO of today) comes under its name all the
//   same: people were born under it, and the validity file tells the two apart by date;
// - a name with a character outside Windows-1252 as the archive transliterates it, that name only;
// - in the order of the table (see ComesBefore), each line once.
std::vector<TableLine> BuildMunicipalityTable(const std::vector<ArchiveRecord>& records);

// One line of the validity file beside the table: a name that a code bore over one period, in one
// province; shown marks the name the code is shown under (its current name, or its last one when it
// has ceased).
struct ValidityLine {
  std::string name;
  std::string code;
  std::string province;
  std::string from;   // AAAA-MM-GG
  std::string until;  // AAAA-MM-GG; 9999-12-31 while it holds
  bool shown = false;
  bool operator==(const ValidityLine&) const = default;
};

// The validity lines of a dated archive, one per record and name the table gives it (a bilingual
// municipality's Italian name alone too), in the order of the table and, for one name and code, of
// their periods.
std::vector<ValidityLine> BuildValidityLines(const std::vector<ArchiveRecord>& records);

// A validity line as the file holds it: "NAME,CODE,PROVINCE,FROM,UNTIL,S" ("N" for a name not shown).
std::string ValidityLineText(const ValidityLine& line);

// The order of the table, the one the combo boxes list it in: names as a reader sorts them, accented
// letters beside their plain ones ("CITTÀ SANT'ANGELO" before "CITTADELLA"); names equal but for
// their accents plain first ("SUSA" before "SUSÀ"); one name by its codes.
bool ComesBefore(const TableLine& a, const TableLine& b);

}  // namespace nerovale::archive
