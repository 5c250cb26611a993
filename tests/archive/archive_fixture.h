#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "temp_dir.h"

namespace nerovale::testing {

inline std::filesystem::path DataFile(const std::string& name) {
  return std::filesystem::path(NEROVALE_SOURCE_DIR) / "tests" / "data" / name;
}

// The extract of the real archive in tests/data, as bytes.
inline std::string ArchiveExtract() {
  return ReadFile(DataFile("anpr_extract.csv"));
}

// The text with every occurrence of from replaced by to.
inline std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace nerovale::testing
