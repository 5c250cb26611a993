#include "core/text_file.h"

#include "core/system_files.h"
#include "core/text.h"

namespace nerovale::text {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto lf = text.find('\n', start);
    if (lf == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    std::size_t end = lf;
    if (end > start && text[end - 1] == '\r') --end;
    lines.push_back(text.substr(start, end - start));
    start = lf + 1;
  }
  return lines;
}

LineReader::LineReader(const std::filesystem::path& file, std::size_t max_line_bytes)
    : in_(files::SystemFile::OpenForReading(file)), max_line_bytes_(max_line_bytes) {}

bool LineReader::Fill() {
  buffer_.resize(1 << 16);
  const long got = in_.Read(buffer_.data(), buffer_.size());
  buffer_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  pos_ = 0;
  return !buffer_.empty();
}

LineReader::Next LineReader::Read(std::string& line) {
  line.clear();
  for (;;) {
    if (pos_ == buffer_.size()) {
      if (!Fill()) {
        if (in_.error() != 0) return Next::kUnreadable;
        return line.empty() ? Next::kEnd : Next::kLine;  // a last line without its line break
      }
    }
    if (after_cr_) {
      after_cr_ = false;
      if (buffer_[pos_] == '\n') ++pos_;
      continue;
    }
    const auto end = buffer_.find_first_of("\r\n", pos_);
    const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
    if (line.size() + (stop - pos_) > max_line_bytes_) return Next::kTooLong;
    line.append(buffer_, pos_, stop - pos_);
    pos_ = stop;
    if (end != std::string::npos) {
      after_cr_ = buffer_[pos_] == '\r';
      ++pos_;
      return Next::kLine;
    }
  }
}

Lines ReadCp1252Lines(const std::filesystem::path& file, std::size_t max_bytes) {
  Lines read;
  std::string bytes;
  read.error = files::ReadWholeFile(file, max_bytes, bytes);
  if (read.error == 0) {
    for (std::string_view line : SplitLines(bytes)) read.lines.push_back(Utf8FromCp1252(line));
  }
  return read;
}

Status WriteCp1252LinesAtomically(const std::filesystem::path& file, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) {
    bytes += Cp1252FromUtf8(line);
    bytes += "\r\n";
  }
  return files::WriteAtomically(file, bytes);
}

}  // namespace nerovale::text
