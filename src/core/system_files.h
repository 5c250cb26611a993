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

// A file the program reads or writes for its own bytes, closed when it goes out of scope. The first
// failure is kept, as the system's number for ItalianReason, and later writes do nothing.
class SystemFile {
 public:
  // A new file: created exclusively (an existing name fails with "esiste già"), never through a link.
  static SystemFile CreateNew(const std::filesystem::path& file);
  static SystemFile OpenForReading(const std::filesystem::path& file);

  SystemFile(SystemFile&& other) noexcept : fd_(other.fd_), error_(other.error_) { other.fd_ = -1; }
  SystemFile(const SystemFile&) = delete;
  SystemFile& operator=(const SystemFile&) = delete;
  SystemFile& operator=(SystemFile&&) = delete;
  ~SystemFile();

  bool opened() const noexcept { return fd_ >= 0; }
  int error() const noexcept { return error_; }

  // Writes all the bytes; false once anything failed.
  bool WriteAll(std::string_view bytes);
  // Up to size bytes into buffer: how many, 0 at the end, -1 on failure.
  long Read(char* buffer, std::size_t size);
  // Closes now; the close may be the first to tell of a full disk. False once anything failed.
  bool Close();

 private:
  SystemFile(int fd, int error) noexcept : fd_(fd), error_(error) {}
  int fd_;
  int error_;
};

// Writes the bytes to the disk for a file that is open or closed: fsync of the file, then of its
// folder, so that its name survives a power cut too.
[[nodiscard]] std::error_code SyncFile(const std::filesystem::path& file);
[[nodiscard]] std::error_code SyncFolder(const std::filesystem::path& folder);

}  // namespace nerovale::files
