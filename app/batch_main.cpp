// nerovale-batch: the whole notice without the window, from CSV exports of the registry software.
//
//   nerovale-batch --numero N --data dd/mm/yyyy --dest DIR FILE.csv [FILE.csv ...]
//
// It runs in a working directory laid out like the application's (config.ini, ref/) and never
// writes config.ini; without ref/ there, it reads the tables and the schema installed with it.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "core/clock.h"
#include "core/data_places.h"
#include "core/stop_signals.h"

int main(int argc, char* argv[]) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::current_path(ec);
  if (ec) {
    std::cerr << "nerovale-batch: impossibile leggere la cartella di lavoro\n";
    return nerovale::batch::kFault;
  }
  // Ctrl+C, kill or a closed session stop the run at its next step, never half way through a file.
  nerovale::stop::CatchSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const nerovale::LocalClock clock;
  return nerovale::batch::RunBatch(
      args, {folder, clock, std::cout, std::cerr, &nerovale::stop::Signal, nerovale::places::RunningInstalledData(),
                &std::cin});
}
