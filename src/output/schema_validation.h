#pragma once

#include <filesystem>
#include <string>

#include "core/status.h"
#include "output/progress.h"

namespace nerovale::output {

// How an output step ended: done; the notice was written but its content fails the schema (the
// data were refused); or something around it failed: the schema is missing or unusable, or a folder
// or file could not be made, written or read (permission, read-only or full disk, gone, a name too
// long).
// A step may also be stopped (a stop signal) before it ends.
enum class NoticeFault { kNone, kRefused, kEnvironment, kStopped };

struct ValidationResult {
  bool valid = false;
  std::string reason;  // one line: what the first error was, when not valid
  NoticeFault fault = NoticeFault::kNone;
};

// Reads a saved notice back from the disk and validates it against the XML Schema that its root
// element names (xsi:noNamespaceSchemaLocation), as a stream: the file is never held whole, and no
// tree of it is built. Nothing is ever fetched from the network, no DTD is loaded and no entity is
// expanded; a document that declares a DOCTYPE is refused. The first error decides; its reason gives
// its true line in the file and, when it lies inside a subject, the subject's number ("Soggetto 3
// (riga 1.234 del file): ..."). libxml2 prints nothing: its messages become the reason. progress is
// called at every block read.
ValidationResult ValidateFile(const std::filesystem::path& file, const Progress& progress = {});

// Whether the schema file exists, can be read and is a usable XML Schema, checked before any work;
// the failure names the file and the cause.
Status CheckSchema(const std::filesystem::path& schema);

}  // namespace nerovale::output
