#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/dates.h"
#include "core/status.h"

// What the program asks of the operating system for the files it writes, in one place: the only
// calls that have no portable equivalent (exclusive creation that never follows a link, syncing a
// file and its folder to the disk) live behind these functions.
namespace nerovale::files {

// Causes of the program's own, beside the system's numbers: a path that is not a regular file (a
// FIFO, a device, a socket; a folder is EISDIR), and a file larger than its kind can ever be.
inline constexpr int kNotRegularFile = -1001;
inline constexpr int kFileTooLarge = -1002;

// The common causes of a failed file operation in Italian ("permesso negato", "disco pieno", ...);
// the system's own number for the others.
std::string ItalianReason(std::error_code error);
std::string ItalianReason(int errno_value);

// "Impossibile leggere il file <file>: <reason>".
std::string ReadFailureText(const std::filesystem::path& file, int error);

// The whole content of a regular file of at most max_bytes bytes, or the cause (0 on success). The
// file is looked at before it is read: a FIFO, a device or a folder is refused at once, never
// opened for reading, so no read blocks or goes on without end; a file larger than max_bytes is
// refused without being read.
[[nodiscard]] int ReadWholeFile(const std::filesystem::path& file, std::size_t max_bytes, std::string& bytes);

// Replaces a file with the given bytes so that a crash at any moment leaves the old file or the new
// one, whole: the bytes go to a new temporary file beside it (a unique name, created exclusively,
// never through a symbolic link, locked while it is written), which is synced to the disk and
// renamed over the file; then the folder is synced. On failure the old file is untouched, no
// temporary file is left, and the message names the file and the cause. With kKeep an existing
// file is never replaced: the answer is then a failure and AlreadyThere(file) tells why.
enum class Existing { kReplace, kKeep };
[[nodiscard]] Status WriteAtomically(const std::filesystem::path& file, std::string_view bytes,
                                     Existing existing = Existing::kReplace);

// The temporary name that WriteAtomically and the notice use beside a file: its name, ".tmp-" and
// twelve random hexadecimal digits.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& file);
// Whether a name is such a temporary name of some file.
bool IsTemporaryName(std::string_view name);

// Removes the temporary files that writers killed half way (a kill, a power cut) left in a folder:
// only names of the form above whose file name (before ".tmp-") the caller owns, only regular files,
// and only those that no living writer holds locked. The paths removed.
std::vector<std::filesystem::path> RemoveLeftoverTemporaries(const std::filesystem::path& folder,
                                                             const std::function<bool(std::string_view)>& owned);
// The same for the temporary files of one file.
std::vector<std::filesystem::path> RemoveLeftoverTemporaries(const std::filesystem::path& file);

// Whether a regular file, not a link, stands at the path.
bool IsPlainFile(const std::filesystem::path& path);

// Whether a file or anything else stands at the path (a link counts, whatever it points to).
bool AlreadyThere(const std::filesystem::path& path);

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

// Renames a file to a name that must not exist yet: an existing file there is never replaced, and
// the answer is then "esiste già" (EEXIST). The folder is synced afterwards.
[[nodiscard]] std::error_code RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// A file the program reads or writes for its own bytes, closed when it goes out of scope. The first
// failure is kept, as the system's number for ItalianReason, and later writes do nothing.
class SystemFile {
 public:
  // A new file: created exclusively (an existing name fails with "esiste già"), never through a link.
  static SystemFile CreateNew(const std::filesystem::path& file);
  // A regular file, for reading: a FIFO, a device or a folder is refused at once (kNotRegularFile,
  // EISDIR) without waiting on it.
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
  // The size of the open file, in bytes; -1 when it cannot be told.
  long long Size() const;

 private:
  SystemFile(int fd, int error) noexcept : fd_(fd), error_(error) {}
  int fd_;
  int error_;
};

// A folder locked by this process while the object lives, so that a cleaner of leftovers in another
// process (a later run) leaves it alone: the lock goes with the process, however it ends.
class FolderLock {
 public:
  // Locks the folder; false when it cannot be opened or is gone (removed by a cleaner since it was
  // made: the caller makes another).
  bool Lock(const std::filesystem::path& folder);
  // Tries to lock without waiting; false when a living process holds it, or it cannot be opened.
  bool TryLock(const std::filesystem::path& folder);
  void Unlock();
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

 private:
  bool Take(const std::filesystem::path& folder, bool wait);
  int fd_ = -1;
};

// Writes the bytes to the disk for a file that is open or closed: fsync of the file, then of its
// folder, so that its name survives a power cut too. A file system that cannot sync a folder at all
// is no failure.
[[nodiscard]] std::error_code SyncFile(const std::filesystem::path& file);
[[nodiscard]] std::error_code SyncFolder(const std::filesystem::path& folder);

}  // namespace nerovale::files
