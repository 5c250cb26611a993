#pragma once

#include <filesystem>
#include <vector>

#include "archive/table_lines.h"
#include "core/dates.h"
#include "core/status.h"

namespace nerovale::archive {

// The municipality table of an application folder.
std::filesystem::path MunicipalityTablePath(const std::filesystem::path& application_folder);
// The validity of its names, beside it.
std::filesystem::path ValidityTablePath(const std::filesystem::path& application_folder);

struct TableReading {
  std::vector<TableLine> lines;  // in file order; empty when the file does not exist
  bool exists = false;
  Status status;  // a failure names a file that exists but cannot be read
};

// Reads the lines of a table as the look-ups see them: the name up to the first comma, the code up to
// the next one; lines without a comma are skipped.
TableReading ReadTable(const std::filesystem::path& table);

// Removes the temporary files that runs killed half way left beside the table: its own, those of
// its dated copies and of the validity file, and only those (see files::RemoveLeftoverTemporaries). The paths removed.
std::vector<std::filesystem::path> RemoveUnfinishedWrites(const std::filesystem::path& table);

struct Replacement {
  std::filesystem::path backup;  // empty when there was no table to keep
  bool backup_existed = false;   // a copy of that day holding the same table was there already
  Status status;
};

// Keeps the table as it is as "<table>.yyyymmdd" (the date of today; "<table>.yyyymmdd_2", "_3", ...
// when a copy of the day holds another table) and then writes the new lines in its place, in one
// rename, so that the application finds the old table or the new one and never a part. Both writes
// are atomic: killed at any moment, the old table is whole as the table or as a copy. No copy is
// ever overwritten. On failure nothing has changed: the table is as it was, and a copy made by this
// call is gone.
Replacement ReplaceTable(const std::filesystem::path& table, const std::vector<TableLine>& lines,
                         const dates::Date& today);

}  // namespace nerovale::archive
