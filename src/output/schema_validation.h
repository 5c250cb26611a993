#pragma once

#include <filesystem>
#include <string>

namespace nerovale::output {

struct ValidationResult {
  bool valid = false;
  std::string reason;  // one line: what the first error was, when not valid
};

// Loads a saved notice and validates it against the XML Schema that its root element names
// (xsi:noNamespaceSchemaLocation). Nothing is ever fetched from the network, no DTD is loaded and
// no entity is expanded; a document that declares a DOCTYPE is refused.
ValidationResult ValidateFile(const std::filesystem::path& file);

}  // namespace nerovale::output
