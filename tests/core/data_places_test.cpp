// Where the programs find their data and the folder the window works in: the working folder's ref/
// first, the installed data beside the executable second, and with neither the working folder's
// files, which the messages then name; the user's own folder when started outside a program folder.
#include "core/data_places.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "temp_dir.h"

namespace nerovale::places {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(DataPlaces, WorkingFolderFirstInstalledSecondNeitherNamesTheWorkingFolder) {
  TempDir dir;
  const fs::path installed = dir / "root/usr/share/nerovale";
  const fs::path executable = dir / "root/usr/bin/nerovale";
  dir.Write("root/usr/bin/nerovale", "");
  EXPECT_EQ(InstalledDataFolder(executable), fs::path()) << "no share/nerovale: a program in its build folder";
  dir.Write("root/usr/share/nerovale/ref/validate.xsd", "");
  dir.Write("root/usr/share/nerovale/docs/Nerovale-Manuale_Utente.pdf", "");
  EXPECT_EQ(InstalledDataFolder(executable), installed);
  EXPECT_EQ(InstalledDataFolder(dir / "root/usr/bin/../bin/nerovale"), installed) << "the path made plain";

  struct Case {
    const char* why;
    bool working_ref, working_manual, has_installed;
    bool ref_installed, manual_installed;
  };
  for (const Case& c : {Case{"both: the working folder's", true, true, true, false, false},
                        Case{"no ref/ in the working folder: the installed tables", false, false, true, true, true},
                        Case{"ref/ there, no manual: the installed manual", true, false, true, false, true},
                        Case{"nothing installed: the working folder's, missing", false, false, false, false, false}}) {
    SCOPED_TRACE(c.why);
    TempDir work;
    if (c.working_ref) fs::create_directories(work / "ref");
    if (c.working_manual) work.Write("docs/Nerovale-Manuale_Utente.pdf", "");
    const DataPlaces found = FindData(work.path(), c.has_installed ? installed : fs::path());
    EXPECT_EQ(found.installed_ref, c.ref_installed);
    EXPECT_EQ(found.ref, c.ref_installed ? installed / "ref" : work / "ref");
    EXPECT_EQ(found.Schema(), found.ref / "validate.xsd");
    EXPECT_EQ(found.Comuni(), found.ref / "FileCodComuni.txt");
    EXPECT_EQ(found.manual, (c.manual_installed ? installed : work.path()) / "docs" / "Nerovale-Manuale_Utente.pdf");
  }
}

// $HOME for the length of a test.
class Home {
 public:
  explicit Home(const fs::path& home) {
    if (const char* old = std::getenv("HOME")) old_ = old;
    setenv("HOME", home.c_str(), 1);
  }
  ~Home() { old_ ? setenv("HOME", old_->c_str(), 1) : unsetenv("HOME"); }
  Home(const Home&) = delete;
  Home& operator=(const Home&) = delete;

 private:
  std::optional<std::string> old_;
};

TEST(WorkingFolder, AProgramFolderStaysElsewhereTheUserFolderMadeAtTheFirstStart) {
  TempDir dir;
  const fs::path home = dir / "home";
  fs::create_directories(home);
  const Home set_home(home);
  EXPECT_EQ(UserHome(), home);
  for (const char* marker : {"config.ini", "bozza.nerovale", "ref/"}) {
    TempDir started;
    started.Write(std::string(marker) + (std::string(marker).ends_with('/') ? "x" : ""), "");
    const WorkingFolder chosen = ChooseWorkingFolder(started.path(), home);
    EXPECT_TRUE(chosen.status.ok() && chosen.folder == started.path() && !chosen.made) << marker;
  }
  EXPECT_FALSE(fs::exists(home / "Nerovale"));

  // Started from the menu (in the home folder, even with another program's config.ini there, or
  // anywhere without the program's files).
  dir.Write("home/config.ini", "another program's");
  const WorkingFolder first = ChooseWorkingFolder(home, home);
  EXPECT_TRUE(first.status.ok()) << first.status.message();
  EXPECT_TRUE(first.made);
  EXPECT_EQ(first.folder, home / "Nerovale");
  EXPECT_TRUE(fs::is_directory(home / "Nerovale"));
  EXPECT_TRUE(IsUserFolder(first.folder));
  EXPECT_FALSE(IsUserFolder(home));
  const WorkingFolder second = ChooseWorkingFolder(dir / "elsewhere", home);
  EXPECT_TRUE(second.status.ok() && !second.made && second.folder == home / "Nerovale");

  // Something else under that name: the program says so and makes nothing.
  fs::remove(home / "Nerovale");
  dir.Write("home/Nerovale", "not a folder");
  const WorkingFolder blocked = ChooseWorkingFolder(home, home);
  EXPECT_FALSE(blocked.status.ok());
  EXPECT_EQ(blocked.status.message(), "Impossibile creare la cartella di lavoro " + (home / "Nerovale").string() +
                                          ": un elemento del percorso non è una cartella");
  // Without a home folder at all, the folder it was started in.
  EXPECT_EQ(ChooseWorkingFolder(dir / "elsewhere", {}).folder, dir / "elsewhere");
}

}  // namespace
}  // namespace nerovale::places
