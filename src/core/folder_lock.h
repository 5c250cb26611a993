#pragma once

#include <filesystem>
#include <string_view>

// One window per working folder: two copies of the program in one folder would save the same draft
// over each other. The window holds an advisory lock (flock) on a file beside config.ini for as long
// as it runs; the system lets it go with the process however that ends, so the lock of a program that
// crashed or was killed is simply taken by the next one.
namespace nerovale::files {

inline constexpr std::string_view kLockFileName = "nerovale.lock";

class WorkingFolderLock {
 public:
  enum class Outcome {
    kTaken,        // this process holds the folder
    kHeld,         // a living process holds it: this one must not work here
    kUnavailable,  // no lock file can be made or opened (a read-only folder): nothing to guard
  };

  WorkingFolderLock() = default;
  WorkingFolderLock(const WorkingFolderLock&) = delete;
  WorkingFolderLock& operator=(const WorkingFolderLock&) = delete;
  ~WorkingFolderLock();

  // Takes the folder without waiting. An existing lock file is never changed unless it is taken;
  // once taken it holds the process's number, for a person who wonders who holds it.
  Outcome Take(const std::filesystem::path& folder);

 private:
  int fd_ = -1;
};

}  // namespace nerovale::files
