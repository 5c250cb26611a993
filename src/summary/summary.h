#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/clock.h"
#include "core/status.h"
#include "core/subject_table.h"
#include "core/system_files.h"
#include "output/notice_xml.h"
#include "summary/pages.h"

// The summary ("riepilogo") of a notice: A4 pages that an office prints and files as the record of
// what it sent.
namespace nerovale::summary {

// What the summary of one written notice tells.
struct Summary {
  std::string nome_comune;       // the sender's municipality by name
  output::Sender sender;
  CommunicationHeader header;
  std::filesystem::path file;    // the notice file, in its notice folder
  std::string sha256;            // of the notice file, 64 hexadecimal digits
  Moment written;  // when the notice was made
  const SubjectTable& subjects;
  std::string signer = {};       // who signed the notice file, when it was signed
  std::string signed_file = {};  // the signed file's name (FILE.xml.p7m)
};

// The summary of a notice file that has just been written; none when the file cannot be read.
std::optional<Summary> MakeSummary(const output::Notice& notice, std::string nome_comune,
                                   const std::filesystem::path& file, const Moment& written);

// The pages: the sender, the notice, its file and folder with the file's SHA-256 and the time it was
// made on the first page (and who signed it, in which file, once signed), then the table of subjects (number, surname and name, sex, codice fiscale,
// birth date and place, death date and place, death certificate and its municipality) on landscape A4
// pages whose header repeats; long values wrap within their column, never cut. Every page says
// "pagina N di M".
Pages LayOut(const Summary& summary);

// Writes the summary as a PDF file, replacing it; the message names the file and the cause.
[[nodiscard]] Status WriteSummary(const Summary& summary, const std::filesystem::path& pdf);

// "nerovale_" + number + "_" + yyyymmdd + "_riepilogo.pdf", beside the name of the notice file.
std::string SummaryFileName(const CommunicationHeader& header);

// Where the window saves the summary of a notice: in the folder that holds the notice folder, never
// inside it, under the summary's name; when that name is taken, "(2)", "(3)", ... before ".pdf", so
// that no earlier summary is replaced.
std::filesystem::path SummaryPathBeside(const std::filesystem::path& notice_file, const CommunicationHeader& header);

}  // namespace nerovale::summary
