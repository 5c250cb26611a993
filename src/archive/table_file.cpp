#include "archive/table_file.h"

#include <string>
#include <string_view>
#include <system_error>

#include "core/system_files.h"
#include "core/text_file.h"

namespace nerovale::archive {
namespace {

namespace fs = std::filesystem;

// As the look-ups allow: a file many times larger than the table is no table.
constexpr std::size_t kMaxTableBytes = std::size_t{16} << 20;

// The name of the n-th copy of a day: "<table>.yyyymmdd", then "<table>.yyyymmdd_2", ...
fs::path BackupName(const fs::path& table, const dates::Date& today, int n) {
  fs::path backup = table;
  backup += '.';
  backup += dates::FormatYyyyMmDd(today);
  if (n > 1) backup += "_" + std::to_string(n);
  return backup;
}

// Whether a copy holds exactly these bytes.
bool Holds(const fs::path& copy, const std::string& bytes) {
  std::string held;
  return files::ReadWholeFile(copy, kMaxTableBytes, held) == 0 && held == bytes;
}

}  // namespace

fs::path MunicipalityTablePath(const fs::path& application_folder) {
  return application_folder / "ref" / "FileCodComuni.txt";
}

TableReading ReadTable(const fs::path& table) {
  TableReading reading;
  const text::Lines read = text::ReadCp1252Lines(table, kMaxTableBytes);
  if (read.error == ENOENT && !files::AlreadyThere(table)) return reading;
  reading.exists = true;
  if (read.error != 0) {
    reading.status = Status::Failure("Impossibile leggere la tabella " + table.string() + ": " +
                                     files::ItalianReason(read.error));
    return reading;
  }
  for (std::string_view line : read.lines) {
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
  std::string old_bytes;
  if (const int error = files::ReadWholeFile(table, kMaxTableBytes, old_bytes); error != 0 && error != ENOENT) {
    replacement.status = Status::Failure("Impossibile leggere la tabella " + table.string() + ": " +
                                         files::ItalianReason(error));
    return replacement;
  } else if (error == 0) {
    // The copy is whole on the disk before the table changes: written under a temporary name, synced
    // and given its name without replacing anything. A copy of the day counts only when it holds the
    // table as it is now (a copy cut by a killed run, or the table before an earlier update of the
    // day, does not): otherwise this one takes the next free name.
    Status kept = Status::Failure("troppe copie di oggi");
    for (int n = 1; n <= 1000 && replacement.backup.empty(); ++n) {
      const fs::path backup = BackupName(table, today, n);
      if (files::AlreadyThere(backup)) {
        replacement.backup_existed = Holds(backup, old_bytes);
        if (replacement.backup_existed) replacement.backup = backup;
        continue;
      }
      kept = files::WriteAtomically(backup, old_bytes, files::Existing::kKeep);
      if (kept) {
        replacement.backup = backup;
      } else if (!files::AlreadyThere(backup)) {
        break;  // not a name taken meanwhile: the folder refuses the copy
      }
    }
    if (replacement.backup.empty()) {
      replacement.status = Status::Failure("Impossibile salvare la copia della tabella " + table.string() +
                                           ", che non è stata cambiata: " + kept.message());
      return replacement;
    }
  }
  std::vector<std::string> text;
  text.reserve(lines.size());
  for (const auto& line : lines) text.push_back(line.name + "," + line.code);
  replacement.status = text::WriteCp1252LinesAtomically(table, text);
  if (!replacement.status && !replacement.backup_existed && !replacement.backup.empty()) {
    std::error_code ec;
    fs::remove(replacement.backup, ec);
    replacement.backup.clear();
  }
  return replacement;
}

}  // namespace nerovale::archive
