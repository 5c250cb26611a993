#include "core/system_files.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nerovale::files {
namespace {

// A file descriptor closed when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) noexcept : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const noexcept { return fd_; }
  // Closes now; the error of the close, which may be the first sign of a full disk.
  std::error_code Close() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd >= 0 && ::close(fd) != 0 ? std::error_code(errno, std::generic_category()) : std::error_code{};
  }

 private:
  int fd_;
};

std::error_code LastError() { return {errno, std::generic_category()}; }

std::error_code WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

std::error_code Sync(const std::filesystem::path& path, int flags) {
  Descriptor fd(::open(path.c_str(), flags | O_CLOEXEC));
  if (fd.get() < 0) return LastError();
  if (::fsync(fd.get()) != 0) return LastError();
  return fd.Close();
}

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::size_t kTemporaryDigits = 12;
constexpr std::string_view kHexDigits = "0123456789abcdef";

// Whether the descriptor's file still has a name: a cleaner may have removed it between its creation
// and its lock.
bool StillNamed(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && info.st_nlink > 0;
}

// Creates the temporary file exclusively and locks it: an existing name (a file, a link planted
// there) is never opened, and another name is tried, as is one removed before it was locked.
int CreateTemporary(const std::filesystem::path& file, std::filesystem::path& temporary) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    temporary = TemporaryNameFor(file);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    if (::flock(fd, LOCK_EX) == 0 && StillNamed(fd)) return fd;
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}


}  // namespace

std::string ItalianReason(int errno_value) {
  switch (errno_value) {
    case kNotRegularFile: return "non è un file ordinario (è una pipe, un dispositivo o un socket)";
    case kFileTooLarge: return "il file è troppo grande";
    case EACCES:
    case EPERM: return "permesso negato";
    case EROFS: return "il disco è in sola lettura";
    case ENOSPC:
    case EDQUOT: return "il disco è pieno";
    case EFBIG: return "il file è troppo grande per il disco";
    case ENOENT: return "il file o la cartella non esiste";
    case ENOTDIR: return "un elemento del percorso non è una cartella";
    case EISDIR: return "al suo posto c'è una cartella";
    case ENOTEMPTY:
    case EEXIST: return "esiste già";
    case ENAMETOOLONG: return "il nome è troppo lungo";
    case ELOOP: return "troppi collegamenti simbolici nel percorso";
    case EIO: return "errore di lettura o scrittura sul disco";
    case EBUSY: return "il file è in uso";
    default: return "errore di sistema " + std::to_string(errno_value);
  }
}

std::string ItalianReason(std::error_code error) { return ItalianReason(error.value()); }

std::string ReadFailureText(const std::filesystem::path& file, int error) {
  return "Impossibile leggere il file " + file.string() + ": " + ItalianReason(error);
}

Status WriteAtomically(const std::filesystem::path& file, std::string_view bytes, Existing existing) {
  const auto failure = [&file](std::error_code error) {
    return Status::Failure("Impossibile scrivere il file " + file.string() + ": " + ItalianReason(error));
  };
  std::filesystem::path temporary;
  Descriptor fd(CreateTemporary(file, temporary));
  if (fd.get() < 0) return failure(LastError());
  std::error_code error = WriteAll(fd.get(), bytes);
  if (!error && ::fsync(fd.get()) != 0) error = LastError();
  // The temporary file stays open, and so locked, until it has its final name: a cleaner never
  // takes it from under the rename.
  if (!error) {
    if (existing == Existing::kReplace) {
      if (std::rename(temporary.c_str(), file.c_str()) != 0) error = LastError();
    } else {
      error = RenameWithoutReplacing(temporary, file);
    }
  }
  if (const std::error_code closed = fd.Close(); !error) error = closed;
  if (error) {
    ::unlink(temporary.c_str());
    return failure(error);
  }
  // The new name is on the disk only once the folder is; a failure here leaves the new file in place.
  const auto folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
  if (const std::error_code synced = SyncFolder(folder)) return failure(synced);
  return Status::Ok();
}

std::filesystem::path TemporaryNameFor(const std::filesystem::path& file) {
  static thread_local std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())};
  std::string suffix(kTemporaryMark);
  for (std::uint64_t bits = random(), i = 0; i < kTemporaryDigits; ++i, bits >>= 4) suffix += kHexDigits[bits & 15];
  auto temporary = file;
  temporary += suffix;
  return temporary;
}

bool IsTemporaryName(std::string_view name) {
  const auto mark = name.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark == 0) return false;
  const std::string_view digits = name.substr(mark + kTemporaryMark.size());
  return digits.size() == kTemporaryDigits && digits.find_first_not_of(kHexDigits) == std::string_view::npos;
}

