#pragma once

#include <filesystem>
#include <string>

#include "core/status.h"
#include "core/subject_table.h"
#include "output/progress.h"

namespace nerovale::output {

// Who sends the notice, as the main window shows it.
struct Sender {
  std::string codice_comune;
  std::string cognome_referente;
  std::string nome_referente;
  bool operator==(const Sender&) const = default;
};

// Everything one notice file is made of.
struct Notice {
  const Sender& sender;
  const CommunicationHeader& header;
  const SubjectTable& subjects;
  std::filesystem::path schema;  // written into the root element as the schema's location
};

// The notice as UTF-8 XML text: the root DATI_CHIAMATA_NEROVALE with its two attributes, the sender,
// the header and one DATI_ANAGRAFICI per subject, every element present (empty ones included) and in
// order. Values are copied unchanged and escaped.
//
// The layout is the one libxml2's tree writer gives (declaration, one element a line, two blanks of
// indentation a level, "<X></X>" for an empty value), byte for byte, so that notices stay what they
// were; the text is written as it is made and no tree of the notice is ever held.
std::string BuildNoticeXml(const Notice& notice);

// Writes the notice to a new file (an existing name is never replaced or followed), through a buffer
// of its own; the failure says what went wrong and names the file. progress is called every few
// hundred subjects, and stops the writing when it answers false.
Status SaveNoticeXml(const Notice& notice, const std::filesystem::path& file, const Progress& progress = {});

// The schema's path as the root element names it: the path itself when it is UTF-8, as a notice
// must be; otherwise the path written as a URI, every byte that a URI path does not allow as it is
// (those that are not UTF-8 among them) percent-encoded, so that the parser finds the file again.
std::string SchemaLocation(const std::filesystem::path& schema);

// The schema's location for a working directory: its ref/validate.xsd, absolute.
std::filesystem::path SchemaPath(const std::filesystem::path& working_directory = std::filesystem::current_path());

}  // namespace nerovale::output
