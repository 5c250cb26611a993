#include "core/user_config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "temp_dir.h"

namespace nerovale {
namespace {

using testing::ReadFile;
using testing::TempDir;

TEST(UserConfig, RoundTripWritesFiveWindows1252Lines) {
  TempDir dir;
  const UserConfig config{"D704", "FORLÌ DÀ", "NICOLÒ", "/home/op/XML", ""};
  ASSERT_TRUE(WriteConfig(dir / "config.ini", config));
  EXPECT_EQ(ReadFile(dir / "config.ini"), "D704\r\nFORL\xCC D\xC0\r\nNICOL\xD2\r\n/home/op/XML\r\n\r\n");
  UserConfig read;
  ASSERT_TRUE(ReadConfig(dir / "config.ini", read));
  EXPECT_EQ(read, config);
}

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

TEST(UserConfig, UnwritableFolderLeavesTheOldFileIntact) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempDir dir;
  const auto file = dir.Write("config.ini", "OLD\r\n");
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_FALSE(WriteConfig(file, UserConfig{"NEW", "A", "B", "", ""}));
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(ReadFile(file), "OLD\r\n");
}

}  // namespace
}  // namespace nerovale
