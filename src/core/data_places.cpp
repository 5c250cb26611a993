#include "core/data_places.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "core/draft.h"
#include "core/system_files.h"

namespace nerovale::places {
namespace {

namespace fs = std::filesystem;

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// An absolute path, without "." and ".." and without asking the disk (a folder that does not exist
// yet keeps its name).
fs::path Absolute(const fs::path& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  return (error ? path : absolute).lexically_normal();
}

}  // namespace

fs::path InstalledDataFolder(const fs::path& executable) {
  if (executable.empty()) return {};
  const fs::path prefix = Absolute(executable).parent_path().parent_path();
  const fs::path data = prefix / "share" / kDataFolderName;
  return IsFolder(data) ? data : fs::path();
}

fs::path RunningExecutable() {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : executable;
}

fs::path RunningInstalledData() { return InstalledDataFolder(RunningExecutable()); }

DataPlaces FindData(const fs::path& working_folder, const fs::path& installed_data) {
  const fs::path working = Absolute(working_folder);
  const fs::path installed = installed_data.empty() ? fs::path() : Absolute(installed_data);
  DataPlaces places;
  places.ref = working / "ref";
  if (!IsFolder(places.ref) && !installed.empty() && IsFolder(installed / "ref")) {
    places.ref = installed / "ref";
    places.installed_ref = true;
  }
  places.manual = working / "docs" / kManualName;
  if (!Exists(places.manual) && !installed.empty() && Exists(installed / "docs" / kManualName)) {
    places.manual = installed / "docs" / kManualName;
  }
  return places;
}

bool IsApplicationFolder(const fs::path& folder) {
  return Exists(folder / "config.ini") || Exists(folder / draft::kFileName) || IsFolder(folder / "ref");
}

fs::path UserHome() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  // The password database's entry, read with a buffer of the size the system suggests.
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && *found->pw_dir != '\0') {
    return found->pw_dir;
  }
  return {};
}

fs::path UserFolder(const fs::path& home) { return Absolute(home) / kUserFolderName; }

bool IsUserFolder(const fs::path& folder) {
  const fs::path home = UserHome();
  return !home.empty() && Absolute(folder) == UserFolder(home);
}

WorkingFolder ChooseWorkingFolder(const fs::path& started_in, const fs::path& home) {
  WorkingFolder chosen;
  chosen.folder = Absolute(started_in);
  // The home folder itself is where the menu starts programs, and its config.ini may be another
  // program's: it is never the working folder.
  if (home.empty() || (chosen.folder != Absolute(home) && IsApplicationFolder(chosen.folder))) return chosen;
  chosen.folder = UserFolder(home);
  if (IsFolder(chosen.folder)) return chosen;
  std::error_code error;
  if (Exists(chosen.folder)) {
    error = std::make_error_code(std::errc::not_a_directory);  // a file, or a link to nothing, by that name
  } else {
    chosen.made = fs::create_directory(chosen.folder, error);
  }
  if (error) {
    chosen.status = Status::Failure("Impossibile creare la cartella di lavoro " + chosen.folder.string() + ": " +
                                    files::ItalianReason(error));
  }
  return chosen;
}

}  // namespace nerovale::places