std::vector<std::filesystem::path> RemoveLeftoverTemporaries(const std::filesystem::path& folder,
                                                             const std::function<bool(std::string_view)>& owned) {
  std::vector<std::filesystem::path> removed;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!IsTemporaryName(name) || !owned(std::string_view(name).substr(0, name.rfind(kTemporaryMark)))) continue;
    // Opened without following a link and without waiting; a living writer holds its lock.
    Descriptor fd(::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (::unlink(it->path().c_str()) == 0) removed.push_back(it->path());
  }
  if (!removed.empty()) (void)SyncFolder(folder);
  return removed;
}

std::vector<std::filesystem::path> RemoveLeftoverTemporaries(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  return RemoveLeftoverTemporaries(file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path(),
                                   [&name](std::string_view base) { return base == name; });
}

bool IsPlainFile(const std::filesystem::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool AlreadyThere(const std::filesystem::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

int ReadWholeFile(const std::filesystem::path& file, std::size_t max_bytes, std::string& bytes) {
  bytes.clear();
  SystemFile in = SystemFile::OpenForReading(file);
  if (!in.opened()) return in.error();
  const long long size = in.Size();
  if (size < 0) return in.error() != 0 ? in.error() : EIO;
  if (static_cast<unsigned long long>(size) > max_bytes) return kFileTooLarge;
  // The size is only a hint: a file that grows while it is read stops at the limit all the same.
  bytes.resize(static_cast<std::size_t>(size) + 1);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      if (bytes.size() > max_bytes) return kFileTooLarge;
      bytes.resize(std::min(bytes.size() * 2, max_bytes + 1));
    }
    const long got = in.Read(bytes.data() + filled, bytes.size() - filled);
    if (got < 0) return in.error();
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  if (filled > max_bytes) return kFileTooLarge;
  bytes.resize(filled);
  return 0;
}

std::optional<FileStamp> StampOf(const std::filesystem::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const auto ns = [](const timespec& t) { return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec; };
  return FileStamp{static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino),
                   static_cast<unsigned long long>(info.st_size), ns(info.st_mtim), ns(info.st_ctim)};
}

std::error_code RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno != EINVAL && errno != ENOSYS) return LastError();
    // A file system that cannot refuse to replace in one step: a second name, then the old one goes.
    if (::link(from.c_str(), to.c_str()) != 0) return LastError();
    if (::unlink(from.c_str()) != 0) return LastError();
  }
  const auto folder = to.parent_path().empty() ? std::filesystem::path(".") : to.parent_path();
  return SyncFolder(folder);
}

SystemFile SystemFile::CreateNew(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  return {fd, fd < 0 ? errno : 0};
}

SystemFile SystemFile::OpenForReading(const std::filesystem::path& file) {
  // O_NONBLOCK: opening a FIFO without a writer would wait for one; the kind is known only once open.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {-1, errno};
  struct stat info {};
  int error = 0;
  if (::fstat(fd, &info) != 0) {
    error = errno;
  } else if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
  } else if (!S_ISREG(info.st_mode)) {
    error = kNotRegularFile;
  } else if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::close(fd);
    return {-1, error};
  }
  return {fd, 0};
}

long long SystemFile::Size() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return -1;
  return static_cast<long long>(info.st_size);
}

SystemFile::~SystemFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool SystemFile::WriteAll(std::string_view bytes) {
  if (error_ == 0 && fd_ >= 0) {
    if (const std::error_code failed = ::nerovale::files::WriteAll(fd_, bytes)) error_ = failed.value();
  }
  return error_ == 0;
}

long SystemFile::Read(char* buffer, std::size_t size) {
  if (error_ != 0 || fd_ < 0) return -1;
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, size);
    if (got >= 0) return static_cast<long>(got);
    if (errno != EINTR) {
      error_ = errno;
      return -1;
    }
  }
}

bool SystemFile::Close() {
  const int fd = fd_;
  fd_ = -1;
  if (fd >= 0 && ::close(fd) != 0 && error_ == 0) error_ = errno;
  return error_ == 0;
}

bool FolderLock::Take(const std::filesystem::path& folder, bool wait) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd_ < 0) return false;
  if (::flock(fd_, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0 || !StillNamed(fd_)) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

bool FolderLock::Lock(const std::filesystem::path& folder) { return Take(folder, true); }

bool FolderLock::TryLock(const std::filesystem::path& folder) { return Take(folder, false); }

void FolderLock::Unlock() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

FolderLock::~FolderLock() { Unlock(); }

std::error_code SyncFile(const std::filesystem::path& file) { return Sync(file, O_RDONLY); }

std::error_code SyncFolder(const std::filesystem::path& folder) {
  // A file system that cannot sync a folder at all has nothing more to give: not a failure.
  const std::error_code error = Sync(folder.empty() ? std::filesystem::path(".") : folder, O_RDONLY | O_DIRECTORY);
  return error == std::errc::invalid_argument || error == std::errc::not_supported ? std::error_code{} : error;
}

}  // namespace nerovale::files
