#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/dates.h"
#include "core/status.h"

// What the program asks of the operating system for the files it writes, in one place: the only
// calls that have no portable equivalent (exclusive creation that never follows a link, syncing a
// file and its folder to the disk) live behind these functions.
namespace nerovale::files {

// The common causes of a failed file operation in Italian ("permesso negato", "disco pieno", ...);
// the system's own number for the others.
std::string ItalianReason(std::error_code error);
std::string ItalianReason(int errno_value);

// Replaces a file with the given bytes so that a crash at any moment leaves the old file or the new
// one, whole: the bytes go to a new temporary file beside it (a unique name, created exclusively,
// never through a symbolic link), which is synced to the disk and renamed over the file; then the
// folder is synced. On failure the old file is untouched, no temporary file is left, and the
// message names the file and the cause.
[[nodiscard]] Status WriteAtomically(const std::filesystem::path& file, std::string_view bytes);

// What tells a file's content apart without reading it: device, inode, size, the time its bytes
// last changed and the time its entry last changed. The last one moves on every write, even when
// the size and the modification time are put back as they were.
struct FileStamp {
  unsigned long long device = 0, inode = 0, size = 0;
  long long modified_ns = 0, changed_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file; none when it is missing or not a regular file.
std::optional<FileStamp> StampOf(const std::filesystem::path& file);

// The local date and time of the machine's clock, to the minute.
struct LocalDateTime {
  dates::Date date;
  int hour = 0;
  int minute = 0;
};
LocalDateTime LocalNow();

// Renames a file to a name that must not exist yet: an existing file there is never replaced, and
// the answer is then "esiste già" (EEXIST). The folder is synced afterwards.
[[nodiscard]] std::error_code RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Writes the bytes to the disk for a file that is open or closed: fsync of the file, then of its
// folder, so that its name survives a power cut too.
[[nodiscard]] std::error_code SyncFile(const std::filesystem::path& file);
[[nodiscard]] std::error_code SyncFolder(const std::filesystem::path& folder);

}  // namespace nerovale::files
