#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"
#include "core/system_files.h"

// Text files of the program: Windows-1252 with CR LF line ends on disk, UTF-8 lines in memory.
namespace nerovale::text {


// Splits text into lines at CR LF or a lone LF. A line break at the very end does not make an
// extra empty line; a last line without a line break is a line.
std::vector<std::string_view> SplitLines(std::string_view text);

// Reads a file one line at a time, for files that may be large or not text at all: only the current
// line is held. CR LF, LF and a lone CR end a line; a line break at the very end makes no extra empty
// line. A line longer than the limit stops the reading at once, so that a file with no line breaks
// (a device, a binary file) costs no more than the limit.
// Only a regular file is read (see files::SystemFile::OpenForReading).
class LineReader {
 public:
  enum class Next { kLine, kEnd, kTooLong, kUnreadable };

  LineReader(const std::filesystem::path& file, std::size_t max_line_bytes);
  bool is_open() const { return in_.opened(); }
  // Why the file could not be opened or read, for files::ItalianReason.
  int error() const { return in_.error(); }

  // The next line, without its line break; for kTooLong, the line as far as it was read.
  Next Read(std::string& line);

 private:
  bool Fill();

  files::SystemFile in_;
  std::size_t max_line_bytes_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool after_cr_ = false;  // the last line ended with a CR: an LF right after it belongs to it
};

// Reads a Windows-1252 text file of at most max_bytes into UTF-8 lines; the cause for
// files::ItalianReason when it cannot (see files::ReadWholeFile).
struct Lines {
  std::vector<std::string> lines;
  int error = 0;
};
Lines ReadCp1252Lines(const std::filesystem::path& file, std::size_t max_bytes);

// Writes UTF-8 lines as Windows-1252, each followed by CR LF, replacing the file atomically (see
// files::WriteAtomically): a failure at any point leaves the old file as it was.
[[nodiscard]] Status WriteCp1252LinesAtomically(const std::filesystem::path& file, const std::vector<std::string>& lines);

}  // namespace nerovale::text
