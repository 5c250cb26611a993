#include "core/system_files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "temp_dir.h"

namespace nerovale::files {
namespace {

using testing::ReadFile;
using testing::TempDir;

int FilesIn(const std::filesystem::path& folder) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(WriteAtomically, ReplacesTheFileAndLeavesNothingElse) {
  TempDir dir;
  const auto file = dir.Write("config.ini", "OLD\r\n");
  ASSERT_TRUE(WriteAtomically(file, "NEW\r\n"));
  EXPECT_EQ(ReadFile(file), "NEW\r\n");
  EXPECT_EQ(FilesIn(dir.path()), 1);
}

// Whatever stands in the way, the old file stays as it was, no temporary file is left behind and
// the message names the file and the cause in Italian.
TEST(WriteAtomically, FailuresLeaveTheOldFileAndNameTheCause) {
  TempDir dir;
  const Status missing = WriteAtomically(dir / "gone" / "config.ini", "X");
  EXPECT_EQ(missing.message(),
            "Impossibile scrivere il file " + (dir / "gone" / "config.ini").string() + ": il file o la cartella non esiste");

  std::filesystem::create_directories(dir / "config.ini" / "busy");  // the rename over a full folder fails
  EXPECT_FALSE(WriteAtomically(dir / "config.ini", "X"));
  EXPECT_EQ(FilesIn(dir.path()), 1);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "config.ini" / "busy"));

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
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFile(file), "OLD\r\n");
  EXPECT_EQ(FilesIn(dir.path()), 2);
}

// A link planted where a careless writer would put its temporary file is never followed.
TEST(WriteAtomically, NeverWritesThroughALinkAtATemporaryName) {
  TempDir dir;
  const auto target = dir.Write("elsewhere.txt", "KEEP");
  for (const char* name : {"config.ini.tmp", "config.ini.new", "config.ini~"}) {
    std::filesystem::create_symlink(target, dir / name);
  }
  ASSERT_TRUE(WriteAtomically(dir / "config.ini", "NEW"));
  EXPECT_EQ(ReadFile(target), "KEEP");
  EXPECT_EQ(ReadFile(dir / "config.ini"), "NEW");
}

// Two processes writing the same file over and over: every reading finds one whole version.
TEST(WriteAtomically, TwoWritersNeverInterleave) {
  TempDir dir;
  const auto file = dir / "config.ini";
  const std::string a(4096, 'A'), b(8192, 'B');
  ASSERT_TRUE(WriteAtomically(file, a));
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    writers[w] = ::fork();
    if (writers[w] == 0) {
      for (int i = 0; i < 200; ++i) {
        if (!WriteAtomically(file, w == 0 ? a : b)) ::_exit(1);
      }
      ::_exit(0);
    }
  }
  int broken = 0;
  for (int i = 0; i < 400; ++i) {
    const std::string read = ReadFile(file);
    broken += read != a && read != b;
  }
  for (pid_t writer : writers) {
    int status = 0;
    ::waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(broken, 0);
  EXPECT_EQ(FilesIn(dir.path()), 1);
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
