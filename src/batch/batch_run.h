#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/system_files.h"

// nerovale-batch: the whole notice without the window, from CSV exports of the registry software.
namespace nerovale::batch {

inline constexpr int kWritten = 0;  // the notice was written and validated
inline constexpr int kRefused = 1;  // the data were refused: import, header, table check, or the schema
inline constexpr int kFault = 2;    // usage or environment: arguments, sender, reference files, destination

// What a run works in and with; main passes the process's own, tests their own.
struct BatchEnvironment {
  std::filesystem::path working_directory;  // holds config.ini (and ref/); relative paths start here
  const Clock& clock;                        // names the notice folder; today for the checks
  std::ostream& out;                        // the application's messages and the file written
  std::ostream& err;                        // usage and environment faults
  std::function<int()> stop_signal = {};    // the signal that asked the run to stop, or 0
  std::filesystem::path installed_data = {};  // the tables and schema without ref/ (see places::FindData)
  std::istream* in = nullptr;                // the PIN for --firma-pin-file -
};

// Runs the command on its arguments (without the program's name) and answers its exit status. It
// never writes config.ini and never reads or writes the draft of the window. A stop signal ends the
// run at the next step, or while the notice is written, with kFault and a message; a notice file
// is never left under its name unless it is whole and valid.
int RunBatch(const std::vector<std::string>& args, const BatchEnvironment& env);

}  // namespace nerovale::batch
