#include "core/system_files.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "temp_dir.h"

namespace nerovale::files {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;

long FilesIn(const fs::path& folder) { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); }
bool ExitedCleanly(pid_t child) {
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A link planted where a careless writer would put its temporary file is never followed.
TEST(WriteAtomically, ReplacesTheFileAndLeavesNothingElse) {
  TempDir dir;
  const auto file = dir.Write("config.ini", "OLD\r\n"), target = dir.Write("elsewhere.txt", "KEEP");
  for (const char* name : {"config.ini.tmp", "config.ini.new", "config.ini~"}) fs::create_symlink(target, dir / name);
  ASSERT_TRUE(WriteAtomically(file, "NEW\r\n"));
  EXPECT_EQ(ReadFile(file), "NEW\r\n");
  EXPECT_EQ(ReadFile(target), "KEEP");
  EXPECT_EQ(FilesIn(dir.path()), 5);
}

// Whatever stands in the way, the old file stays as it was, no temporary file is left behind and
// the message names the file and the cause in Italian.
TEST(WriteAtomically, FailuresLeaveTheOldFileAndNameTheCause) {
  TempDir dir;
  EXPECT_EQ(WriteAtomically(dir / "gone" / "config.ini", "X").message(),
            "Impossibile scrivere il file " + (dir / "gone" / "config.ini").string() + ": il file o la cartella non esiste");
  fs::create_directories(dir / "config.ini" / "busy");  // the rename over a full folder fails
  EXPECT_FALSE(WriteAtomically(dir / "config.ini", "X"));
  EXPECT_EQ(FilesIn(dir.path()), 1);
  EXPECT_TRUE(fs::is_directory(dir / "config.ini" / "busy"));
  // A disk that takes no more than 4 bytes: the write fails half way (in a child, which alone is limited).
  const auto file = dir.Write("small.ini", "OLD\r\n");
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4, 4};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const Status full = WriteAtomically(file, "NEW CONTENT\r\n");
    ::_exit(!full && full.message().ends_with("il file è troppo grande per il disco") ? 0 : 1);
  }
  EXPECT_TRUE(ExitedCleanly(child));
  EXPECT_EQ(ReadFile(file), "OLD\r\n");
  EXPECT_EQ(FilesIn(dir.path()), 2);
}

// Two processes writing the same file over and over: every reading finds one whole version.
TEST(WriteAtomically, TwoWritersNeverInterleave) {
  TempDir dir;
  const auto file = dir / "config.ini";
  const std::string a(4096, 'A'), b(8192, 'B');
  ASSERT_TRUE(WriteAtomically(file, a));
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    if ((writers[w] = ::fork()) == 0) {
      int failed = 0;
      for (int i = 0; i < 200; ++i) failed += !WriteAtomically(file, w == 0 ? a : b);
      ::_exit(failed == 0 ? 0 : 1);
    }
  }
  int broken = 0;
  for (int i = 0; i < 400; ++i) {
    const std::string read = ReadFile(file);
    broken += read != a && read != b;
  }
  for (pid_t writer : writers) EXPECT_TRUE(ExitedCleanly(writer));
  EXPECT_EQ(broken, 0);
  EXPECT_EQ(FilesIn(dir.path()), 1);
}

// Kept: an existing name is never replaced, the new one is whole or absent.
TEST(WriteAtomically, KeepingNeverReplaces) {
  TempDir dir;
  const auto file = dir.Write("copy.20261207", "FIRST");
  EXPECT_FALSE(WriteAtomically(file, "SECOND", Existing::kKeep));
  EXPECT_EQ(ReadFile(file), "FIRST");
  ASSERT_TRUE(WriteAtomically(dir / "copy.20261207_2", "SECOND", Existing::kKeep));
  EXPECT_EQ(ReadFile(dir / "copy.20261207_2"), "SECOND");
  EXPECT_EQ(FilesIn(dir.path()), 2);
}

// A reading never waits on a FIFO, never goes on without end on a device, and never takes more than
// its limit; each refusal has its cause.
TEST(ReadWholeFile, OnlyRegularFilesWithinTheLimit) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir / "zero");
  const auto small = dir.Write("small.txt", "12345");
  const std::tuple<fs::path, std::size_t, int> cases[] = {
      {small, 5, 0}, {small, 4, kFileTooLarge}, {dir / "fifo", 100, kNotRegularFile},
      {dir / "zero", 100, kNotRegularFile}, {dir.path(), 100, EISDIR}, {dir / "missing", 100, ENOENT}};
  for (const auto& [file, limit, error] : cases) {
    std::string bytes = "old";
    EXPECT_EQ(ReadWholeFile(file, limit, bytes), error) << file;
    EXPECT_EQ(bytes, error == 0 ? "12345" : "") << file;
  }
  EXPECT_EQ(ReadFailureText(dir / "fifo", kNotRegularFile),
            "Impossibile leggere il file " + (dir / "fifo").string() +
                ": non è un file ordinario (è una pipe, un dispositivo o un socket)");
}

// What a killed writer left beside a file goes; a temporary file that a living writer holds, one of
// another file (a dated copy's too), or a name that is not one of ours, stays.
TEST(RemoveLeftoverTemporaries, OnlyUnheldTemporariesOfTheFile) {
  TempDir dir;
  const auto table = dir.Write("table.txt", "T");
  for (const char* name : {"table.txt.tmp-0123456789ab", "table.txt.20261207.tmp-abcdef012345",
                           "table.txt.tmp-0123", "table.txt.tmp-0123456789AB", "other.txt.tmp-0123456789ab"}) {
    dir.Write(name, "x");
  }
  fs::create_directory(dir / "table.txt.tmp-aaaaaaaaaaaa");
  const auto held = dir.Write("table.txt.tmp-bbbbbbbbbbbb", "x");
  const int fd = ::open(held.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(RemoveLeftoverTemporaries(table), std::vector<fs::path>{dir / "table.txt.tmp-0123456789ab"});
  EXPECT_EQ(FilesIn(dir.path()), 7);
  ::close(fd);
  EXPECT_EQ(RemoveLeftoverTemporaries(table), std::vector<fs::path>{held});
}

TEST(ItalianReason, CommonCauses) {
  EXPECT_EQ(ItalianReason(EACCES), "permesso negato");
  EXPECT_EQ(ItalianReason(EROFS), "il disco è in sola lettura");
  EXPECT_EQ(ItalianReason(ENOSPC), "il disco è pieno");
  EXPECT_EQ(ItalianReason(ENAMETOOLONG), "il nome è troppo lungo");
  EXPECT_EQ(ItalianReason(std::make_error_code(std::errc::no_such_file_or_directory)), "il file o la cartella non esiste");
}

}  // namespace
}  // namespace nerovale::files
