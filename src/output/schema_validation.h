#pragma once

#include <filesystem>
#include <string>

#include "output/progress.h"

namespace nerovale::output {

struct ValidationResult {
  bool valid = false;
  std::string reason;  // one line: what the first error was, when not valid
};

// Reads a saved notice back from the disk and validates it against the XML Schema that its root
// element names (xsi:noNamespaceSchemaLocation), as a stream: the file is never held whole, and no
// tree of it is built. Nothing is ever fetched from the network, no DTD is loaded and no entity is
// expanded; a document that declares a DOCTYPE is refused. The first error decides. progress is
// called at every block read.
ValidationResult ValidateFile(const std::filesystem::path& file, const Progress& progress = {});

}  // namespace nerovale::output
