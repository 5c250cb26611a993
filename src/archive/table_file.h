#pragma once

#include <filesystem>
#include <vector>

#include "archive/table_lines.h"
#include "core/dates.h"
#include "core/status.h"

namespace nerovale::archive {

// The municipality table of an application folder.
std::filesystem::path MunicipalityTablePath(const std::filesystem::path& application_folder);

struct TableReading {
  std::vector<TableLine> lines;  // in file order; empty when the file does not exist
  bool exists = false;
  Status status;  // a failure names a file that exists but cannot be read
};

// Reads the lines of a table as the look-ups see them: the name up to the first comma, the code up to
// the next one; lines without a comma are skipped.
TableReading ReadTable(const std::filesystem::path& table);

struct Replacement {
  std::filesystem::path backup;  // empty when there was no table to keep
  bool backup_existed = false;   // a copy of that day was there already and is left as it is
  Status status;
};

// Keeps the table as it is as "<table>.yyyymmdd" (the date of today) and writes the new lines in its
// place, in one rename, so that the application finds the old table or the new one and never a part.
// A copy of the same day is not overwritten: the first one of the day holds the table the day began
// with. On failure nothing has changed: the table is as it was, and a copy made by this call is gone.
Replacement ReplaceTable(const std::filesystem::path& table, const std::vector<TableLine>& lines,
                         const dates::Date& today);

}  // namespace nerovale::archive
