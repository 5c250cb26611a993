#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/dates.h"

// nerovale-tabelle: the municipality table brought up to date with the national archive of municipalities.
namespace nerovale::archive {

inline constexpr int kDone = 0;      // replaced, already up to date, or only shown
inline constexpr int kDeclined = 1;  // the operator did not confirm
inline constexpr int kFault = 2;     // usage, environment, or an archive that is refused

// What a run works in and with; main passes the process's own, tests their own.
struct CommandEnvironment {
  std::filesystem::path application_folder;  // the working folder; a relative archive path starts here
  dates::Date today;                         // names the copy of the old table
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  std::filesystem::path installed_data = {};  // the installed tables, used without ref/ (see places::FindData)
};

// Runs the command on its arguments (without the program's name) and answers its exit status.
int RunTableUpdate(const std::vector<std::string>& args, const CommandEnvironment& env);

}  // namespace nerovale::archive
