#include "archive/table_update.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace nerovale::archive {

UpdatedTable UpdateMunicipalityTable(const std::vector<TableLine>& current, const std::vector<ArchiveRecord>& records) {
  const std::vector<TableLine> from_archive = BuildMunicipalityTable(records);
  std::unordered_set<std::string> listed_codes;
  for (const auto& record : records) listed_codes.insert(record.code);
  std::unordered_set<std::string> archive_names;
  for (const auto& line : from_archive) archive_names.insert(line.name);

  // The names whose lines stand as the table has them.
  std::unordered_set<std::string> standing;
  for (const auto& line : current) {
    if (!archive_names.contains(line.name) || !listed_codes.contains(line.code)) standing.insert(line.name);
  }

  UpdatedTable updated;
  for (const auto& line : current) {
    if (standing.contains(line.name)) updated.lines.push_back(line);
  }
  for (const auto& line : from_archive) {
    if (!standing.contains(line.name)) updated.lines.push_back(line);
  }
  std::sort(updated.lines.begin(), updated.lines.end(), ComesBefore);
  updated.lines.erase(std::unique(updated.lines.begin(), updated.lines.end()), updated.lines.end());
  for (const auto& line : updated.lines) {
    if (!std::binary_search(from_archive.begin(), from_archive.end(), line, ComesBefore)) {
      updated.kept.push_back(line);
    }
  }
  return updated;
}

}  // namespace nerovale::archive
