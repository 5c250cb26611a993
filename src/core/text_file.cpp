#include "core/text_file.h"

#include <fstream>

#include "core/system_files.h"
#include "core/text.h"

namespace nerovale::text {

std::optional<std::string> ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
  if (in.bad()) return std::nullopt;
  return bytes;
}

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

std::optional<std::vector<std::string>> ReadCp1252Lines(const std::filesystem::path& file) {
  const auto bytes = ReadBytes(file);
  if (!bytes) return std::nullopt;
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(*bytes)) lines.push_back(Utf8FromCp1252(line));
  return lines;
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
