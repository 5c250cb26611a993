// nerovale-tabelle: the municipality table brought up to date with the national archive of municipalities.
//
//   nerovale-tabelle [--si | --prova] ARCHIVIO.csv
//
// It runs in the application's folder and replaces ref/FileCodComuni.txt there.
#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "archive/update_command.h"
#include "core/dates.h"

int main(int argc, char* argv[]) {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  const auto today = nerovale::dates::MakeDate(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);

  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::current_path(ec);
  if (ec || !today) {
    std::cerr << "nerovale-tabelle: impossibile leggere la cartella di lavoro o la data di oggi\n";
    return nerovale::archive::kFault;
  }
  const std::vector<std::string> args(argv + 1, argv + argc);
  return nerovale::archive::RunTableUpdate(args, {folder, *today, std::cin, std::cout, std::cerr});
}
