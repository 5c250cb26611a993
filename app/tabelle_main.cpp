// nerovale-tabelle: the municipality table brought up to date with the national archive of municipalities.
//
//   nerovale-tabelle [--si | --prova] ARCHIVIO.csv
//
// It runs in the application's folder and replaces ref/FileCodComuni.txt there; without ref/ there,
// the table installed with the program.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "archive/update_command.h"
#include "core/clock.h"
#include "core/data_places.h"

int main(int argc, char* argv[]) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::current_path(ec);
  if (ec) {
    std::cerr << "nerovale-tabelle: impossibile leggere la cartella di lavoro\n";
    return nerovale::archive::kFault;
  }
  const std::vector<std::string> args(argv + 1, argv + argc);
  return nerovale::archive::RunTableUpdate(args, {folder, nerovale::LocalClock().Now().date, std::cin, std::cout,
                                                  std::cerr, nerovale::places::RunningInstalledData()});
}
