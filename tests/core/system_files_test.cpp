#include "core/system_files.h"
#include "core/user_config.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

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
// Whether what answers true when run in a child on a disk that takes no more than 4 bytes a file (a
// limit of the child alone, which binds root too).
bool OnASmallDisk(const std::function<bool()>& what) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4, 4};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(what() ? 0 : 1);
  }
  return ExitedCleanly(child);
}

// Replacing, a link planted where a careless writer would put its temporary file is never followed;
// keeping, an existing name is never replaced and a new one is whole. Nothing else is left.
TEST(WriteAtomically, ReplacesOrKeepsAndLeavesNothingElse) {
  TempDir dir;
  const auto file = dir.Write("config.ini", "OLD\r\n"), target = dir.Write("elsewhere.txt", "KEEP");
  for (const char* name : {"config.ini.tmp", "config.ini.new", "config.ini~"}) fs::create_symlink(target, dir / name);
  ASSERT_TRUE(WriteAtomically(file, "NEW\r\n"));
  EXPECT_FALSE(WriteAtomically(file, "SECOND", Existing::kKeep));
  ASSERT_TRUE(WriteAtomically(dir / "copy.20261207_2", "SECOND", Existing::kKeep));
  EXPECT_EQ(ReadFile(file) + ReadFile(target) + ReadFile(dir / "copy.20261207_2"), "NEW\r\nKEEPSECOND");
  EXPECT_EQ(FilesIn(dir.path()), 6);
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
  // The write fails half way.
  const auto file = dir.Write("small.ini", "OLD\r\n");
  EXPECT_TRUE(OnASmallDisk([&] {
    const Status full = WriteAtomically(file, "NEW CONTENT\r\n");
    return !full && full.message().ends_with("il file è troppo grande per il disco");
  }));
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

// The causes an operator meets most, in Italian, from the system's number or its error code.
TEST(ItalianReason, CommonCauses) {
  const std::pair<int, const char*> causes[] = {{EACCES, "permesso negato"}, {EROFS, "il disco è in sola lettura"},
                                                {ENOSPC, "il disco è pieno"}, {ENAMETOOLONG, "il nome è troppo lungo"}};
  for (const auto& [error, reason] : causes) EXPECT_EQ(ItalianReason(error), reason);
  EXPECT_EQ(ItalianReason(std::make_error_code(std::errc::no_such_file_or_directory)), "il file o la cartella non esiste");
}

// config.ini: five lines in Windows-1252 ending in CR LF, read back as written.
TEST(UserConfig, RoundTripWritesFiveWindows1252Lines) {
  TempDir dir;
  const UserConfig config{"D704", "FORLÌ DÀ", "NICOLÒ", "/home/op/XML", ""};
  ASSERT_TRUE(WriteConfig(dir / "config.ini", config));
  EXPECT_EQ(ReadFile(dir / "config.ini"), "D704\r\nFORL\xCC D\xC0\r\nNICOL\xD2\r\n/home/op/XML\r\n\r\n");
  UserConfig read;
  ASSERT_TRUE(ReadConfig(dir / "config.ini", read));
  EXPECT_EQ(read, config);
}

// A config.ini cut short, too long or damaged is no config.ini, but the values read before the fault
// count; a contact person needs both names.
TEST(UserConfig, ShortFileKeepsValuesReadBeforeTheGap) {
  TempDir dir;
  UserConfig read;
  EXPECT_FALSE(ReadConfig(dir.Write("config.ini", "H501\r\n\r\n\r\n"), read));
  EXPECT_EQ(read.CodiceComune, "H501");
  EXPECT_FALSE(read.HasReferente());  // a code without a contact person: first start
  EXPECT_FALSE((UserConfig{"H501", "BIANCHI", "", "", ""}.HasReferente()));  // one name is not a contact person
  EXPECT_FALSE((UserConfig{"H501", "", "LUCIA", "", ""}.HasReferente()));
  EXPECT_FALSE(ReadConfig(dir / "missing.ini", read));
  // Long folders read up to 64 KiB in all, a byte more is no config.ini.
  const std::string head = "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n";
  EXPECT_TRUE(ReadConfig(dir.Write("long.ini", head + std::string(65536 - head.size() - 2, 'C') + "\r\n"), read));
  EXPECT_FALSE(ReadConfig(dir.Write("long.ini", head + std::string(65536 - head.size() - 1, 'C') + "\r\n"), read));

  // A control character is damage: the values before it count, that one and the rest never do.
  for (const std::string& damaged : {std::string("BIAN\x01" "CHI"), std::string("BIAN\rCHI"), std::string("BIAN\0CHI", 8)}) {
    UserConfig config;
    EXPECT_FALSE(ReadConfig(dir.Write("damaged.ini", "H501\r\n" + damaged + "\r\nLUCIA\r\n\r\n\r\n"), config));
    EXPECT_EQ(config, (UserConfig{"H501", "", "", "", ""}));
  }
}

// A config.ini that cannot be replaced stays as it was.
TEST(UserConfig, AFailedWriteLeavesTheOldFileIntact) {
  TempDir dir;
  const auto file = dir.Write("config.ini", "OLD\r\n");
  EXPECT_TRUE(OnASmallDisk([&] { return !WriteConfig(file, UserConfig{"NEW", "A", "B", "", ""}); }));
  EXPECT_EQ(ReadFile(file), "OLD\r\n");
}

}  // namespace
}  // namespace nerovale::files
