#include "archive/table_file.h"

#include <string>
#include <string_view>
#include <system_error>

#include "core/system_files.h"
#include "core/text_file.h"

namespace nerovale::archive {
namespace {

namespace fs = std::filesystem;

// Copies a file and forces the copy to disk, so that the copy survives a power cut that the new table
// may survive too. A partial copy is removed; a file that was there already is never touched.
bool CopyToDisk(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (!fs::copy_file(from, to, fs::copy_options::none, ec)) {
    if (ec != std::errc::file_exists) fs::remove(to, ec);
    return false;
  }
  const bool synced = !files::SyncFile(to);
  if (!synced) fs::remove(to, ec);
  return synced;
}

}  // namespace

fs::path MunicipalityTablePath(const fs::path& application_folder) {
  return application_folder / "ref" / "FileCodComuni.txt";
}

TableReading ReadTable(const fs::path& table) {
  TableReading reading;
  std::error_code ec;
  if (!fs::exists(table, ec) && !ec) return reading;
  reading.exists = true;
  const auto lines = fs::is_regular_file(table, ec) ? text::ReadCp1252Lines(table) : std::nullopt;
  if (!lines) {
    reading.status = Status::Failure("Impossibile leggere la tabella " + table.string());
    return reading;
  }
  for (std::string_view line : *lines) {
    const auto comma = line.find(',');
    if (comma == std::string_view::npos) continue;
    const auto next = line.find(',', comma + 1);
    reading.lines.push_back(
        {std::string(line.substr(0, comma)),
         std::string(line.substr(comma + 1, next == std::string_view::npos ? next : next - comma - 1))});
  }
  return reading;
}

Replacement ReplaceTable(const fs::path& table, const std::vector<TableLine>& lines, const dates::Date& today) {
  Replacement replacement;
  std::error_code ec;
  bool made_backup = false;
  if (fs::exists(table, ec)) {
    replacement.backup = table;
    replacement.backup += '.';
    replacement.backup += dates::FormatYyyyMmDd(today);
    replacement.backup_existed = fs::exists(replacement.backup, ec);
    if (!replacement.backup_existed) {
      if (!CopyToDisk(table, replacement.backup)) {
        replacement.status = Status::Failure("Impossibile salvare la copia " + replacement.backup.string() +
                                             ": la tabella " + table.string() + " non è stata cambiata");
        return replacement;
      }
      made_backup = true;
    }
  }
  std::vector<std::string> text;
  text.reserve(lines.size());
  for (const auto& line : lines) text.push_back(line.name + "," + line.code);
  replacement.status = text::WriteCp1252LinesAtomically(table, text);
  if (!replacement.status && made_backup) fs::remove(replacement.backup, ec);
  return replacement;
}

}  // namespace nerovale::archive
