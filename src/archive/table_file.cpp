#include "archive/table_file.h"

#include <string>
#include <string_view>
#include <system_error>

#include "core/system_files.h"
#include "core/text_file.h"

namespace nerovale::archive {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kValidityName = "FileValiditaComuni.txt";

// As the look-ups allow: a file many times larger than the table is no table.
constexpr std::size_t kMaxTableBytes = std::size_t{16} << 20;

// The name of the n-th copy of a day: "<table>.yyyymmdd", then "<table>.yyyymmdd_2", ...
fs::path BackupName(const fs::path& table, const dates::Date& today, int n) {
  fs::path backup = table;
  backup += '.';
  backup += dates::FormatYyyyMmDd(today);
  if (n > 1) {
    backup += '_';
    backup += std::to_string(n);  // not "_" + ...: GCC 12 warns wrongly about that concatenation at -O3
  }
  return backup;
}

// Whether a copy holds exactly these bytes, as a file of its own: a link (to the table itself, or to a
// file elsewhere that may go) is no copy.
bool Holds(const fs::path& copy, const std::string& bytes) {
  std::string held;
  return files::IsPlainFile(copy) && files::ReadWholeFile(copy, kMaxTableBytes, held) == 0 && held == bytes;
}

// "<table>.yyyymmdd" or "<table>.yyyymmdd_N": the name of a dated copy of the table.
bool IsCopyName(std::string_view name, std::string_view table) {
  if (!name.starts_with(table) || name.size() < table.size() + 9 || name[table.size()] != '.') return false;
  const std::string_view date = name.substr(table.size() + 1, 8);
  const std::string_view rest = name.substr(table.size() + 9);
  const auto digits = [](std::string_view s) { return !s.empty() && s.find_first_not_of("0123456789") == s.npos; };
  return digits(date) && (rest.empty() || (rest.size() > 1 && rest[0] == '_' && digits(rest.substr(1))));
}

}  // namespace

fs::path MunicipalityTablePath(const fs::path& application_folder) {
  return application_folder / "ref" / "FileCodComuni.txt";
}

fs::path ValidityTablePath(const fs::path& application_folder) {
  return application_folder / "ref" / kValidityName;
}

std::vector<fs::path> RemoveUnfinishedWrites(const fs::path& table) {
  const std::string name = table.filename().string();
  return files::RemoveLeftoverTemporaries(table.parent_path(), [&name](std::string_view base) {
    return base == name || IsCopyName(base, name) || base == kValidityName;
  });
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
