#pragma once

#include <filesystem>
#include <string>

#include "core/status.h"

namespace nerovale {

// The sender of the notices and the folders used last, as kept in config.ini.
struct UserConfig {
  std::string CodiceComune;
  std::string CognomeReferente;
  std::string NomeReferente;
  std::string CartellaFileXml;
  std::string CartellaImport;

  // A contact person is configured when both names are present; the municipality does not count.
  bool HasReferente() const noexcept { return !CognomeReferente.empty() && !NomeReferente.empty(); }
  bool operator==(const UserConfig&) const = default;
};

// config.ini in the working directory.
std::filesystem::path ConfigPath();

// Reads the five lines of config.ini into config, in order. A missing file, one with fewer than five
// lines, or one with a control character in a value (a damaged file) is a failure; the values read
// before the gap or the damage stay in config.
[[nodiscard]] Status ReadConfig(const std::filesystem::path& file, UserConfig& config);

// Writes the five values, one per line. A failure leaves the old file untouched.
[[nodiscard]] Status WriteConfig(const std::filesystem::path& file, const UserConfig& config);

}  // namespace nerovale
