#pragma once

#include <vector>

#include "archive/municipality_archive.h"
#include "archive/table_lines.h"

namespace nerovale::archive {

struct UpdatedTable {
  std::vector<TableLine> lines;  // the new table, in the order of the table
  std::vector<TableLine> kept;   // its lines that the archive does not give, kept from the current table
};

// The current table brought up to date with an archive. The table finds where elderly people were born, and
// an archive may be older, newer or shorter than it, so the update never drops a line the archive cannot
// speak for. It works name by name, as the look-ups do (first line wins):
// - a name the archive does not give (an older form, another spelling) keeps its lines;
// - a name the table lacks comes with the archive's lines;
// - a name to which the table gives a code the archive does not list at all (newer than the archive, or
//   of another source) keeps its lines: the archive cannot say which code the name stands for, and its
//   own lines could take the name's look-up;
// - any other name takes the archive's codes: a line goes only where the archive gives its name to other
//   codes and its code to other names.
UpdatedTable UpdateMunicipalityTable(const std::vector<TableLine>& current, const std::vector<ArchiveRecord>& records);

}  // namespace nerovale::archive
